#include "Settings.h"

#include "CCharTable.h"
#include "CProfile.h"
#include "ResourceIds.h"

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
CIntSetting g_interLang{"InterLang", kLangEnglish};
CStringSetting g_lastDir{"LastDir"};
CIntSetting g_progressX{"X", -1};
CIntSetting g_progressY{"Y", -1};
CIntSetting g_latinSpelling{"LatinSpelling", 0, 0, kLatinSchemeCount - 1, 0};
CIntSetting g_mp3Spelling{"Mp3Spelling", -1, -1, kLatinSchemeCount - 1, -1};
CIntSetting g_renamerSpelling{"RenamerSpelling", -1, -1, kLatinSchemeCount - 1, -1};

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
