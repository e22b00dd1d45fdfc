#include "FolderRoots.h"

#include "RawNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>

namespace {

QString Shown(const QByteArray& path) {
    QString text = QFile::decodeName(path);
    if (text.size() > 1 && text.endsWith(u'/'))
        text.chop(1);
    return text;
}

// The kernel marks card readers, USB sticks and the like removable on the whole disk, which a
// partition's folder in sysfs sits under.
bool IsRemovableDevice(const QByteArray& device) {
    if (!device.startsWith("/dev/"))
        return false;
    const QString name = QFileInfo(QFile::decodeName(device)).canonicalFilePath().section(u'/', -1);
    if (name.isEmpty())
        return false;
    const QString block = QFileInfo(QStringLiteral("/sys/class/block/") + name).canonicalFilePath();
    if (block.isEmpty())
        return false;
    for (const QString& flag :
         {block + QStringLiteral("/removable"), block + QStringLiteral("/../removable")}) {
        QFile file(flag);
        if (file.open(QIODevice::ReadOnly) && file.read(1) == "1")
            return true;
    }
    return false;
}

// Mounts that hold the system's own machinery rather than anything a user keeps files on.
bool IsSystemMount(const QString& mountPoint, const QByteArray& fileSystemType) {
    static const char* const kSystemTrees[] = {"/proc", "/sys", "/dev", "/run", "/boot", "/snap", "/var/lib"};
    if (mountPoint.startsWith(QStringLiteral("/run/media/")))
        return false;
    for (const char* tree : kSystemTrees) {
        const QString prefix = QString::fromLatin1(tree);
        if (mountPoint == prefix || mountPoint.startsWith(prefix + u'/'))
            return true;
    }
    return fileSystemType == "squashfs" || fileSystemType == "overlay" || fileSystemType == "autofs";
}

} // namespace

bool IsNetworkFileSystem(const QByteArray& fileSystemType) {
    static const char* const kNetwork[] = {
        "cifs",        "smb3",        "smbfs",          "nfs",         "nfs4",      "ncpfs",      "afs",
        "coda",        "9p",          "ceph",           "glusterfs",   "davfs",     "fuse.sshfs", "sshfs",
        "fuse.davfs2", "fuse.rclone", "fuse.glusterfs", "fuse.cephfs", "fuse.s3fs", "lustre"};
    return std::any_of(std::begin(kNetwork), std::end(kNetwork),
                       [&](const char* type) { return fileSystemType == type; });
}

EDriveKind DriveKindOf(const QByteArray& fileSystemType, const QByteArray& device,
                       const QString& mountPoint) {
    if (IsNetworkFileSystem(fileSystemType))
        return EDriveKind::Remote;
    if (fileSystemType == "tmpfs" || fileSystemType == "ramfs")
        return EDriveKind::RamDisk;
    if (fileSystemType == "iso9660" || fileSystemType == "udf" || device.startsWith("/dev/sr"))
        return EDriveKind::Optical;
    // Desktops mount what the user plugs in under /media or /run/media.
    if (mountPoint.startsWith(QStringLiteral("/media/")) ||
        mountPoint.startsWith(QStringLiteral("/run/media/")) || IsRemovableDevice(device))
        return EDriveKind::Removable;
    return EDriveKind::Fixed;
}

std::vector<SFolderRoot> ListFolderRoots() {
    std::vector<SFolderRoot> roots;
    const auto kindAt = [](const QString& path) {
        const QStorageInfo volume(path);
        return volume.isValid() ? DriveKindOf(volume.fileSystemType(), volume.device(), volume.rootPath())
                                : EDriveKind::Fixed;
    };
    roots.push_back({"/", QStringLiteral("/"), kindAt(QStringLiteral("/"))});
    const QString home = QDir::homePath();
    if (home != QStringLiteral("/") && QFileInfo(home).isDir())
        roots.push_back({WithSlash(QFile::encodeName(home)), home, kindAt(home)});

    std::vector<SFolderRoot> volumes;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString mountPoint = volume.rootPath();
        if (!volume.isValid() || !volume.isReady() || IsSystemMount(mountPoint, volume.fileSystemType()))
            continue;
        // Bind mounts of single files (containers have them) are not places to keep folders.
        if (!QFileInfo(mountPoint).isDir())
            continue;
        const QByteArray path = WithSlash(QFile::encodeName(mountPoint));
        const auto known = [&](const SFolderRoot& root) { return root.path == path; };
        if (std::any_of(roots.begin(), roots.end(), known) ||
            std::any_of(volumes.begin(), volumes.end(), known))
            continue;
        volumes.push_back(
            {path, Shown(path), DriveKindOf(volume.fileSystemType(), volume.device(), mountPoint)});
    }
    std::sort(volumes.begin(), volumes.end(),
              [](const SFolderRoot& a, const SFolderRoot& b) { return a.path < b.path; });
    roots.insert(roots.end(), volumes.begin(), volumes.end());
    return roots;
}

std::vector<SFolderRoot> ListNetworkShares() {
    std::vector<SFolderRoot> shares;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !IsNetworkFileSystem(volume.fileSystemType()))
            continue;
        QString name = QString::fromLocal8Bit(volume.device());
        for (int i = 0; i < 2 && name.startsWith(u'/'); ++i)
            name.remove(0, 1);
        if (name.isEmpty())
            name = volume.rootPath();
        shares.push_back({WithSlash(QFile::encodeName(volume.rootPath())), name, EDriveKind::Remote});
    }
    std::sort(shares.begin(), shares.end(),
              [](const SFolderRoot& a, const SFolderRoot& b) { return a.text < b.text; });
    return shares;
}
