// A folder path (bytes on disk) as the text of a setting, and back. A path that is valid UTF-8
// is stored as it reads, as it always was; any other (a name in CP1251, say) is stored
// percent-encoded, slashes too, so that it starts with "%" where a stored path never does.
#pragma once

#include <QByteArray>
#include <QString>

class CSettings;

QString RawPathToSetting(const QByteArray& path);
QByteArray RawPathFromSetting(const QString& text);

// The folder last shown by the MP3 tool or the renamer ("LastDir"), when it still exists; else
// the current folder. Remembering keeps the raw bytes of the name.
QByteArray LastFolder(CSettings& settings);
void RememberFolder(CSettings& settings, const QByteArray& path);
