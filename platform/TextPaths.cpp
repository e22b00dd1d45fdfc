#include "TextPaths.h"

#include "RawNames.h"
#include "Utf8.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString SystemReason() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

// The escape is the one text files use for their invalid bytes (Utf8.h).
QString PathFromBytes(const QByteArray& bytes) {
    return QString::fromStdU16String(Utf8ToUtf16Escaped(
        reinterpret_cast<const unsigned char*>(bytes.constData()), std::size_t(bytes.size())));
}

QByteArray PathToBytes(const QString& path) {
    const std::string bytes = Utf16ToUtf8Escaped(std::u16string_view(
        reinterpret_cast<const char16_t*>(path.utf16()), static_cast<std::size_t>(path.size())));
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

bool IsRawPath(const QString& path) {
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (IsByteEscape(path[i].unicode(), i > 0 ? path[i - 1].unicode() : u'\0'))
            return true;
    }
    return false;
}

QStringList RawArguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << PathFromBytes(QByteArray(argv[i]));
    return arguments;
}

QString DisplayFileName(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    return IsRawPath(name) ? DecodeRawName(PathToBytes(name)) : name;
}

QString DisplayPath(const QString& path) {
    if (!IsRawPath(path))
        return path;
    QStringList parts = path.split(u'/');
    for (QString& part : parts) {
        if (IsRawPath(part))
            part = DecodeRawName(PathToBytes(part));
    }
    return parts.join(u'/');
}

bool OpenForReading(QFile& file, const QString& path) {
    if (!IsRawPath(path)) {
        file.setFileName(path);
        return file.open(QIODevice::ReadOnly);
    }
    const int fd = ::open(PathToBytes(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}

bool ReplaceFileRaw(const QString& path, const QByteArray& bytes, QString& error) {
    const QByteArray target = PathToBytes(path);
    const qsizetype slash = target.lastIndexOf('/');
    QByteArray temporary = (slash >= 0 ? target.left(slash + 1) : QByteArray()) + ".lettrino-XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        error = SystemReason();
        return false;
    }
    const auto fail = [&] {
        error = SystemReason();
        ::close(fd);
        ::unlink(temporary.constData());
        return false;
    };
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t written =
            ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return fail();
        }
        done += written;
    }
    // The old file's mode; a new file's as the umask gives it.
    struct stat old {};
    mode_t mode = 0;
    if (::stat(target.constData(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0)
        return fail();
    if (::close(fd) != 0) {
        error = SystemReason();
        ::unlink(temporary.constData());
        return false;
    }
    if (::rename(temporary.constData(), target.constData()) != 0) {
        error = SystemReason();
        ::unlink(temporary.constData());
        return false;
    }
    return true;
}

QString PathToProfile(const QString& path) {
    if (!IsRawPath(path))
        return path;
    return QStringLiteral("file://") + QString::fromLatin1(PathToBytes(path).toPercentEncoding("/"));
}

QString PathFromProfile(const QString& stored) {
    if (!stored.startsWith(QLatin1String("file:///")))
        return stored;
    return PathFromBytes(QByteArray::fromPercentEncoding(stored.mid(7).toLatin1()));
}

QString ResolveDialogPath(const QString& chosen) {
    if (chosen.isEmpty() || !chosen.contains(QChar::ReplacementCharacter) || QFileInfo::exists(chosen))
        return chosen;
    const QFileInfo info(chosen);
    const QString folder = info.path();
    std::vector<SRawEntry> entries;
    if (!ReadFolderRaw(PathToBytes(folder), entries))
        return chosen;
    QString found;
    for (const SRawEntry& entry : entries) {
        if (QString::fromUtf8(entry.name) != info.fileName())
            continue;
        if (!found.isEmpty())
            return chosen; // two names look alike: neither is the one
        found = folder + u'/' + PathFromBytes(entry.name);
    }
    return found.isEmpty() ? chosen : found;
}
