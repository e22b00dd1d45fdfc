#include "FileMetadata.h"

#include <QList>

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

constexpr char kCapability[] = "security.capability";

bool NoAttributesHere(int code) {
    return code == ENOTSUP || code == EOPNOTSUPP;
}

bool NotPermitted(int code) {
    return code == EPERM || code == EACCES || NoAttributesHere(code);
}

// The attribute names of the file; a list that grows between the two calls is read again.
bool ListNames(int fd, std::vector<QByteArray>& names) {
    names.clear();
    for (int attempt = 0; attempt < 8; ++attempt) {
        const ssize_t size = ::flistxattr(fd, nullptr, 0);
        if (size < 0)
            return NoAttributesHere(errno);
        QByteArray list(size, '\0');
        const ssize_t got = size == 0 ? 0 : ::flistxattr(fd, list.data(), std::size_t(size));
        if (got < 0 && errno == ERANGE)
            continue;
        if (got < 0)
            return false;
        for (const QByteArray& name : list.left(got).split('\0')) {
            if (!name.isEmpty())
                names.push_back(name);
        }
        return true;
    }
    errno = ERANGE;
    return false;
}

bool ReadValue(int fd, const QByteArray& name, QByteArray& value) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        const ssize_t size = ::fgetxattr(fd, name.constData(), nullptr, 0);
        if (size < 0)
            return false;
        value.resize(size);
        const ssize_t got =
            size == 0 ? 0 : ::fgetxattr(fd, name.constData(), value.data(), std::size_t(size));
        if (got < 0 && errno == ERANGE)
            continue;
        if (got < 0)
            return false;
        value.resize(got);
        return true;
    }
    errno = ERANGE;
    return false;
}

bool HasAttribute(const SFileMetadata& meta, const char* name) {
    return std::any_of(meta.xattrs.begin(), meta.xattrs.end(),
                       [&](const auto& attribute) { return attribute.first == name; });
}

// Sets every attribute of `meta` the file lacks or holds otherwise, and removes the ones it has
// beyond them (a label the system gave the new file).
bool SetAttributes(int fd, const SFileMetadata& meta, const SFileMetadata& now) {
    for (const auto& wanted : meta.xattrs) {
        const QByteArray& name = wanted.first;
        const QByteArray& value = wanted.second;
        const auto found = std::find_if(now.xattrs.begin(), now.xattrs.end(),
                                        [&](const auto& attribute) { return attribute.first == name; });
        if (found != now.xattrs.end() && found->second == value)
            continue;
        if (::fsetxattr(fd, name.constData(), value.constData(), std::size_t(value.size()), 0) != 0)
            return false;
    }
    for (const auto& attribute : now.xattrs) {
        if (!HasAttribute(meta, attribute.first.constData()) &&
            ::fremovexattr(fd, attribute.first.constData()) != 0)
            return false;
    }
    return true;
}

bool Matches(int fd, const SFileMetadata& meta) {
    SFileMetadata now;
    if (!ReadMetadata(fd, now))
        return false;
    if (now == meta)
        return true;
    errno = EPERM; // the system took something back silently (a set-group-id bit, say)
    return false;
}

} // namespace

bool ReadMetadata(int fd, SFileMetadata& out) {
    out = SFileMetadata();
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return false;
    out.mode = info.st_mode & 07777;
    out.uid = info.st_uid;
    out.gid = info.st_gid;
    std::vector<QByteArray> names;
    if (!ListNames(fd, names))
        return false;
    std::sort(names.begin(), names.end());
    for (const QByteArray& name : names) {
        QByteArray value;
        if (!ReadValue(fd, name, value)) {
            if (errno == ENODATA)
                continue; // removed meanwhile
            return false;
        }
        out.xattrs.emplace_back(name, value);
    }
    return true;
}

bool ApplyMetadata(int fd, const SFileMetadata& meta) {
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return false;
    // The owner first: a change of owner clears set-id bits and capabilities, set below.
    if ((info.st_uid != meta.uid || info.st_gid != meta.gid) && ::fchown(fd, meta.uid, meta.gid) != 0)
        return false;
    SFileMetadata now;
    if (!ReadMetadata(fd, now))
        return false;
    if (!SetAttributes(fd, meta, now)) {
        if (NoAttributesHere(errno))
            errno = EPERM;
        return false;
    }
    // The mode last: it also sets the access list's mask to the group bits, as the original has.
    if (::fchmod(fd, meta.mode) != 0)
        return false;
    // A capability set before fchmod stays; one cleared by it is set again.
    if (HasAttribute(meta, kCapability)) {
        SFileMetadata after;
        if (!ReadMetadata(fd, after) || !SetAttributes(fd, meta, after))
            return false;
    }
    return Matches(fd, meta);
}

bool InPlaceKeepsMetadata(const SFileMetadata& meta) {
    const uid_t us = ::geteuid();
    if (us == 0)
        return true;
    if (HasAttribute(meta, kCapability))
        return false;
    return (meta.mode & (S_ISUID | S_ISGID)) == 0 || meta.uid == us;
}

bool RestoreMetadata(int fd, const SFileMetadata& meta) {
    SFileMetadata now;
    if (!ReadMetadata(fd, now))
        return false;
    if (now == meta)
        return true;
    if (now.mode != meta.mode && ::fchmod(fd, meta.mode) != 0)
        return false;
    if (!ReadMetadata(fd, now) || !SetAttributes(fd, meta, now))
        return false;
    return Matches(fd, meta);
}

bool MetadataNotPermitted(int code) {
    return NotPermitted(code);
}
