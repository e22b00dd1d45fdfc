// The renamer's corrections, as a user makes them: a name the detector misread read again as
// KOI8-R, fifty at once, rows skipped, Latin names typed over the proposals and checked.
#include "CCharTable.h"
#include "CColorListCtrl.h"
#include "DFileRenamer.h"
#include "RawNames.h"

#include "../common/BatchDialogTest.h"

#include <QDir>
#include <QLineEdit>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <unistd.h>

class TestRenamerReadAs : public QObject {
    Q_OBJECT

private:
    CBatchDialogTestDirs m_dirs;
    QString m_word;  // a word whose KOI8-R bytes the reading rule takes for Windows-1251
    QString m_latin; // its Latin form

    // A fresh folder for one test, with empty files of these names.
    QByteArray Folder(const char* name, const std::vector<QByteArray>& files) const {
        const QByteArray folder = m_dirs.Dir() + name + '/';
        QDir().mkpath(QFile::decodeName(folder));
        for (const QByteArray& file : files)
            std::ofstream(folder + file) << file.toHex().constData();
        return folder;
    }
    static int RowOf(const DFileRenamer& dialog, const QByteArray& onDisk) {
        for (int row = 0; row < dialog.List()->GetItemCount(); ++row)
            if (dialog.Entry(row)->onDisk == onDisk)
                return row;
        return -1;
    }
    static bool Exists(const QByteArray& path) { return ::access(path.constData(), F_OK) == 0; }

private slots:
    void initTestCase() {
        m_dirs.UsePrivateLocations();
        g_charTable.SetDefaultKeys();
        std::tie(m_word, m_latin) = Koi8WordReadAs1251(".txt");
        QVERIFY2(!m_word.isEmpty(), "the detector reads every candidate right");
        qInfo() << "KOI8-R" << m_word << "is read as Windows-1251 by the reading rule";
    }

    // Names that are not UTF-8 are beyond QDir: the folder goes by its bytes.
    void cleanupTestCase() { std::filesystem::remove_all(m_dirs.Dir().toStdString()); }

    void misreadNameReadAsKoi8IsRenamedAndUndone() {
        const QByteArray onDisk = Koi8Bytes(m_word) + ".txt";
        const QByteArray folder = Folder("one", {onDisk});
        DFileRenamer dialog(m_dirs.settings);
        AnswerReports();
        dialog.SetPath(folder);
        CColorListCtrl* list = dialog.List();
        const int row = RowOf(dialog, onDisk);
        QVERIFY(row > 0);
        QVERIFY(list->GetItemText(row, DFileRenamer::kColName) != m_word + ".txt"); // shown wrong
        QCOMPARE(list->GetItemText(row, DFileRenamer::kColReadIn), QStringLiteral("Windows-1251"));

        list->selectRow(row);
        QVERIFY(TriggerRowMenu(dialog, {QStringLiteral("Read as"), QStringLiteral("KOI8-R")}));
        QCOMPARE(list->GetItemText(row, DFileRenamer::kColName), m_word + ".txt");
        QCOMPARE(list->GetItemText(row, DFileRenamer::kColTranslit), m_latin + ".txt");
        QCOMPARE(list->GetItemText(row, DFileRenamer::kColReadIn), QStringLiteral("KOI8-R (chosen)"));
        QCOMPARE(list->GetCellColor(row, DFileRenamer::kColReadIn), kCodeOverridden);
        // "As detected" takes the row back to the program's reading, and again to the chosen one.
        QVERIFY(TriggerRowMenu(dialog, {QStringLiteral("Read as"), QStringLiteral("As detected")}));
        QCOMPARE(list->GetItemText(row, DFileRenamer::kColReadIn), QStringLiteral("Windows-1251"));
        QVERIFY(TriggerRowMenu(dialog, {QStringLiteral("Read as"), QStringLiteral("KOI8-R")}));
        QCOMPARE(list->GetItemText(row, DFileRenamer::kColName), m_word + ".txt");

        QTest::mouseClick(FindButton(dialog, QStringLiteral("Rename")), Qt::LeftButton);
        QVERIFY2(LastReport().isEmpty(), qPrintable(LastReport()));
        QVERIFY(Exists(folder + m_latin.toUtf8() + ".txt"));
        QVERIFY(!Exists(folder + onDisk));
        // The journal holds the rename with the old name's bytes.
        const QStringList journals = QDir(m_dirs.JournalFolder()).entryList(QDir::Files, QDir::Time);
        QVERIFY(!journals.isEmpty());
        QFile journal(m_dirs.JournalFolder() + '/' + journals.first());
        QVERIFY(journal.open(QIODevice::ReadOnly));
        const QByteArray record = journal.readAll();
        QVERIFY2(record.contains(RawToEscaped(onDisk)) && record.contains(m_latin.toUtf8() + ".txt"),
                 record.constData());

        Modal::NextMessageBoxAnswer(QMessageBox::Yes); // the preview asks first
        dialog.UndoLastRun();
        QCOMPARE(LastReport(), QStringLiteral("1 undone, 0 not undone."));
        QVERIFY(Exists(folder + onDisk));
        QVERIFY(!Exists(folder + m_latin.toUtf8() + ".txt"));
    }

    void fiftyRowsReadAtOnceAndOneSkipped() {
        std::vector<QByteArray> files;
        for (int i = 0; i < 50; ++i)
            files.push_back(Koi8Bytes(m_word) + '-' + QByteArray::number(i) + ".txt");
        files.push_back(QStringLiteral("Видео.txt").toUtf8()); // good UTF-8: not read as the others
        const QByteArray folder = Folder("fifty", files);
        DFileRenamer dialog(m_dirs.settings);
        AnswerReports();
        dialog.SetPath(folder);
        CColorListCtrl* list = dialog.List();
        list->selectAll();
        QVERIFY(TriggerRowMenu(dialog, {QStringLiteral("Read as"), QStringLiteral("KOI8-R")}));
        int right = 0;
        for (int row = 1; row < list->GetItemCount(); ++row)
            right += list->GetItemText(row, DFileRenamer::kColName).startsWith(m_word + '-');
        QCOMPARE(right, 50);
        QCOMPARE(list->GetItemText(RowOf(dialog, files.back()), DFileRenamer::kColName),
                 QStringLiteral("Видео.txt"));

        const int skipped = RowOf(dialog, files[7]);
        list->clearSelection();
        list->selectRow(skipped);
        QVERIFY(TriggerRowMenu(dialog, {QStringLiteral("Skip")}));
        QVERIFY(dialog.IsRowSkipped(skipped));
        QTest::mouseClick(FindButton(dialog, QStringLiteral("Rename All")), Qt::LeftButton);
        for (int i = 0; i < 50; ++i) {
            const QByteArray latin = folder + m_latin.toUtf8() + '-' + QByteArray::number(i) + ".txt";
            QCOMPARE(Exists(latin), i != 7);
        }
        QVERIFY(Exists(folder + files[7]));
    }

    void editedProposalIsUsedByRenameAll() {
        const QByteArray folder = Folder("edited", {"Щука.txt", "Лещ.txt"});
        DFileRenamer dialog(m_dirs.settings);
        AnswerReports();
        dialog.show();
        dialog.SetPath(folder);
        CColorListCtrl* list = dialog.List();
        // F2 on the Latin name, typed as a user types it.
        const int pike = RowOf(dialog, "Щука.txt");
        list->setCurrentCell(pike, DFileRenamer::kColName); // F2 edits the Latin name from any cell
        QTest::keyClick(list, Qt::Key_F2);
        auto* editor = list->findChild<QLineEdit*>();
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("pike.txt"));
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents(); // the editor commits after its own Return handling
        QCOMPARE(list->GetItemText(pike, DFileRenamer::kColTranslit), QStringLiteral("pike.txt"));
        QCOMPARE(list->GetCellColor(pike, DFileRenamer::kColTranslit), kCodeEdited);
        QVERIFY(dialog.EditProposal(RowOf(dialog, "Лещ.txt"), QStringLiteral("bream.txt")));
        QTest::mouseClick(FindButton(dialog, QStringLiteral("Rename All")), Qt::LeftButton);
        QVERIFY(Exists(folder + "pike.txt"));
        QVERIFY(Exists(folder + "bream.txt"));
        QVERIFY(!Exists(folder + "Shhuka.txt"));
    }

    void editedProposalRefusedWithReason_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("reason");
        QTest::newRow("existing") << QStringLiteral("taken.txt") << QStringLiteral("the name is taken");
        QTest::newRow("slash") << QStringLiteral("a/b.txt")
                               << QStringLiteral("the new name would not be a sound name");
        QTest::newRow("dot") << QStringLiteral(".")
                             << QStringLiteral("the new name would not be a sound name");
        QTest::newRow("dot dot") << QStringLiteral("..")
                                 << QStringLiteral("the new name would not be a sound name");
        QTest::newRow("zero byte") << QStringLiteral("a") + QChar(0) + QStringLiteral("b")
                                   << QStringLiteral("the new name would not be a sound name");
        QTest::newRow("256 bytes") << QString(256, QLatin1Char('x'))
                                   << QStringLiteral("the new name would be too long for the file system");
    }
    void editedProposalRefusedWithReason() {
        QFETCH(QString, typed);
        QFETCH(QString, reason);
        const QByteArray folder = Folder("refused", {"Щука.txt", "taken.txt"});
        DFileRenamer dialog(m_dirs.settings);
        AnswerReports();
        dialog.SetPath(folder);
        const int row = RowOf(dialog, "Щука.txt");
        QVERIFY(!dialog.EditProposal(row, typed));
        QCOMPARE(LastReport(), QStringLiteral("\"%1\" cannot be the new name: %2").arg(typed, reason));
        QCOMPARE(dialog.List()->GetItemText(row, DFileRenamer::kColTranslit), QStringLiteral("SHHuka.txt"));
    }

    void doubleClickOnAFolderStillOpensIt() {
        const QByteArray folder = Folder("open", {});
        QDir().mkpath(QFile::decodeName(folder + "Папка"));
        DFileRenamer dialog(m_dirs.settings);
        dialog.SetPath(folder);
        const int row = RowOf(dialog, "Папка");
        emit dialog.List()->cellDoubleClicked(row, DFileRenamer::kColTranslit);
        QCOMPARE(dialog.Path(), folder + "Папка/");
    }
};

QTEST_MAIN(TestRenamerReadAs)
#include "test_renamerreadas.moc"
