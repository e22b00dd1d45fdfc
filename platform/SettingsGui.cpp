#include "SettingsGui.h"

#include "CCharTable.h"

#include <QStandardPaths>

namespace {

const char kCharsEntry[] = "Chars";
const char kFontEntry[] = "Font";
const char kFontListEntry[] = "FontList";

// Reads one of the two fonts; a missing or damaged value gives the default description.
void LoadFont(std::optional<CLogFont>& logFont, const char* entry, quint8 charSet) {
    logFont.emplace();
    QFont font;
    if (logFont->ReadProfile(kSettingsSection, entry))
        logFont->MakeFont(font, charSet);
    else
        logFont->MakeFont(font, charSet, CLogFont().m_height);
}

std::optional<QFont> MadeFont(const std::optional<CLogFont>& logFont) {
    if (!logFont)
        return std::nullopt;
    CLogFont description = *logFont;
    QFont font;
    description.MakeFont(font, description.m_charSet);
    return font;
}

} // namespace

std::optional<QFont> EditorFont(const CSettings& settings) {
    return MadeFont(settings.editorLogFont);
}

std::optional<QFont> ListFont(const CSettings& settings) {
    return MadeFont(settings.listLogFont);
}

bool LoadSettings(CSettings& settings) {
    // No process locale is set here: the conversions classify and case-map characters with their
    // own tables, so they behave the same whatever locale the user runs under.

    LoadFont(settings.editorLogFont, kFontEntry, kEditorCharSet);
    LoadFont(settings.listLogFont, kFontListEntry, kListCharSet);
    LoadKeys(g_charTable, kSettingsSection, kCharsEntry);
    for (CIntSetting* spelling : {&settings.latinSpelling, &settings.mp3Spelling, &settings.renamerSpelling})
        spelling->Load();

    // On Windows mail was offered when the system profile's MAPI switch was on and the Simple
    // MAPI library was installed. There is no such switch here: xdg-email, which hands a message
    // to the user's mail client, being installed is the whole test.
    settings.mailAvailable = !QStandardPaths::findExecutable(QStringLiteral("xdg-email")).isEmpty();
    return true;
}

void SaveSettingsOnExit(CSettings& settings) {
    SaveKeys(g_charTable, kSettingsSection, kCharsEntry);
    if (settings.editorLogFont)
        settings.editorLogFont->WriteProfile(kSettingsSection, kFontEntry);
    if (settings.listLogFont)
        settings.listLogFont->WriteProfile(kSettingsSection, kFontListEntry);
    settings.editorLogFont.reset();
    settings.listLogFont.reset();
}
