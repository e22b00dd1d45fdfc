#include "EditorTest.h"

#include "CCharTable.h"

#include "../common/GuiTestMain.h"

#include <QApplication>
#include <QTest>

void TypeKeys(QWidget* widget, const QString& keys) {
    const QStringList lines = keys.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            QTest::keyClick(widget, Qt::Key_Return);
        QTest::keyClicks(widget, lines[i]);
    }
}

int main(int argc, char** argv) {
    // Settings go to a private location, never the user's.
    QTemporaryDir configHome;
    if (!PreparePrivateGuiEnvironment(configHome))
        return 2;
    QApplication app(argc, argv);
    g_charTable.SetDefaultKeys();
    int failures = 0;
    TestEditorView view;
    failures += QTest::qExec(&view, argc, argv);
    TestDocument document;
    failures += QTest::qExec(&document, argc, argv);
    return failures == 0 ? 0 : 1;
}
