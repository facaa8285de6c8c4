#include "textcodec.h"

#include <QTextCodec>
#include <QTextStream>

namespace TextCodec {

QTextCodec *gbkCodec()
{
    // Qt carries GBK with or without ICU; fall back to the locale so that a
    // stripped-down build still writes something readable.
    static QTextCodec *const codec = [] {
        QTextCodec *c = QTextCodec::codecForName("GBK");
        return c ? c : QTextCodec::codecForLocale();
    }();
    return codec;
}

QByteArray toGbk(const QString &text)
{
    return gbkCodec()->fromUnicode(text);
}

QString fromGbk(const QByteArray &bytes)
{
    return gbkCodec()->toUnicode(bytes);
}

bool canStore(const QString &text)
{
    return gbkCodec()->canEncode(text);
}

void useGbk(QTextStream &stream)
{
    stream.setCodec(gbkCodec());
}

QByteArray gbkField(const QString &text, int size)
{
    QByteArray out;
    out.reserve(size);
    for (int i = 0; i < text.size();) {
        // A surrogate pair is one character.
        const int n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QByteArray c = gbkCodec()->fromUnicode(text.constData() + i, n);
        if (out.size() + c.size() > size)
            break;
        out += c;
        i += n;
    }
    out.append(QByteArray(size - out.size(), '\0'));
    return out;
}

} // namespace TextCodec
