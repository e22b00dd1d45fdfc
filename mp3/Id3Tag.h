// The ID3 tags of an MP3 file as regions of bytes: the ID3v2 tag at the start (header, frames,
// padding, footer), the audio, the 128-byte ID3v1 tag at the end. The ID3v2 tag is cut into its
// frames here, forgivingly (extended headers, unsynchronisation, sizes written the wrong way);
// what a frame means is TagLib's business. A rewrite carries every frame it does not edit over
// byte for byte and puts the tag together again in its own version, with its own flags.
#pragma once

#include "SafeFile.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

struct SId3Frame {
    QByteArray id;       // as on disk: four characters, three in ID3v2.2
    quint16 flags = 0;   // status and format flags as on disk
    QByteArray raw;      // header and data as the tag holds it (after whole-tag unsynchronisation)
    QByteArray body;     // the content alone: no group byte, data length or unsynchronisation
    bool opaque = false; // compressed or encrypted: carried, never read
};

struct SId3v2 {
    int major = 0; // 2, 3 or 4; 0 when the file has no ID3v2 tag
    int revision = 0;
    quint8 flags = 0;
    QByteArray extended; // the extended header, as the tag holds it
    std::vector<SId3Frame> frames;
    qsizetype room = 0;    // bytes for frames and padding (the size field)
    QString damage;        // why the tag cannot be rewritten exactly; empty when it can
    bool cutShort = false; // the file ends inside the tag
};

// A file's tags as they are on disk: the whole ID3v2 region (empty when none) and the ID3v1 block
// (128 bytes, empty when none).
struct STagRegions {
    QByteArray id3v2;
    QByteArray id3v1;
    bool operator==(const STagRegions&) const = default;
};

// The regions of the open file; false with a reason when it cannot be read.
bool ReadTagRegions(int fd, STagRegions& regions, off_t& fileSize, QString& error);
// The ID3v2 region cut into frames.
SId3v2 ParseId3v2(const QByteArray& region);

// The ID3v2 region of `tag` holding `frames` (complete frames as the tag holds them, in order):
// same version (ID3v2.2 becomes 2.3), flags and extended header; padding keeps the region's old
// size where the frames fit, the tag grows otherwise. Empty with a reason when it cannot be done.
QByteArray RenderId3v2(const SId3v2& tag, qsizetype oldRegionSize, const std::vector<QByteArray>& frames,
                       QString& error);

// A frame header in the tag's version (3 or 4) for `size` bytes of data, no flags.
QByteArray Id3FrameHeader(const QByteArray& id, int major, qsizetype size);

// A frame rendered without format flags as the tag needs it (unsynchronised where the tag says
// all its frames are).
QByteArray FitFrameToTag(const SId3v2& tag, const QByteArray& frame);

// Checks the copy's tag regions beyond their bytes (the frames read back as meant, say).
using FCheckRegions = std::function<bool(const STagRegions& copy, QString& error)>;
// Puts `replacement` in place of the file's tag regions by a verified replace: the file must still
// hold `old` (and match `stamp` when given); the audio between them is carried over and compared.
bool ReplaceTagRegions(const QByteArray& path, const SFileStamp* stamp, const STagRegions& old,
                       const STagRegions& replacement, const FCheckRegions& check, QString& error);
bool ReadTagRegions(const QByteArray& path, STagRegions& regions, QString& error);
// The same, reading the old regions first: for putting back a tag kept earlier, byte for byte.
bool ReplaceTagRegions(const QByteArray& path, const STagRegions& replacement, QString& error);
