// The top level of the folder picker: the file-system root, the home folder and every mounted
// volume, each with the drive picture its kind calls for, and the mounted network shares.
#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

enum class EDriveKind { Removable, Fixed, Remote, Optical, RamDisk };

struct SFolderRoot {
    QByteArray path; // on disk, ending in "/"
    QString text;    // as shown: the path without its final "/" ("/" for the root itself)
    EDriveKind kind = EDriveKind::Fixed;
};

// The kind of a volume from its file-system type, its device and where it is mounted.
EDriveKind DriveKindOf(const QByteArray& fileSystemType, const QByteArray& device, const QString& mountPoint);
// File systems that reach another machine (cifs, nfs, sshfs and the like).
bool IsNetworkFileSystem(const QByteArray& fileSystemType);

// "/", the home folder, then the mounted volumes a user may pick folders on, by path.
std::vector<SFolderRoot> ListFolderRoots();

// The mounted network shares: the share's name ("server/music" for //server/music) as text,
// the mount point as path.
std::vector<SFolderRoot> ListNetworkShares();
