#include "Settings.h"

#include "CCharTable.h"
#include "CProfile.h"
#include "ResourceIds.h"

#include <QStringList>

namespace {

CSettings* s_current = nullptr;

} // namespace

CSettings::CSettings(QObject* parent) : QObject(parent), m_previous(s_current) {
    s_current = this;
}

CSettings::~CSettings() {
    if (s_current == this)
        s_current = m_previous;
}

CSettings& AppSettings() {
    // Code that runs before the application object made its own (and tests that need no fresh
    // one) gets the defaults.
    static CSettings fallback;
    return s_current != nullptr ? *s_current : fallback;
}

void CIntSetting::Set(int value) {
    if (value == m_value)
        return;
    m_value = value;
    emit m_owner->Changed(QString::fromLatin1(m_name));
}

void CStringSetting::Set(const QString& value) {
    if (value == m_value)
        return;
    m_value = value;
    emit m_owner->Changed(QString::fromLatin1(m_name));
}

int CIntSetting::Load() {
    Set(Normalised(GetProfileInt(kSettingsSection, m_name, m_default)));
    return m_value;
}

bool CIntSetting::Save() const {
    return WriteProfileInt(kSettingsSection, m_name, m_value);
}

const QString& CStringSetting::Load() {
    Set(GetProfileString(kSettingsSection, m_name));
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
    return remembered.Value() >= 0 ? remembered.Value() : AppSettings().latinSpelling.Value();
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
