#include "Settings.h"

#include "CCharTable.h"
#include "CProfile.h"
#include "ResourceIds.h"

#include <QStringList>

#include <algorithm>

void CIntSetting::Set(int value) {
    value = std::clamp(value, m_low, m_setHigh);
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

int BatchSpelling(const CSettings& settings, const CIntSetting& remembered) {
    return remembered.Value() >= 0 ? remembered.Value() : settings.latinSpelling.Value();
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
