#include "SettingsGui.h"

#include "CCharTable.h"

#include <QStandardPaths>

std::unique_ptr<CLogFont> g_editorLogFont;
std::unique_ptr<QFont> g_editorFont;
std::unique_ptr<CLogFont> g_listLogFont;
std::unique_ptr<QFont> g_listFont;
bool g_bMailAvailable = false;

namespace {

const char kCharsEntry[] = "Chars";
const char kFontEntry[] = "Font";
const char kFontListEntry[] = "FontList";

// Reads one of the two fonts; a missing or damaged value gives the default description.
void LoadFont(std::unique_ptr<CLogFont>& logFont, std::unique_ptr<QFont>& font, const char* entry,
              quint8 charSet) {
    logFont = std::make_unique<CLogFont>();
    font = std::make_unique<QFont>();
    if (logFont->ReadProfile(kSettingsSection, entry))
        logFont->MakeFont(*font, charSet);
    else
        logFont->MakeFont(*font, charSet, CLogFont().m_height);
}

} // namespace

bool LoadSettings() {
    // No process locale is set here: the conversions classify and case-map characters with their
    // own tables, so they behave the same whatever locale the user runs under.

    LoadFont(g_editorLogFont, g_editorFont, kFontEntry, kEditorCharSet);
    LoadFont(g_listLogFont, g_listFont, kFontListEntry, kListCharSet);
    LoadKeys(g_charTable, kSettingsSection, kCharsEntry);
    for (CIntSetting* spelling :
         {&AppSettings().latinSpelling, &AppSettings().mp3Spelling, &AppSettings().renamerSpelling})
        spelling->Load();

    // On Windows mail was offered when the system profile's MAPI switch was on and the Simple
    // MAPI library was installed. There is no such switch here: xdg-email, which hands a message
    // to the user's mail client, being installed is the whole test.
    g_bMailAvailable = !QStandardPaths::findExecutable(QStringLiteral("xdg-email")).isEmpty();
    return true;
}

void SaveSettingsOnExit() {
    SaveKeys(g_charTable, kSettingsSection, kCharsEntry);
    if (g_editorLogFont)
        g_editorLogFont->WriteProfile(kSettingsSection, kFontEntry);
    if (g_listLogFont)
        g_listLogFont->WriteProfile(kSettingsSection, kFontListEntry);
    g_editorLogFont.reset();
    g_editorFont.reset();
    g_listLogFont.reset();
    g_listFont.reset();
}
