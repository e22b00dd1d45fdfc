// Undo Last Run in the MP3 dialog and in the Extra menu's sense: the run of the dialog's folder is
// previewed and asked about, the files come back byte for byte, a second undo does nothing, a
// text without a key is held back with its reason, and another folder's run is never touched.
#include "CCharTable.h"
#include "CColorListCtrl.h"
#include "DFileMp3.h"
#include "Mp3TestFiles.h"

#include "../common/BatchDialogTest.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class TestMp3UndoDialog : public QObject {
    Q_OBJECT

private:
    CBatchDialogTestDirs m_dirs;

    QByteArray Dir() const { return m_dirs.Dir(); }
    static QPushButton* Button(DFileMp3& dialog, const QString& text) { return FindButton(dialog, text); }

private slots:
    void initTestCase() {
        m_dirs.UsePrivateLocations();
        // The default keys but б's.
        g_charTable.KeysFromText(
            u"01a|03v|04g|05d|06e|07jo|08zh|09z|10i|11j|12k|13l|14m|15n|16o|17p|18r|19s|20t");
        QVERIFY(WriteTestMp3(
            Dir() + "a.mp3", 3,
            {{"TIT2", Cp1251(QStringLiteral("Привет")), {}, false}, {"TPE1", "ABBA", {}, false}}));
        QVERIFY(AddTestId3v1(Dir() + "a.mp3", Cp1251(QStringLiteral("Привет")), "ABBA", "", "", 2001));
        QVERIFY(WriteTestMp3(
            Dir() + "b.mp3", 4,
            {{"TALB", {}, QStringLiteral("Рассвет"), false}, {"TIT2", {}, QStringLiteral("Баба"), false}}));
    }

    void renameAllThenUndo() {
        const QByteArray a = ReadBytes(Dir() + "a.mp3");
        const QByteArray b = ReadBytes(Dir() + "b.mp3");
        DFileMp3 dialog(m_dirs.settings);
        dialog.SetPath(Dir());
        AnswerReports();
        QTest::mouseClick(Button(dialog, QStringLiteral("Rename All")), Qt::LeftButton);
        // Б has no key: that text stays, with the reason; the rest is written.
        QVERIFY2(LastReport().contains(QStringLiteral("b.mp3: TIT2: no key for «Б»")),
                 qPrintable(LastReport()));
        QVERIFY(ReadBytes(Dir() + "a.mp3") != a);
        QVERIFY(ReadBytes(Dir() + "b.mp3") != b);

        QPushButton* undo = Button(dialog, QStringLiteral("Undo Last Run"));
        QVERIFY(undo);
        // Answered "No", the preview changes nothing; it names the tool, the folder and each file.
        Modal::NextMessageBoxAnswer(QMessageBox::No);
        QTest::mouseClick(undo, Qt::LeftButton);
        QVERIFY2(LastReport().contains(QStringLiteral("Undo the run of mp3")) &&
                     LastReport().contains(QStringLiteral("a.mp3")) &&
                     LastReport().contains(QStringLiteral("b.mp3")),
                 qPrintable(LastReport()));
        QVERIFY(ReadBytes(Dir() + "a.mp3") != a);
        Modal::NextMessageBoxAnswer(QMessageBox::Yes);
        QTest::mouseClick(undo, Qt::LeftButton);
        QCOMPARE(LastReport(), QStringLiteral("2 undone, 0 not undone."));
        QCOMPARE(ReadBytes(Dir() + "a.mp3"), a);
        QCOMPARE(ReadBytes(Dir() + "b.mp3"), b);
        QTest::mouseClick(undo, Qt::LeftButton);
        QCOMPARE(LastReport(), QStringLiteral("That run was undone already."));
        QCOMPARE(ReadBytes(Dir() + "a.mp3"), a);
    }

    void anotherFoldersRunIsNotUndoneHere() {
        QTemporaryDir other;
        const QByteArray b = QFile::encodeName(other.path()) + "/b.mp3";
        QVERIFY(WriteTestMp3(b, 3, {{"TIT2", Cp1251(QStringLiteral("Другая")), {}, false}}));
        DFileMp3 there(m_dirs.settings);
        there.SetPath(QFile::encodeName(other.path()) + '/');
        AnswerReports();
        QTest::mouseClick(Button(there, QStringLiteral("Rename All")), Qt::LeftButton);
        const QByteArray written = ReadBytes(b);
        DFileMp3 here(m_dirs.settings);
        here.SetPath(Dir());
        Modal::NextMessageBoxAnswer(QMessageBox::Yes);
        QTest::mouseClick(Button(here, QStringLiteral("Undo Last Run")), Qt::LeftButton);
        QVERIFY2(!LastReport().contains(QStringLiteral("undone,")), qPrintable(LastReport()));
        QCOMPARE(ReadBytes(b), written);
    }
};

QTEST_MAIN(TestMp3UndoDialog)
#include "test_mp3undodialog.moc"
