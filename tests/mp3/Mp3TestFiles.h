// MP3 files for the tests, made at run time: a few frames of valid MPEG-1 Layer III audio and
// tags written with TagLib (or by hand where TagLib cannot write them, as ID3v2.2).
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

#include <ostream>
#include <vector>

// Readable QString values in test failures.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

// A text frame as it is stored: raw bytes in ISO-8859-1, or a Unicode text.
struct STestFrame {
    QByteArray id;     // "TIT2", "COMM", ...
    QByteArray latin1; // raw bytes, used when unicode is empty
    QString unicode;   // stored as UTF-16 (or UTF-8 with utf8)
    bool utf8 = false;
};

// Frames of 417 bytes (128 kbit/s, 44.1 kHz) whose payload is a byte pattern.
QByteArray TestAudio(int frames = 8);

bool WriteBytes(const QByteArray& path, const QByteArray& bytes);
QByteArray ReadBytes(const QByteArray& path);

// The audio with an ID3v2 tag of the version (2, 3 or 4) holding the frames, plus a picture
// and a TXXX frame when `others`; version 0 writes no ID3v2 tag.
bool WriteTestMp3(const QByteArray& path, int version, const std::vector<STestFrame>& frames,
                  bool others = true);
// Adds an ID3v1 tag with raw Latin-1 fields (title, artist, album, comment; year).
bool AddTestId3v1(const QByteArray& path, const QByteArray& title, const QByteArray& artist,
                  const QByteArray& album, const QByteArray& comment, unsigned year);

// The bytes between the ID3v2 tag and the ID3v1 tag.
QByteArray AudioOf(const QByteArray& path);
// Every ID3v2 frame but the seven of the MP3 tool, as id + rendered field data, in order.
std::vector<QByteArray> OtherFrames(const QByteArray& path);
// The major version of the file's ID3v2 tag, 0 when none; whether it has an ID3v1 tag.
int Id3v2VersionOnDisk(const QByteArray& path);
bool HasId3v1OnDisk(const QByteArray& path);

// Hand-made tags, byte for byte: a frame (v2.3 sizes are plain, v2.4 synch-safe) and a tag
// around frames, with zero padding.
QByteArray Id3Frame(const QByteArray& id, const QByteArray& data, int major = 3, quint16 flags = 0);
QByteArray Id3Tag(int major, quint8 flags, const QByteArray& body, int padding = 0);
QByteArray SyncSafe(int size);

struct SRun {
    int status = -1;
    QString out;
    QString err;
};
SRun RunProgram(const QString& program, const QStringList& args);
// mutagen (python3-mutagen) reads the file on its own: "version N", then one line per frame in
// the file's order, unknown frames as their bytes; "error: ..." when it cannot.
QStringList MutagenFrames(const QByteArray& path);
bool HaveMutagen();

// Runs body as an ordinary user (nobody) when the tests run as root, else directly: permissions
// only mean something to an ordinary user. Gives body's result.
int AsOrdinaryUser(const std::function<int()>& body);

// "привет мир" style texts in the three code pages.
QByteArray Cp1251(const QString& text);
QByteArray Koi8r(const QString& text);
QByteArray Cp866(const QString& text);
