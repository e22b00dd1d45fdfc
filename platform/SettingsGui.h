// The settings that need Qt GUI: the two fonts, made from their stored descriptions, and mail
// availability; with them the start-up and exit of all settings.
#pragma once

#include "CLogFont.h"
#include "Settings.h"

#include <QFont>

#include <memory>

// The fonts: descriptions and the fonts made from them. They exist from LoadSettings to
// SaveSettingsOnExit; the font commands replace a font after the user chose a new one.
inline constexpr quint8 kEditorCharSet = 204;     // Cyrillic
inline constexpr quint8 kListCharSet = 1;         // default character set
extern std::unique_ptr<CLogFont> g_editorLogFont; // "Font"
extern std::unique_ptr<QFont> g_editorFont;
extern std::unique_ptr<CLogFont> g_listLogFont; // "FontList"
extern std::unique_ptr<QFont> g_listFont;

// True when a mail client can be handed a message (xdg-email is on the search path).
extern bool g_bMailAvailable;

// Start-up: the fonts, the character table g_charTable and mail availability. Always true.
bool LoadSettings();
// Exit: writes the character table and both fonts, then frees the fonts.
void SaveSettingsOnExit();
