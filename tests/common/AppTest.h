// Start-up and a clean store for the tests that run the whole program.
#pragma once

#include "CLtApp.h"
#include "CMainFrame.h"
#include "CResourceModule.h"

#include <QMap>
#include <QSettings>
#include <QTest>

#include <memory>

// Runs start-up as main does, with the command line's files, and waits for the window.
inline std::unique_ptr<CLtApp> StartApp(const QStringList& files = {}) {
    auto app = std::make_unique<CLtApp>(QStringList{QStringLiteral("lettrino")} + files);
    if (app->InitInstance() && !QTest::qWaitForWindowExposed(app->MainFrame()))
        qWarning("main window not exposed");
    return app;
}

// Everything the store holds, to tell that something wrote nothing.
inline QMap<QString, QVariant> StoreSnapshot() {
    QSettings settings(QStringLiteral("ZDK"), QStringLiteral("Lt"));
    QMap<QString, QVariant> all;
    for (const QString& key : settings.allKeys())
        all[key] = settings.value(key);
    return all;
}

// Every stored setting gone, the interface English.
inline void ClearStore() {
    QSettings settings(QStringLiteral("ZDK"), QStringLiteral("Lt"));
    settings.clear();
    settings.sync();
    SetCurrentResources(kLangEnglish);
}
