// What belongs to a file besides its bytes: the exact mode, the owner and group and the extended
// attributes (a music player's user.*, security labels, the access list that the system keeps as
// system.posix_acl_access). A replaced file gets all of it back, or is not replaced.
#pragma once

#include <QByteArray>

#include <sys/types.h>
#include <utility>
#include <vector>

struct SFileMetadata {
    mode_t mode = 0; // permission bits with set-id and sticky bits
    uid_t uid = 0;
    gid_t gid = 0;
    std::vector<std::pair<QByteArray, QByteArray>> xattrs; // name and value, sorted by name
    bool operator==(const SFileMetadata&) const = default;
};

// The metadata of the open file. A file system without extended attributes has none; false
// with errno set when they cannot be read.
bool ReadMetadata(int fd, SFileMetadata& out);

// Gives the open file (a new copy of ours) the metadata, then reads it back: true only when it
// is exactly `meta`. False with errno set: EPERM when the system does not let us give some of
// it (another owner, a security label), another code when it failed (a full disk).
bool ApplyMetadata(int fd, const SFileMetadata& meta);

// EPERM and its kin: the system does not let us, as against a failure (a full disk).
bool MetadataNotPermitted(int code);

// True when an in-place rewrite of a file with `meta` by us keeps it: writing clears the set-id
// bits and file capabilities of a file, and only its owner (or root) can set them again.
bool InPlaceKeepsMetadata(const SFileMetadata& meta);

// After an in-place rewrite: what the write cleared is set again; true when the file has
// `meta` once more (errno set otherwise).
bool RestoreMetadata(int fd, const SFileMetadata& meta);
