// The private settings store every test of this suite runs against.
#pragma once

#include "Settings.h"

#include <QByteArray>
#include <QFile>
#include <QSettings>
#include <QString>
#include <QVariant>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// $XDG_CONFIG_HOME of the test process: a temporary folder made before anything touched the store.
QString TestConfigHome();

inline QString StoreFile() {
    return QSettings(u"ZDK"_s, u"Lt"_s).fileName();
}

// Plants a value the way another writer (an older version, a hand edit) would have left it.
inline void Plant(const QString& entry, const QVariant& value) {
    QSettings settings(u"ZDK"_s, u"Lt"_s);
    settings.setValue(u"Settings/"_s + entry, value);
}

inline QVariant Stored(const QString& entry) {
    return QSettings(u"ZDK"_s, u"Lt"_s).value(u"Settings/"_s + entry);
}

// Replaces the whole store file with hand-written INI text.
void WriteRawStore(const QByteArray& ini);

// Each test starts from an empty store and a fresh settings object.
class StoreTest : public ::testing::Test {
protected:
    CSettings settings;

    void SetUp() override {
        QSettings settings(u"ZDK"_s, u"Lt"_s);
        settings.clear();
    }
};
