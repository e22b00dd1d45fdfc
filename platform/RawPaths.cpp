#include "RawPaths.h"

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

constexpr char16_t kEscapeBase = 0xDC00;

bool IsEscape(QChar ch) {
    return ch.unicode() >= 0xDC80 && ch.unicode() <= 0xDCFF;
}

// The length of the valid UTF-8 sequence at bytes[i], 0 when there is none.
int Utf8Length(const QByteArray& bytes, qsizetype i) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    const int length = lead < 0x80                    ? 1
                       : lead >= 0xC2 && lead <= 0xDF ? 2
                       : lead >= 0xE0 && lead <= 0xEF ? 3
                       : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                      : 0;
    if (length <= 1 || i + length > bytes.size())
        return length == 1 ? 1 : 0;
    for (int k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80)
            return 0;
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    return IsValidUtf8(reinterpret_cast<const unsigned char*>(bytes.constData() + i), length) ? length : 0;
}

QString SystemReason() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

QString PathFromBytes(const QByteArray& bytes) {
    QString path;
    path.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        const int length = Utf8Length(bytes, i);
        if (length == 0) {
            path.append(QChar(char16_t(kEscapeBase + static_cast<unsigned char>(bytes[i]))));
            ++i;
        } else {
            path.append(QString::fromUtf8(bytes.constData() + i, length));
            i += length;
        }
    }
    return path;
}

QByteArray PathToBytes(const QString& path) {
    QByteArray bytes;
    qsizetype run = 0; // start of the text not yet turned into bytes
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (!IsEscape(path[i]) || (i > 0 && path[i - 1].isHighSurrogate()))
            continue;
        bytes += path.mid(run, i - run).toUtf8();
        bytes += static_cast<char>(path[i].unicode() - kEscapeBase);
        run = i + 1;
    }
    bytes += path.mid(run).toUtf8();
    return bytes;
}

bool IsRawPath(const QString& path) {
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (IsEscape(path[i]) && (i == 0 || !path[i - 1].isHighSurrogate()))
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
