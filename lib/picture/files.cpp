#include "lib/picture/files.h"

#include "lib/picture/exception.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
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
