#include "Settings.h"

#include "CCharTable.h"
#include "CProfile.h"

#include <QStandardPaths>
#include <QStringList>

// The table of settings. "CharList" is a further name the program once kept; nothing reads or
// writes it.
CStringSetting g_windowPos{"WindowPos"};
CIntSetting g_isPanel{"IsPanel", 0};
CIntSetting g_panelWidth{"PanelWidth", 150};
CIntSetting g_wrapText{"WrapText", 1};
CIntSetting g_autoClip{"AutoClip", 0};
CIntSetting g_tabStops{"TabStops", 4, 0, 24, 4};
CIntSetting g_beep{"Beep", 2, 0, 37, 0};
CIntSetting g_toolbarLarge{"ToolbarLarge", 1};
CIntSetting g_toolbarVertical{"ToolbarVertical", 1};
CIntSetting g_keysCtrlShift{"KeysCtrlShift", 0};
CIntSetting g_blueRus{"BlueRus", 1};
CIntSetting g_blueOrig{"BlueOrig", 0};
CIntSetting g_interLang{"InterLang", 32882};
CStringSetting g_lastDir{"LastDir"};
CIntSetting g_progressX{"X", -1};
CIntSetting g_progressY{"Y", -1};
CIntSetting g_latinSpelling{"LatinSpelling", 0, 0, kLatinSchemeCount - 1, 0};
CIntSetting g_mp3Spelling{"Mp3Spelling", -1, -1, kLatinSchemeCount - 1, -1};
CIntSetting g_renamerSpelling{"RenamerSpelling", -1, -1, kLatinSchemeCount - 1, -1};

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

int CIntSetting::Load() {
    m_value = Normalised(GetProfileInt(kSettingsSection, m_name, m_default));
    return m_value;
}

bool CIntSetting::Save() const {
    return WriteProfileInt(kSettingsSection, m_name, m_value);
}

const QString& CStringSetting::Load() {
    m_value = GetProfileString(kSettingsSection, m_name);
    return m_value;
}

bool CStringSetting::Save() const {
    return WriteProfileString(kSettingsSection, m_name, m_value);
}

bool ParseWindowPos(const QString& text, SWindowPos& pos) {
    const QStringList parts = text.split(u',');
    if (parts.size() != 5)
        return false;
    int numbers[5] = {};
    for (int i = 0; i < 5; ++i) {
        bool ok = false;
        numbers[i] = parts[i].toInt(&ok);
        if (!ok)
            return false;
    }
    pos = {numbers[0], numbers[1], numbers[2], numbers[3], numbers[4]};
    return true;
}

QString FormatWindowPos(const SWindowPos& pos) {
    return QStringLiteral("%1,%2,%3,%4,%5")
        .arg(pos.showState)
        .arg(pos.left)
        .arg(pos.top)
        .arg(pos.width)
        .arg(pos.height);
}

int BatchSpelling(const CIntSetting& remembered) {
    return remembered.Value() >= 0 ? remembered.Value() : g_latinSpelling.Value();
}

void StoreSpelling(CIntSetting& setting, int scheme) {
    setting.Set(setting.Normalised(scheme));
    setting.Save();
}

void LoadKeys(CCharTable& table, const QString& section, const QString& entry) {
    table.KeysFromStored(GetProfileString(section, entry).toStdU16String());
}

bool SaveKeys(const CCharTable& table, const QString& section, const QString& entry) {
    return WriteProfileString(section, entry, QString::fromStdU16String(table.KeysToText()));
}

bool LoadSettings() {
    // No process locale is set here: the conversions classify and case-map characters with their
    // own tables, so they behave the same whatever locale the user runs under.

    LoadFont(g_editorLogFont, g_editorFont, kFontEntry, kEditorCharSet);
    LoadFont(g_listLogFont, g_listFont, kFontListEntry, kListCharSet);
    LoadKeys(g_charTable, kSettingsSection, kCharsEntry);
    for (CIntSetting* spelling : {&g_latinSpelling, &g_mp3Spelling, &g_renamerSpelling})
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
