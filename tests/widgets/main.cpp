#include "../common/GuiTestMain.h"
#include "WidgetsTests.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    // The progress window writes its position to the settings store; the tests keep theirs in a
    // folder of their own, made before anything opens the store.
    QTemporaryDir configHome;
    if (!PreparePrivateGuiEnvironment(configHome))
        return 2;
    QApplication app(argc, argv);
    int failed = RunColorListTests(argc, argv);
    failed += RunGetPathTests(argc, argv);
    failed += RunProgressWndTests(argc, argv);
    return failed;
}
