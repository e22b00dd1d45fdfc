// Paths that keep every byte of the file system's names. A path is text everywhere in the
// program; a byte that is not part of valid UTF-8 stands in it as U+DC80..U+DCFF (a lone low
// surrogate, which UTF-8 text can never hold), so that the text turns back into exactly the
// bytes it came from. Qt's own file access would turn such bytes into U+FFFD and lose the file,
// so these paths are opened and written through their bytes.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QFile;

QString PathFromBytes(const QByteArray& bytes);
QByteArray PathToBytes(const QString& path);
// True when the path holds bytes that are not UTF-8.
bool IsRawPath(const QString& path);
// The command line, each argument keeping its bytes.
QStringList RawArguments(int argc, char** argv);

// The file name part for showing: names that are not UTF-8 read in their 8-bit code page.
QString DisplayFileName(const QString& path);
// The whole path for showing, the same way.
QString DisplayPath(const QString& path);

// Opens for reading through the path's bytes.
bool OpenForReading(QFile& file, const QString& path);
// Writes bytes to a path that is not UTF-8: a complete copy in the same folder, flushed, given
// the old file's mode, renamed over the old one. False with the system's reason in error.
bool ReplaceFileRaw(const QString& path, const QByteArray& bytes, QString& error);

// A path as the settings store keeps it: as it is, or for a path that is not UTF-8 a "file:" URL
// with its bytes percent-encoded, since the store keeps text only.
QString PathToProfile(const QString& path);
QString PathFromProfile(const QString& stored);

// The file dialogs show a name that is not UTF-8 with U+FFFD in place of its bytes and return
// it so; this finds the one file of the folder that the name stands for. The path unchanged when
// it exists or nothing (or more than one file) matches.
QString ResolveDialogPath(const QString& chosen);
