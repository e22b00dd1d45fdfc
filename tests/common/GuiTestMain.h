// The start of every GUI test program: a private settings location (the store's location is
// fixed when it is first used, so it is made before anything runs) and the offscreen platform
// unless the caller chose another one (e.g. xcb under Xvfb for screenshots).
#pragma once

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// False when no temporary folder could be made; the folder lives as long as configHome.
inline bool PreparePrivateGuiEnvironment(QTemporaryDir& configHome) {
    if (!configHome.isValid())
        return false;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome.path()));
    // Batch runs keep journals of their changes: a test's stay with its settings.
    qputenv("XDG_STATE_HOME", QFile::encodeName(configHome.path() + QStringLiteral("/state")));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return true;
}

// Runs one QtTest object in such an environment.
template <class TTest> int RunGuiTest(int argc, char** argv) {
    QTemporaryDir configHome;
    if (!PreparePrivateGuiEnvironment(configHome))
        return 2;
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    TTest test;
    return QTest::qExec(&test, argc, argv);
}
