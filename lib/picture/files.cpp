#include "lib/picture/files.h"

#include "lib/picture/exception.h"
#include "lib/picture/profile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// ".zorna-" and six letters or digits, then ".part": hidden from the file manager, and no name a
// conversion or a person would give.
const QRegularExpression& temporaryPattern() {
    static const QRegularExpression pattern(QStringLiteral("^\\.zorna-[A-Za-z0-9]{6}\\.part$"));
    return pattern;
}

QByteArray newTemporaryName() {
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray name = ".zorna-";
    for (int i = 0; i < 6; ++i)
        name += letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)];
    return name + ".part";
}

[[noreturn]] void cannotCreate(const QString& path, int error) {
    throw Exception(
        QStringLiteral("Cannot create file \"%1\". %2")
            .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(error))));
}

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    void reset(int fd = -1) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

bool writeAll(int fd, QByteArrayView data) {
    const char* p = data.data();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        left -= n;
    }
    return true;
}

int renameNoReplace(int dir, const char* from, const char* to) {
    if (::renameat2(dir, from, dir, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return -1;
    // A file system without it: a second link to the file fails as well when the name is taken.
    if (::linkat(dir, from, dir, to, 0) != 0)
        return -1;
    ::unlinkat(dir, from, 0);
    return 0;
}

enum class Existing { Replace, Keep };

// Straight into what is there: a device or a pipe cannot be replaced, nor flushed.
void writeInto(const QString& path, QByteArrayView data) {
    const Descriptor file(::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC));
    if (file.get() < 0)
        cannotCreate(path, errno);
    if (!writeAll(file.get(), data))
        throw Exception(QStringLiteral("Stream write error"));
}

bool save(const QString& given, QByteArrayView data, Existing existing) {
    QString path = given;
    struct stat there {};
    if (existing == Existing::Replace && ::stat(QFile::encodeName(path).constData(), &there) == 0) {
        if (!S_ISREG(there.st_mode) && !S_ISDIR(there.st_mode)) {
            writeInto(path, data);
            return true;
        }
        // Through a link, the file it leads to is replaced and the link stays.
        if (S_ISREG(there.st_mode))
            path = QFileInfo(path).canonicalFilePath();
    }
    const QFileInfo info(path);
    const QByteArray finalName = QFile::encodeName(info.fileName());
    const Descriptor dir(
        ::open(QFile::encodeName(info.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0)
        cannotCreate(given, errno);

    // The lock, held until the file has its final name, tells a start-up that it is not a stray.
    QByteArray temporary;
    Descriptor file;
    for (;;) {
        temporary = newTemporaryName();
        file.reset(::openat(dir.get(), temporary.constData(),
                            O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (file.get() < 0 && errno == EEXIST)
            continue;
        if (file.get() < 0)
            cannotCreate(given, errno);
        struct stat st {};
        if (::flock(file.get(), LOCK_EX) == 0 && ::fstat(file.get(), &st) == 0 && st.st_nlink > 0)
            break;
        // Taken for a stray and removed in the moment before the lock: start again.
    }
    const auto discard = [&] { ::unlinkat(dir.get(), temporary.constData(), 0); };

    bool ok = writeAll(file.get(), data);
    if (ok) {
        ProfileStage stage(&ConversionProfile::flush);
        ok = ::fdatasync(file.get()) == 0;
    }
    if (!ok) {
        discard();
        throw Exception(QStringLiteral("Stream write error"));
    }
    const int renamed =
        existing == Existing::Replace
            ? ::renameat(dir.get(), temporary.constData(), dir.get(), finalName.constData())
            : renameNoReplace(dir.get(), temporary.constData(), finalName.constData());
    if (renamed != 0) {
        const int error = errno;
        discard();
        if (existing == Existing::Keep && error == EEXIST)
            return false;
        cannotCreate(given, error);
    }
    file.reset(); // the data is on disk already: closing has nothing left to report
    ProfileStage stage(&ConversionProfile::flush);
    if (::fsync(dir.get()) != 0) {
        // The name might not survive a power cut; a file that may vanish is not reported saved.
        ::unlinkat(dir.get(), finalName.constData(), 0);
        throw Exception(QStringLiteral("Stream write error"));
    }
    return true;
}

} // namespace

void saveWholeFile(const QString& path, QByteArrayView data) {
    save(path, data, Existing::Replace);
}

bool saveNewFile(const QString& path, QByteArrayView data) {
    return save(path, data, Existing::Keep);
}

bool isTemporaryName(const QString& name) {
    return temporaryPattern().match(name).hasMatch();
}

void removeStrayTemporaries(const QString& folder) {
    const Descriptor dir(
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0)
        return;
    // The folder holds every picture ever made: its names are read as they are, not listed,
    // looked at and sorted one by one, so that start-up does not grow with them.
    std::vector<QByteArray> names;
    if (DIR* entries = ::fdopendir(::fcntl(dir.get(), F_DUPFD_CLOEXEC, 0))) {
        while (const dirent* e = ::readdir(entries))
            if (std::strncmp(e->d_name, ".zorna-", 7) == 0 &&
                isTemporaryName(QFile::decodeName(e->d_name)))
                names.emplace_back(e->d_name);
        ::closedir(entries);
    }
    for (const QByteArray& entry : names) {
        const Descriptor file(
            ::openat(dir.get(), entry.constData(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat st {};
        // A writer that is still at work holds the lock.
        if (file.get() >= 0 && ::fstat(file.get(), &st) == 0 && S_ISREG(st.st_mode) &&
            ::flock(file.get(), LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(dir.get(), entry.constData(), 0);
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
    const Descriptor owned(standardInput ? -1 : fd); // standard input stays open
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode))
        cannotOpen(path, EISDIR);
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
    if (!ok)
        throw Exception(QStringLiteral("Stream read error"));
    return data;
}
