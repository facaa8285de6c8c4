#include "filenamecodec.h"

namespace {

constexpr ushort EscapeBase = 0xDC00; // stray byte b (0x80-0xFF) <-> U+DC00 + b

bool isEscape(ushort u)
{
    return u >= EscapeBase + 0x80 && u <= EscapeBase + 0xFF;
}

} // namespace

QByteArray FileNameCodec::name() const
{
    return QByteArrayLiteral("UTF-8-bytes");
}

int FileNameCodec::mibEnum() const
{
    return -106; // no registered encoding; only found through codecForLocale()
}

void FileNameCodec::installForLocale()
{
    static FileNameCodec *installed = nullptr;
    QTextCodec *system = QTextCodec::codecForLocale();
    if (installed || !system || (system->mibEnum() != 106 && system->mibEnum() != 3))
        return;
    installed = new FileNameCodec; // Qt owns registered codecs
    QTextCodec::setCodecForLocale(installed);
}

QString FileNameCodec::convertToUnicode(const char *in, int length, ConverterState *state) const
{
    // A sequence cut by the end of a chunk waits in the state for the next one.
    QByteArray bytes;
    if (state && state->remainingChars > 0) {
        for (int k = 0; k < state->remainingChars; ++k)
            bytes += char((state->state_data[0] >> (8 * k)) & 0xFF);
        state->remainingChars = 0;
        state->state_data[0] = 0;
    }
    bytes.append(in, length);
    const uchar *p = reinterpret_cast<const uchar *>(bytes.constData());
    const int n = bytes.size();
    QString out;
    out.reserve(n);
    int i = 0;
    while (i < n) {
        const uchar b = p[i];
        if (b < 0x80) {
            out += QChar(b);
            ++i;
            continue;
        }
        int need = 0;
        uchar lo = 0x80, hi = 0xBF; // range of the second byte
        if (b >= 0xC2 && b <= 0xDF) {
            need = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            need = 2;
            lo = b == 0xE0 ? 0xA0 : 0x80; // no overlong forms
            hi = b == 0xED ? 0x9F : 0xBF; // no surrogates
        } else if (b >= 0xF0 && b <= 0xF4) {
            need = 3;
            lo = b == 0xF0 ? 0x90 : 0x80;
            hi = b == 0xF4 ? 0x8F : 0xBF; // nothing past U+10FFFF
        }
        uint cp = b & (need == 1 ? 0x1F : need == 2 ? 0x0F : 0x07);
        int k = 1;
        bool bad = need == 0;
        for (; !bad && k <= need && i + k < n; ++k) {
            const uchar c = p[i + k];
            if (c < (k == 1 ? lo : 0x80) || c > (k == 1 ? hi : 0xBF))
                bad = true;
            else
                cp = cp << 6 | (c & 0x3F);
        }
        if (!bad && k <= need && state) {
            for (int j = 0; i + j < n; ++j)
                state->state_data[0] |= uint(p[i + j]) << (8 * j);
            state->remainingChars = n - i;
            break;
        }
        if (bad || k <= need) {
            out += QChar(ushort(EscapeBase + b));
            ++i;
            continue;
        }
        if (cp > 0xFFFF) {
            out += QChar(QChar::highSurrogate(cp));
            out += QChar(QChar::lowSurrogate(cp));
        } else {
            out += QChar(ushort(cp));
        }
        i += need + 1;
    }
    return out;
}

QByteArray FileNameCodec::convertFromUnicode(const QChar *in, int length, ConverterState *state) const
{
    QByteArray out;
    out.reserve(length * 3);
    ushort pendingHigh = 0;
    if (state && state->remainingChars > 0) {
        pendingHigh = ushort(state->state_data[0]);
        state->remainingChars = 0;
        state->state_data[0] = 0;
    }
    auto put = [&out](uint cp) {
        if (cp < 0x80) {
            out += char(cp);
        } else if (cp < 0x800) {
            out += char(0xC0 | cp >> 6);
            out += char(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += char(0xE0 | cp >> 12);
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        } else {
            out += char(0xF0 | cp >> 18);
            out += char(0x80 | ((cp >> 12) & 0x3F));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        }
    };
    auto invalid = [&out, state]() {
        out += '?';
        if (state)
            ++state->invalidChars;
    };
    for (int i = 0; i < length; ++i) {
        const ushort u = in[i].unicode();
        if (pendingHigh) {
            const ushort high = pendingHigh;
            pendingHigh = 0;
            if (QChar::isLowSurrogate(u)) {
                put(QChar::surrogateToUcs4(high, u));
                continue;
            }
            invalid();
        }
        if (QChar::isHighSurrogate(u)) {
            if (i + 1 < length && QChar::isLowSurrogate(in[i + 1].unicode())) {
                put(QChar::surrogateToUcs4(u, in[i + 1].unicode()));
                ++i;
            } else if (i + 1 == length && state) {
                pendingHigh = u;
            } else {
                invalid();
            }
        } else if (isEscape(u)) {
            out += char(u - EscapeBase);
        } else if (QChar::isLowSurrogate(u)) {
            invalid();
        } else {
            put(u);
        }
    }
    if (pendingHigh) {
        state->state_data[0] = pendingHigh;
        state->remainingChars = 1;
    }
    return out;
}
