// The profile store: the program's persistent settings by section and entry, the way the editor
// has always kept them (a company key "ZDK", the application "Lt", one group per section). On
// Linux this is $XDG_CONFIG_HOME/ZDK/Lt.conf (by default ~/.config/ZDK/Lt.conf), on Windows the
// registry key HKEY_CURRENT_USER\Software\ZDK\Lt.
//
// Every call opens the store afresh and every write reaches the disk before it returns, so the
// editor and lettrino-cli always see each other's latest values. Nothing here throws; bad or
// missing stored data reads as the caller's default.
#pragma once

#include <QString>

// The integer of the entry; the default when the entry is absent or does not hold an integer
// (text, a list, a number outside the int range), as a registry value of the wrong type would.
int GetProfileInt(const QString& section, const QString& entry, int defaultValue);

// The text of the entry; the default when the entry is absent. Text that holds commas reads back
// whole, also when someone edited the file by hand and left the commas unquoted.
QString GetProfileString(const QString& section, const QString& entry, const QString& defaultValue = {});

// Both give false when the store could not be written.
bool WriteProfileInt(const QString& section, const QString& entry, int value);
bool WriteProfileString(const QString& section, const QString& entry, const QString& value);
