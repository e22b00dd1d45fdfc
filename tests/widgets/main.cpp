#include "WidgetsTests.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    // The progress window writes its position to the settings store; the tests keep theirs in a
    // folder of their own, made before anything opens the store.
    QTemporaryDir configHome;
    if (!configHome.isValid())
        return 2;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome.path()));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int failed = RunColorListTests(argc, argv);
    failed += RunGetPathTests(argc, argv);
    failed += RunProgressWndTests(argc, argv);
    return failed;
}
