// The renamer dialog driven as a user drives it: rows, colours, double clicks, the buttons.
#include "CCharTable.h"
#include "CColorListCtrl.h"
#include "DFileRenamer.h"

#include "../common/BatchDialogTest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <iterator>
#include <unistd.h>

class TestRenamerDialog : public QObject {
    Q_OBJECT

private:
    CBatchDialogTestDirs m_dirs;

    QByteArray Dir() const { return m_dirs.Dir(); }
    void File(const QByteArray& name, const char* content = "x") { std::ofstream(Dir() + name) << content; }
    static std::string ReadAll(const QByteArray& path) {
        std::ifstream in(path.toStdString(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static QPushButton* Button(DFileRenamer& dialog, const QString& text) { return FindButton(dialog, text); }

private slots:
    void initTestCase() {
        m_dirs.UsePrivateLocations();
        g_charTable.SetDefaultKeys();
        QDir(QFile::decodeName(Dir())).mkdir(QStringLiteral("Папка"));
        File("Привет.txt");
        File("Privet.txt", "keep me");
        File("\xCF\xF0\xE8\xE2\xE5\xF2-1251.txt");
        File("ascii.txt");
    }

    void listsRowsWithColours() {
        DFileRenamer dialog(m_dirs.settings);
        dialog.SetPath(Dir());
        CColorListCtrl* list = dialog.List();
        QCOMPARE(list->GetItemCount(), 6);
        QCOMPARE(list->GetItemText(0, 0), QStringLiteral(".."));
        QCOMPARE(list->GetItemText(1, 0), QStringLiteral("Папка")); // folders first
        QCOMPARE(list->GetItemText(1, 1), QStringLiteral("Papka"));
        QCOMPARE(list->GetItemText(1, 3), QStringLiteral("Dir"));
        QCOMPARE(list->GetCellColor(1, 0), 4);
        QCOMPARE(list->GetCellColor(1, 1), 9);
        // Files come in the file system's order: each is found by its name, every one checked.
        QStringList names;
        for (int row = 2; row < 6; ++row)
            names << list->GetItemText(row, 0);
        const struct {
            const char* name;
            const char* proposal;
            int colour;
            const char* onDisk; // column 2: the bytes on disk when they are not UTF-8
        } files[] = {{"Привет-1251.txt", "Privet-1251.txt", 4, "Ïðèâåò-1251.txt"},
                     {"Привет.txt", "Privet.txt  [the new name is taken]", 4, ""},
                     {"Privet.txt", "", 0, ""},
                     {"ascii.txt", "", 0, ""}};
        for (const auto& file : files) {
            const int row = 2 + names.indexOf(QString::fromUtf8(file.name));
            QVERIFY2(row >= 2, file.name);
            QCOMPARE(list->GetItemText(row, 1), QString::fromUtf8(file.proposal));
            QCOMPARE(list->GetItemText(row, 2), QString::fromUtf8(file.onDisk));
            QCOMPARE(list->GetItemText(row, 3), QStringLiteral("File"));
            QCOMPARE(list->GetCellColor(row, 0), file.colour);
        }
    }

    void doubleClickMovesDownAndUp() {
        DFileRenamer dialog(m_dirs.settings);
        dialog.SetPath(Dir());
        dialog.OpenRow(1);
        QCOMPARE(dialog.Path(), Dir() + "Папка/");
        QCOMPARE(dialog.List()->GetItemCount(), 1);
        dialog.OpenRow(0);
        QCOMPARE(dialog.Path(), Dir());
        dialog.SetPath("/");
        QVERIFY(dialog.List()->GetItemCount() == 0 ||
                dialog.List()->GetItemText(0, 0) != QStringLiteral(".."));
    }

    // The Cyrillic target proposes the UTF-8 Russian of the 8-bit name only; the choice and the
    // compose box are remembered.
    void cyrillicTargetProposesRussianAndIsRemembered() {
        {
            DFileRenamer dialog(m_dirs.settings);
            dialog.SetPath(Dir());
            dialog.TargetCombo()->setCurrentIndex(1);
            dialog.ComposeCheck()->setChecked(true);
            CColorListCtrl* list = dialog.List();
            QCOMPARE(list->horizontalHeaderItem(1)->text(), QStringLiteral("New name"));
            for (int row = 1; row < list->GetItemCount(); ++row) {
                const QString name = list->GetItemText(row, 0);
                QCOMPARE(list->GetItemText(row, 1),
                         name == QStringLiteral("Привет-1251.txt") ? name : QString());
            }
            const QString grabDir = qEnvironmentVariable("LT_GRAB_DIR");
            if (!grabDir.isEmpty()) {
                dialog.show();
                QTest::qWait(200);
                dialog.grab().save(grabDir + QStringLiteral("/file-renamer-cyrillic.png"));
            }
        }
        DFileRenamer again(m_dirs.settings);
        QCOMPARE(again.TargetCombo()->currentIndex(), 1);
        QVERIFY(again.ComposeCheck()->isChecked());
        again.TargetCombo()->setCurrentIndex(0);
        again.ComposeCheck()->setChecked(false);
    }

    void renameAllReportsWhatWasRefused() {
        const QString grabDir = qEnvironmentVariable("LT_GRAB_DIR");
        DFileRenamer dialog(m_dirs.settings);
        dialog.SetPath(Dir());
        if (!grabDir.isEmpty()) {
            dialog.show();
            QTest::qWait(200);
            dialog.grab().save(grabDir + QStringLiteral("/file-renamer.png"));
        }
        AnswerReports();
        QPushButton* renameAll = Button(dialog, QStringLiteral("Rename All"));
        QVERIFY(renameAll);
        QTest::mouseClick(renameAll, Qt::LeftButton);
        QVERIFY2(LastReport().startsWith(QStringLiteral("2 renamed, 1 not renamed.")),
                 qPrintable(LastReport()));
        QVERIFY(LastReport().contains(QStringLiteral("the new name is taken")));
        QVERIFY(QFile::exists(QFile::decodeName(Dir()) + QStringLiteral("/Papka")));
        QVERIFY(QFile::exists(QFile::decodeName(Dir()) + QStringLiteral("/Privet-1251.txt")));
        QVERIFY(QFile::exists(QFile::decodeName(Dir()) +
                              QStringLiteral("/Привет.txt"))); // refused: left as it was
        QFile kept(QFile::decodeName(Dir()) + QStringLiteral("/Privet.txt"));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("keep me"));
        // The list shows the folder as it is now; the refused name still has its proposal, in red
        // with the reason, and the summary counts it.
        QCOMPARE(dialog.List()->GetItemCount(), 6);
        bool shown = false;
        for (int row = 0; row < 6; ++row) {
            if (dialog.List()->GetItemText(row, 0) == QStringLiteral("Привет.txt")) {
                QCOMPARE(dialog.List()->GetItemText(row, 1),
                         QStringLiteral("Privet.txt  [the new name is taken]"));
                QCOMPARE(dialog.List()->GetCellColor(row, 1), 4);
                shown = true;
            }
        }
        QVERIFY(shown);
        QVERIFY(dialog.findChildren<QLabel*>().size() > 0);
        bool summary = false;
        for (QLabel* label : dialog.findChildren<QLabel*>())
            summary |= label->text() == QStringLiteral("0 to rename, 1 would be refused.");
        QVERIFY(summary);

        // Undo Last Run puts both names back, and a second time does nothing.
        QPushButton* undo = Button(dialog, QStringLiteral("Undo Last Run"));
        QVERIFY(undo);
        Modal::NextMessageBoxAnswer(QMessageBox::Yes); // the preview asks first
        QTest::mouseClick(undo, Qt::LeftButton);
        QCOMPARE(LastReport(), QStringLiteral("2 undone, 0 not undone."));
        QVERIFY(QFile::exists(QFile::decodeName(Dir()) + QStringLiteral("/Папка")));
        QCOMPARE(access((Dir() + "\xCF\xF0\xE8\xE2\xE5\xF2-1251.txt").constData(), F_OK), 0);
        QVERIFY(!QFile::exists(QFile::decodeName(Dir()) + QStringLiteral("/Papka")));
        QTest::mouseClick(undo, Qt::LeftButton);
        QCOMPARE(LastReport(), QStringLiteral("That run was undone already."));
        QTest::mouseClick(renameAll, Qt::LeftButton); // as before, for the tests after this one
    }

    void remembersTheFolder() {
        {
            DFileRenamer dialog(m_dirs.settings);
            dialog.SetPath(Dir() + "Papka");
            dialog.reject();
        }
        DFileRenamer again(m_dirs.settings);
        QCOMPARE(again.Path(), Dir() + "Papka/");
    }

    void playlistOfTheFolderFollowsAndIsUndone() {
        QDir(QFile::decodeName(Dir())).mkdir(QStringLiteral("pl"));
        File("pl/Песня.flac");
        File("pl/list.m3u8", "#EXTM3U\nПесня.flac\n");
        DFileRenamer dialog(m_dirs.settings);
        dialog.SetPath(Dir() + "pl");
        AnswerReports();
        QTest::mouseClick(Button(dialog, QStringLiteral("Rename All")), Qt::LeftButton);
        const auto playlist = [&] { return QByteArray::fromStdString(ReadAll(Dir() + "pl/list.m3u8")); };
        QCOMPARE(playlist(), QByteArray("#EXTM3U\nPesnja.flac\n"));
        Modal::NextMessageBoxAnswer(QMessageBox::Yes);
        QTest::mouseClick(Button(dialog, QStringLiteral("Undo Last Run")), Qt::LeftButton);
        QCOMPARE(LastReport(), QStringLiteral("2 undone, 0 not undone."));
        QCOMPARE(playlist(), QByteArray("#EXTM3U\nПесня.flac\n"));
    }

    // The line under the list says beforehand which playlists follow the rows marked, and why
    // one would not; it is planned again when the marks change.
    void playlistLineSaysWhatWouldFollow() {
        QDir(QFile::decodeName(Dir())).mkdir(QStringLiteral("pp"));
        File("pp/Один.flac");
        File("pp/Два.flac");
        File("pp/party.m3u8", "#EXTM3U\nОдин.flac\nДва.flac\nascii.flac\n");
        const std::u16string wide = u"\uFEFFОдин.flac\n"; // UTF-16LE: counted, never rewritten
        std::ofstream(Dir() + "pp/wide.m3u", std::ios::binary)
            .write(reinterpret_cast<const char*>(wide.data()), std::streamsize(wide.size() * 2));
        DFileRenamer dialog(m_dirs.settings);
        dialog.SetPath(Dir() + "pp");
        QLabel* line = dialog.PlaylistLine();
        QTRY_VERIFY(!line->isHidden());
        QCOMPARE(line->text(),
                 QStringLiteral("Playlists that follow: party.m3u8 (2 entries)\n"
                                "Playlists that would not follow: wide.m3u (1 entry): written in "
                                "UTF-16LE, which is not rewritten; save it as UTF-8 first"));
        std::vector<int> rows;
        for (int row = 0; row < dialog.List()->GetItemCount(); ++row) {
            if (dialog.List()->GetItemText(row, 0).endsWith(QStringLiteral(".flac")))
                rows.push_back(row);
        }
        QCOMPARE(rows.size(), std::size_t(2));
        dialog.SkipRows({rows[0]}, true);
        QTRY_VERIFY(line->text().startsWith(QStringLiteral("Playlists that follow: party.m3u8 (1 entry)")));
        dialog.SkipRows(rows, true);
        QTRY_VERIFY(line->isHidden());
        QCOMPARE(ReadAll(Dir() + "pp/party.m3u8"), "#EXTM3U\nОдин.flac\nДва.flac\nascii.flac\n");
    }
};

QTEST_MAIN(TestRenamerDialog)
#include "test_renamerdialog.moc"
