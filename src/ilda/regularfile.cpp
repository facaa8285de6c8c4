#include "regularfile.h"

#include <QFile>

#include <algorithm>
#include <climits>
#include <new>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#include <QFileInfo>

IldReadResult openRegularFile(const QString &path, QFile &file)
{
    IldReadResult result;
#ifdef Q_OS_UNIX
    // Non-blocking, so that opening a pipe with no writer returns at once.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        result.kind = IldReadResult::Unreadable;
        result.detail = QString::fromLocal8Bit(std::strerror(errno));
        return result;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        result.kind = IldReadResult::NotRegularFile;
        return result;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        result.kind = IldReadResult::Unreadable;
        result.detail = file.errorString();
    }
#else
    if (QFileInfo::exists(path) && !QFileInfo(path).isFile()) {
        result.kind = IldReadResult::NotRegularFile;
        return result;
    }
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        result.kind = IldReadResult::Unreadable;
        result.detail = file.errorString();
    }
#endif
    return result;
}

bool readWholeFile(QFile &file, std::unique_ptr<uchar[]> &bytes, qint64 &length, IldReadResult &result)
{
    length = 0;
    const qint64 size = file.size();
    // Not zero-filled: every byte used is read from the file first.
    bytes.reset(new (std::nothrow) uchar[size_t(std::max<qint64>(size, 1))]);
    if (!bytes) {
        result.kind = IldReadResult::Unreadable;
        result.detail = QStringLiteral("not enough memory to read %1 bytes").arg(size);
        return false;
    }
#ifdef Q_OS_LINUX
    // A large buffer is fresh memory: faulting it in 4 KiB at a time costs more
    // than reading the file. Huge pages cut that cost (a hint; ignored if off).
    constexpr quintptr Huge = quintptr(2) << 20;
    if (size >= qint64(4 * Huge)) {
        const quintptr start = (quintptr(bytes.get()) + Huge - 1) & ~(Huge - 1);
        const quintptr end = (quintptr(bytes.get()) + quintptr(size)) & ~(Huge - 1);
        if (end > start)
            ::madvise(reinterpret_cast<void *>(start), end - start, MADV_HUGEPAGE);
    }
#endif
    constexpr qint64 Piece = 16 << 20;
    while (length < size) {
        const qint64 n = file.read(reinterpret_cast<char *>(bytes.get()) + length, std::min(Piece, size - length));
        if (n < 0) {
            result.kind = IldReadResult::Unreadable;
            result.detail = file.errorString();
            return false;
        }
        if (n == 0)
            break; // the file shrank: what is gone counts as its end
        length += n;
    }
    return true;
}

bool readRegularFile(const QString &path, QByteArray &bytes, IldReadResult &result)
{
    return readRegularFile(path, bytes, result, -1);
}

bool readRegularFile(const QString &path, QByteArray &bytes, IldReadResult &result, qint64 maxSize)
{
    bytes.clear();
    QFile file;
    result = openRegularFile(path, file);
    if (result.ok() && maxSize >= 0 && file.size() > maxSize) {
        result.kind = IldReadResult::Unreadable;
        result.detail = QStringLiteral("larger than %1 bytes").arg(maxSize);
        return false;
    }
    std::unique_ptr<uchar[]> data;
    qint64 length = 0;
    if (!result.ok() || !readWholeFile(file, data, length, result))
        return false;
    bytes = QByteArray(reinterpret_cast<const char *>(data.get()), int(std::min<qint64>(length, INT_MAX)));
    return true;
}

bool openRegularTextFile(const QString &path, QFile &file)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return false;
    file.setFileName(path);
    return file.open(QIODevice::ReadOnly | QIODevice::Text);
}
