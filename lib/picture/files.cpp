#include "lib/picture/files.h"

#include "lib/picture/exception.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

void saveWholeFile(const QString& path, QByteArrayView data) {
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int error = errno;
        throw Exception(
            QStringLiteral("Cannot create file \"%1\". %2")
                .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(error))));
    }
    const char* p = data.data();
    qsizetype left = data.size();
    bool ok = true;
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        p += n;
        left -= n;
    }
    if (::close(fd) != 0)
        ok = false;
    if (!ok) {
        // A truncated picture or text copy is worse than none.
        ::unlink(name.constData());
        throw Exception(QStringLiteral("Stream write error"));
    }
}

namespace {

[[noreturn]] void cannotOpen(const QString& path, int error) {
    throw Exception(
        QStringLiteral("Cannot open file \"%1\". %2")
            .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(error))));
}

} // namespace

QByteArray readWholeFile(const QString& path) {
    const bool standardInput = path == QLatin1String("-");
    const int fd = standardInput
                       ? STDIN_FILENO
                       : ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        cannotOpen(path, errno);
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        if (!standardInput)
            ::close(fd);
        cannotOpen(path, EISDIR);
    }
    QByteArray data;
    if (S_ISREG(info.st_mode) && info.st_size > 0)
        data.reserve(qsizetype(info.st_size));
    char chunk[65536];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ok = false;
        if (n <= 0)
            break;
        data.append(chunk, qsizetype(n));
    }
    if (!standardInput)
        ::close(fd);
    if (!ok)
        throw Exception(QStringLiteral("Stream read error"));
    return data;
}
