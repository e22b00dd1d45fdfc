// The settings that need Qt GUI: the two fonts, made from their stored descriptions, and mail
// availability; with them the start-up and exit of all settings.
#pragma once

#include "CLogFont.h"
#include "Settings.h"

#include <QFont>

#include <optional>

// The fonts made from the descriptions in the settings; none before LoadSettings and after
// SaveSettingsOnExit. The font commands replace a description after the user chose a new one.
inline constexpr quint8 kEditorCharSet = 204; // Cyrillic
inline constexpr quint8 kListCharSet = 1;     // default character set
std::optional<QFont> EditorFont(const CSettings& settings);
std::optional<QFont> ListFont(const CSettings& settings);

// Start-up: the fonts, the character table g_charTable and mail availability (xdg-email on the
// search path). Always true.
bool LoadSettings(CSettings& settings);
// Exit: writes the character table and both fonts, then frees the fonts.
void SaveSettingsOnExit(CSettings& settings);
