// The document's file on disk: reading it with the system's reason for a failure, replacing it only
// through a verified copy, noticing that another program changed it, and the recovery files that
// keep unsaved text across a crash.
#pragma once

#include "SafeFile.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <vector>

// What the document last read from or wrote to its file.
struct SDiskState {
    SFileStamp stamp;
    QByteArray hash; // of the content
    bool known = false;
};

QByteArray ContentHash(const QByteArray& bytes);

// Reads the whole file. On false, *error is the reason for the user and *code the errno (EISDIR
// for a folder, ENOENT for a missing file).
bool ReadDocumentFile(const QString& path, QByteArray& bytes, SDiskState& state, QString& error, int& code);

// The file as it is now: gone (exists false), or its stamp and content hash.
SDiskState CurrentDiskState(const QString& path, bool& exists);

// How a save went beyond success: written in place because the folder takes no new file.
struct SWriteResult {
    bool inPlace = false;
    SDiskState state; // of the file as written
};
// Replaces (or creates) the file with bytes through a verified copy. A folder that lets us make
// no copy but a file we may write is rewritten in place, and only once a verified copy of the
// bytes is kept in keepFolder (removed after the rewrite is verified). False with the reason.
bool WriteDocumentFile(const QString& path, const QByteArray& bytes, const QString& keepFolder,
                       SWriteResult& result, QString& error);

// Removes what interrupted saves of this file left beside it, and the older temporaries of saves
// under names that are not UTF-8.
void CleanSaveLeftovers(const QString& path);

// ---- Recovery files ----

// $XDG_STATE_HOME/lettrino/recovery
QString RecoveryFolder();

struct SRecovery {
    QString file;         // the recovery file
    QString documentPath; // empty for a document never saved
    QString title;
    QDateTime written;
    qint64 pid = 0;
    std::u16string text;
};
// Writes the text to the recovery file (mode 0600, verified replace).
bool WriteRecovery(const QString& file, const QString& documentPath, const QString& title,
                   const std::u16string& text, QString& error);
bool ReadRecovery(const QString& file, SRecovery& recovery);
// The recovery files no running editor is writing, newest first, each newer than its document.
std::vector<SRecovery> StaleRecoveries();
