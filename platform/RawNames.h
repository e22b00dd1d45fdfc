// Names kept as bytes turned into text: read as the program reads any text, and shown with every
// byte visible. One place for both, so that the folder picker, the renamer, the MP3 tool and the
// command line show the same text for a name. Reading folders is in FolderFd.h.
#pragma once

#include "FolderFd.h" // most code that reads names lists folders too
#include "TextEncoding.h"

#include <QByteArray>
#include <QString>

#include <optional>

// A short text kept as bytes (a name, an 8-bit tag text) read as the program reads any text: the
// reading rule (valid, plausible UTF-8; else the 8-bit Cyrillic detector), a Cyrillic reading
// taken only when it gives plausible Russian, Windows-1252 otherwise. A user who knows better
// forces the encoding; the text is then read in it whatever the rule says.
struct SShortText {
    QString text;
    ETextEncoding encoding = ETextEncoding::kUtf8; // what the text was read in
    bool russian = false;                          // it holds Russian letters
    bool repaired = false; // double-encoded text ("РџСЂРёРІРµС‚") turned back into Russian
    bool invalid = false;  // UTF-8 with stray bytes, shown as U+FFFD
};
// The text is in Unicode normal form C ("Й", not "И" and a breve, as some systems write names).
// `forced` applies to bytes that are not valid UTF-8, and to valid UTF-8 too when `forceOnUtf8`
// (the user chose the reading for this very text).
SShortText ReadShortText(const QByteArray& bytes, std::optional<ETextEncoding> forced = std::nullopt,
                         bool forceOnUtf8 = true);
// A text that was double-encoded and repairs to Russian becomes the Russian; true when it did.
// Anything else stays as it is.
bool RepairShortText(QString& text);

// The text of a name by ReadShortText. *codePage (when given) receives the code page used: 0 for
// UTF-8, else 866, 1251, 20866 or 1252.
QString DecodeRawName(const QByteArray& name, unsigned* codePage = nullptr);

// A name (or path) as text that shows every byte: valid UTF-8 stays as it is, a backslash doubles,
// control characters become \n, \t, \r or \xHH and bytes that are not valid UTF-8 become \xHH, as
// `ls --quoting-style=escape` shows them; so do the bytes of invisible format characters
// (U+202E and the like), which would make a listing lie about the name. EscapedToRaw reads it back; false on
// a bad escape.
QByteArray RawToEscaped(const QByteArray& raw);
bool EscapedToRaw(const QByteArray& escaped, QByteArray& raw);
// A decoded name as a dialog shows it: controls and invisible format characters (U+202E, which
// would show the rest of a name reversed) become "\u202E", everything else stays as it is.
QString ShownName(const QString& name);
