#include "EditorTest.h"

#include "CCharTable.h"

#include <QApplication>
#include <QStandardPaths>
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
    QApplication app(argc, argv);
    // Settings go to a private test location, never the user's.
    QStandardPaths::setTestModeEnabled(true);
    g_charTable.SetDefaultKeys();
    int failures = 0;
    TestEditorView view;
    failures += QTest::qExec(&view, argc, argv);
    TestDocument document;
    failures += QTest::qExec(&document, argc, argv);
    return failures == 0 ? 0 : 1;
}
