// Feeds arbitrary bytes to the group-image readers (tables, whole image, text
// twin) and the verifier.
// With the first byte odd, the rest becomes the body behind a well-formed
// header (magic, kind, length and checksum right), so the fuzzer reaches the
// tables without first having to forge a CRC.

#include "crcengine.h"
#include "groupimageformat.h"
#include "groupimagereader.h"

#include <QLoggingCategory>

#include <cstdlib>

namespace {

void check(const uchar *data, qint64 size)
{
    const GroupImageTables tables = readGroupImageTables(data, size);
    if (tables.groups.size() > 256)
        std::abort();
    for (const GroupImageTables::Group &g : tables.groups)
        if (g.files.size() > 256)
            std::abort();
    const GroupImageCheck c = verifyGroupImage(data, size);
    if (c.size != size)
        std::abort();
    // Every decoded point is a 7-byte record of the image.
    quint64 points = 0;
    for (const GroupImageTables::Group &g : readGroupImage(data, size).groups)
        for (const GroupImageTables::File &f : g.files)
            for (const IldFrame &fr : f.frames)
                points += fr.vertices.size();
    if (points > quint64(size) / 7)
        std::abort();
    readTextGroupImage(QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool quiet = [] {
        QLoggingCategory::setFilterRules(QStringLiteral("beamdeck.*.debug=false"));
        return true;
    }();
    Q_UNUSED(quiet)

    check(data, qint64(size));
    if (size == 0 || !(data[0] & 1))
        return 0;

    using namespace GroupImageFormat;
    QByteArray image = imageHeader(0x5F000000);
    image.append(reinterpret_cast<const char *>(data + 1), int(size - 1));
    uchar *p = reinterpret_cast<uchar *>(image.data());
    putLittleEndian32(p + LengthOffset, quint32(image.size()));
    putLittleEndian32(p + ChecksumOffset, CrcEngine::imageChecksum(p + HeaderSize, image.size() - HeaderSize));
    check(p, image.size());
    return 0;
}
