// The MP3 dialog and the tag edit dialog driven as a user drives them.
#include "CCharTable.h"
#include "CColorListCtrl.h"
#include "CProgressWnd.h"
#include "DFileMp3.h"
#include "DTags.h"
#include "Mp3Tags.h"
#include "Mp3TestFiles.h"
#include "VorbisTags.h"
#include "VorbisTestFiles.h"

#include "../common/BatchDialogTest.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kPrivet = QStringLiteral("Привет мир");
const QByteArray kCyrName = "\xCF\xE5\xF1\xED\xFF.mp3"; // "Песня.mp3" in CP1251

int RowOf(const CColorListCtrl* list, const QString& name) {
    for (int row = 0; row < list->GetItemCount(); ++row)
        if (list->GetItemText(row, 0) == name)
            return row;
    return -1;
}

// Nothing can be written: a file size limit of 0 stands for a full disk.
void RenameAllOnAFullDisk(DFileMp3& dialog) {
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit none = old;
    none.rlim_cur = 0;
    setrlimit(RLIMIT_FSIZE, &none);
    dialog.RenameAll();
    setrlimit(RLIMIT_FSIZE, &old);
}

QString DiskText(const QByteArray& folder, const QByteArray& name, int column) {
    CCellTable grid(8);
    grid.AddRow();
    ReadRow(folder, name, grid, 0);
    return grid.CellText(0, column);
}

} // namespace

class TestMp3Dialog : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_settings;
    QTemporaryDir m_dir;
    CSettings m_settingsObject;

    QByteArray Dir() const { return QFile::encodeName(m_dir.path()) + '/'; }

    void MakeFiles() {
        QVERIFY(WriteTestMp3(Dir() + "a.mp3", 3,
                             {{"TIT2", Cp1251(kPrivet), {}, false}, {"TPE1", "ABBA", {}, false}}));
        QVERIFY(
            WriteTestMp3(Dir() + "b.MP3", 4, {{"TALB", Koi8r(QStringLiteral("Русская музыка")), {}, false}}));
        QVERIFY(WriteTestMp3(Dir() + kCyrName, 3, {{"TIT2", Cp866(QStringLiteral("Песня")), {}, false}}));
        QVERIFY(WriteBytes(Dir() + "c.mp3", "not audio"));
        QVERIFY(WriteBytes(Dir() + "notes.txt", "not listed"));
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("folder.mp3")));
    }

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_settings.path()));
        g_charTable.SetDefaultKeys();
        std::signal(SIGXFSZ, SIG_IGN);
    }

    void init() {
        QDir(m_dir.path()).removeRecursively();
        ::unlink((Dir() + kCyrName).constData());
        QDir().mkpath(m_dir.path());
        MakeFiles();
    }

    void cleanupTestCase() { ::unlink((Dir() + kCyrName).constData()); }

    void listsFilesWithColours() {
        DFileMp3 dialog(m_settingsObject);
        dialog.SetPath(Dir());
        CColorListCtrl* list = dialog.List();
        QCOMPARE(list->columnCount(), 9);
        QCOMPARE(list->horizontalHeaderItem(1)->text(), QStringLiteral("Album"));
        QCOMPARE(list->horizontalHeaderItem(7)->text(), QStringLiteral("Comment"));
        QCOMPARE(list->horizontalHeaderItem(8)->text(), QStringLiteral("Read in"));
        QCOMPARE(list->GetItemCount(), 5); // a, b, Песня, c, folder.mp3
        for (int row = 1; row < list->GetItemCount(); ++row)
            QVERIFY(dialog.RowName(row - 1) < dialog.RowName(row)); // by name, not the folder's order
        const int a = RowOf(list, QStringLiteral("a.mp3"));
        QCOMPARE(list->GetItemText(a, 3), kPrivet);
        QCOMPARE(list->GetCellColor(a, 3), 4);
        QCOMPARE(list->GetItemText(a, 2), QStringLiteral("ABBA"));
        QCOMPARE(list->GetCellColor(a, 2), 0);
        QCOMPARE(list->GetCellColor(a, 0), 0);
        const int b = RowOf(list, QStringLiteral("b.MP3"));
        QCOMPARE(list->GetItemText(b, 1), QStringLiteral("Русская музыка"));
        const int cyr = RowOf(list, QStringLiteral("Песня.mp3"));
        QVERIFY(cyr >= 0);
        QCOMPARE(list->GetItemText(cyr, 3), QStringLiteral("Песня"));
        for (const char* bad : {"c.mp3", "folder.mp3"}) {
            const int row = RowOf(list, QString::fromLatin1(bad));
            QCOMPARE(list->GetCellColor(row, 0), 4);
            QVERIFY(list->GetItemText(row, 3).isEmpty());
        }

        const QString grabDir = qEnvironmentVariable("LT_GRAB_DIR");
        if (!grabDir.isEmpty()) {
            list->selectRow(RowOf(list, QStringLiteral("Песня.mp3")));
            dialog.RenameSelected(); // Latin now, still marked
            list->clearSelection();
            dialog.show();
            QTest::qWait(300);
            dialog.grab().save(grabDir + QStringLiteral("/mp3-dialog.png"));
            DTags tags(m_settingsObject);
            tags.SetList(list);
            tags.SetRow(a);
            tags.show();
            QTest::qWait(300);
            tags.grab().save(grabDir + QStringLiteral("/tag-edit.png"));
        }
    }

    void renameSelectedAndAll() {
        DFileMp3 dialog(m_settingsObject);
        dialog.SetPath(Dir());
        CColorListCtrl* list = dialog.List();
        const QStringList& messages = AnswerReports();
        const int a = RowOf(list, QStringLiteral("a.mp3"));
        list->selectRow(a);
        dialog.RenameSelected();
        QCOMPARE(list->GetItemText(a, 3), QStringLiteral("Privet mir"));
        QCOMPARE(list->GetCellColor(a, 3), 4);
        QCOMPARE(DiskText(Dir(), "a.mp3", 3), QStringLiteral("Privet mir"));
        // Nothing left to do: the file is not written again.
        const QByteArray after = ReadBytes(Dir() + "a.mp3");
        dialog.RenameSelected();
        QCOMPARE(ReadBytes(Dir() + "a.mp3"), after);

        dialog.RenameAll();
        QVERIFY(messages.isEmpty());
        QCOMPARE(DiskText(Dir(), "b.MP3", 1), QStringLiteral("Russkaja muzyka"));
        QCOMPARE(DiskText(Dir(), kCyrName, 3), QStringLiteral("Pesnja"));
        QCOMPARE(list->GetItemText(RowOf(list, QStringLiteral("Песня.mp3")), 3), QStringLiteral("Pesnja"));
        QCOMPARE(ReadBytes(Dir() + "c.mp3"), QByteArray("not audio"));
    }

    // Russian kept as Russian in Unicode: only what is not Unicode yet is marked and written.
    void cyrillicTargetWritesUnicodeAndIsRemembered() {
        QVERIFY(WriteTestMp3(Dir() + "u.mp3", 4, {{"TIT2", {}, kPrivet, false}}));
        const QByteArray unicode = ReadBytes(Dir() + "u.mp3");
        // A FLAC file: its 8-bit title is rewritten in UTF-8, its right UTF-8 artist left.
        QVERIFY(
            WriteBytes(Dir() + "v.flac", Flac({{"TITLE", Cp1251(kPrivet)}, {"ARTIST", kPrivet.toUtf8()}})));
        {
            DFileMp3 dialog(m_settingsObject);
            dialog.SetPath(Dir());
            dialog.TargetCombo()->setCurrentIndex(1);
            QVERIFY(!dialog.SpellingCombo()->isEnabled());
            CColorListCtrl* list = dialog.List();
            QCOMPARE(list->GetCellColor(RowOf(list, QStringLiteral("u.mp3")), 3), 0);
            QCOMPARE(list->GetCellColor(RowOf(list, QStringLiteral("a.mp3")), 3), 4);
            QCOMPARE(list->GetCellColor(RowOf(list, QStringLiteral("v.flac")), 3), 4);
            QCOMPARE(list->GetCellColor(RowOf(list, QStringLiteral("v.flac")), 2), 0);
            const QString grabDir = qEnvironmentVariable("LT_GRAB_DIR");
            if (!grabDir.isEmpty()) {
                dialog.show();
                QTest::qWait(300);
                dialog.grab().save(grabDir + QStringLiteral("/mp3-dialog-cyrillic.png"));
            }
            const QStringList& messages = AnswerReports();
            dialog.RenameAll();
            QVERIFY(messages.isEmpty());
        }
        CCellTable grid(8);
        grid.AddRow();
        QString readIn;
        ReadRow(Dir(), "a.mp3", grid, 0, std::nullopt, &readIn);
        QCOMPARE(grid.CellText(0, 3), kPrivet);
        QCOMPARE(readIn, QStringLiteral("UTF-16"));
        QCOMPARE(DiskText(Dir(), "b.MP3", 1), QStringLiteral("Русская музыка"));
        QCOMPARE(ReadBytes(Dir() + "u.mp3"), unicode);
        SVorbisFile flac;
        QVERIFY(ParseVorbisFile(ReadBytes(Dir() + "v.flac"), flac, readIn));
        const std::pair<QByteArray, QByteArray> title("TITLE", kPrivet.toUtf8());
        QVERIFY(std::count(flac.comment.fields.begin(), flac.comment.fields.end(), title) == 1);
        DFileMp3 again(m_settingsObject);
        QCOMPARE(again.TargetCombo()->currentIndex(), 1);
        again.TargetCombo()->setCurrentIndex(0);
    }

    void failedWritesAreListed() {
        DFileMp3 dialog(m_settingsObject);
        dialog.SetPath(Dir());
        CColorListCtrl* list = dialog.List();
        const QStringList& messages = AnswerReports();
        RenameAllOnAFullDisk(dialog);
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].startsWith(QStringLiteral("The tags of these files could not be written:")));
        QVERIFY(messages[0].contains(QStringLiteral("a.mp3")));
        QVERIFY(messages[0].contains(QStringLiteral("Песня.mp3")));
        QVERIFY(!messages[0].contains(QStringLiteral("c.mp3")));
        const int a = RowOf(list, QStringLiteral("a.mp3"));
        QCOMPARE(list->GetItemText(a, 3), kPrivet); // what the file still holds
        QCOMPARE(list->GetCellColor(a, 0), int(kCodeNotWritten));
        QCOMPARE(DiskText(Dir(), "a.mp3", 3), kPrivet);
        // Once the disk has room again the marked cells are written.
        dialog.RenameAll();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(list->GetCellColor(a, 0), 0);
        QCOMPARE(DiskText(Dir(), "a.mp3", 3), QStringLiteral("Privet mir"));
    }

    void editWritesTransliteratedFields() {
        DFileMp3 dialog(m_settingsObject);
        dialog.SetPath(Dir());
        CColorListCtrl* list = dialog.List();
        const int a = RowOf(list, QStringLiteral("a.mp3"));
        list->selectRow(a);
        int calls = 0;
        Modal::NextDialogAnswer([&](QDialog& shown) {
            auto& tags = static_cast<DTags&>(shown);
            ++calls;
            if (tags.Field(3)->text() != kPrivet || tags.Field(2)->text() != QStringLiteral("ABBA"))
                return int(QDialog::Rejected);
            tags.Field(5)->setText(QStringLiteral("Чайковский"));
            tags.Field(2)->clear();
            tags.accept();
            return tags.result();
        });
        dialog.EditSelected();
        QCOMPARE(calls, 1);
        QCOMPARE(list->GetItemText(a, 3), QStringLiteral("Privet mir")); // OK transliterates every field
        QCOMPARE(list->GetItemText(a, 5), QStringLiteral("CHajkovskij"));
        QCOMPARE(DiskText(Dir(), "a.mp3", 5), QStringLiteral("CHajkovskij"));
        QCOMPARE(DiskText(Dir(), "a.mp3", 3), QStringLiteral("Privet mir"));
        QVERIFY(DiskText(Dir(), "a.mp3", 2).isEmpty());

        // Cancel touches nothing.
        const QByteArray before = ReadBytes(Dir() + "a.mp3");
        Modal::NextDialogAnswer([&](QDialog& shown) {
            auto& tags = static_cast<DTags&>(shown);
            ++calls;
            tags.Field(3)->setText(QStringLiteral("Другое"));
            tags.reject();
            return tags.result();
        });
        dialog.EditSelected();
        QCOMPARE(calls, 2);
        QCOMPARE(list->GetItemText(a, 3), QStringLiteral("Privet mir"));
        QCOMPARE(ReadBytes(Dir() + "a.mp3"), before);

        // A letter without a key: the text is written as typed, never shortened.
        g_charTable.KeysFromText(u"01a");
        Modal::NextDialogAnswer([&](QDialog& shown) {
            ++calls;
            static_cast<DTags&>(shown).Field(5)->setText(QStringLiteral("Чайковский"));
            static_cast<DTags&>(shown).accept();
            return int(QDialog::Accepted);
        });
        dialog.EditSelected();
        g_charTable.SetDefaultKeys();
        QCOMPARE(DiskText(Dir(), "a.mp3", 5), QStringLiteral("Чайковский"));
        QCOMPARE(DiskText(Dir(), "a.mp3", 3), QStringLiteral("Privet mir"));
        QCOMPARE(calls, 3);

        // A red file name and no selection: the edit dialog never opens.
        list->selectRow(RowOf(list, QStringLiteral("c.mp3")));
        dialog.EditSelected();
        list->clearSelection();
        dialog.EditSelected();
        QCOMPARE(calls, 3);
    }

    void editWritesAFlacFile() {
        const QByteArray flac = Flac({{"TITLE", Cp1251(kPrivet)}, {"ARTIST", "ABBA"}, {"GENRE", "Rock"}});
        QVERIFY(WriteBytes(Dir() + "f.flac", flac));
        DFileMp3 dialog(m_settingsObject);
        dialog.SetPath(Dir());
        CColorListCtrl* list = dialog.List();
        const int row = RowOf(list, QStringLiteral("f.flac"));
        QCOMPARE(list->GetItemText(row, 3), kPrivet);
        list->selectRow(row);
        Modal::NextDialogAnswer([&](QDialog& shown) {
            auto& tags = static_cast<DTags&>(shown);
            tags.Field(5)->setText(QStringLiteral("Чайковский"));
            tags.Field(2)->clear();
            tags.accept();
            return tags.result();
        });
        dialog.EditSelected();
        const CVorbisTag tag(Dir() + "f.flac");
        const std::pair<int, QString> expected[] = {
            {3, QStringLiteral("Privet mir")}, {5, QStringLiteral("CHajkovskij")}, {2, QString()}};
        for (const auto& [column, text] : expected) {
            SFrameText read;
            QCOMPARE(tag.ReadColumn(column, read), !text.isEmpty());
            QCOMPARE(read.text, text);
        }
        SVorbisFile before, after;
        QString error;
        QVERIFY(ParseVorbisFile(flac, before, error) &&
                ParseVorbisFile(ReadBytes(Dir() + "f.flac"), after, error));
        QCOMPARE(ReadBytes(Dir() + "f.flac").mid(after.audioStart), flac.mid(before.audioStart));
        QVERIFY(std::count(after.comment.fields.begin(), after.comment.fields.end(),
                           std::pair<QByteArray, QByteArray>("GENRE", "Rock")) == 1);
    }

    void cancelKeepsRowsFilledSoFar() {
        DFileMp3 dialog(m_settingsObject);
        CTestObserver observer;
        observer.rowFilled = [](int row, CProgressWnd& progress) {
            if (row == 1)
                progress.CancelButton()->click();
        };
        dialog.SetObserver(&observer);
        dialog.SetPath(Dir());
        QCOMPARE(dialog.List()->GetItemCount(), 2);
        QVERIFY(!dialog.List()->GetItemText(1, 0).isEmpty());
    }

    void folderIsRemembered() {
        QTemporaryDir empty;
        {
            DFileMp3 dialog(m_settingsObject);
            Modal::NextFolderAnswer(QFile::encodeName(empty.path()));
            dialog.ChooseFolder();
            QCOMPARE(dialog.List()->GetItemCount(), 0);
            QVERIFY(dialog.Path().endsWith('/'));
            dialog.reject();
        }
        {
            DFileMp3 dialog(m_settingsObject);
            QCOMPARE(dialog.Path(), QFile::encodeName(empty.path()) + '/');
            dialog.reject();
        }
        const QByteArray gone = QFile::encodeName(empty.path());
        empty.remove();
        DFileMp3 dialog(m_settingsObject);
        QCOMPARE(dialog.Path(), QFile::encodeName(QDir::currentPath()) + '/');
        Q_UNUSED(gone);
    }

    void folderWithANameThatIsNotUtf8IsRemembered() {
        const QByteArray folder = Dir() + "\xCF\xE0\xEF\xEA\xE0"; // "Папка" in CP1251
        QVERIFY(::mkdir(folder.constData(), 0755) == 0);
        {
            DFileMp3 dialog(m_settingsObject);
            dialog.SetPath(folder);
            dialog.reject();
        }
        DFileMp3 dialog(m_settingsObject);
        QCOMPARE(dialog.Path(), folder + '/');
        dialog.reject();
        ::rmdir(folder.constData());
    }

    // Many failures: the message names 15 files and counts the rest, whose reasons are in the
    // details; a file gone since the listing is one of them.
    void longFailureListIsCut() {
        for (int i = 0; i < 20; ++i)
            QVERIFY(WriteTestMp3(Dir() + "f" + QByteArray::number(100 + i) + ".mp3", 3,
                                 {{"TIT2", Cp1251(kPrivet), {}, false}}));
        DFileMp3 dialog(m_settingsObject);
        dialog.SetPath(Dir());
        const QStringList& messages = AnswerReports();
        QVERIFY(::unlink((Dir() + "f100.mp3").constData()) == 0);
        RenameAllOnAFullDisk(dialog);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].count(QLatin1Char('\n')), 2 + 15);
        QVERIFY(messages[0].endsWith(QStringLiteral("... and 8 more files (see the details)")));
        const QStringList details = Modal::Record().boxes.last().details.split(QLatin1Char('\n'));
        QCOMPARE(details.size(), 23); // 20 new files and a.mp3, b.MP3, Песня.mp3
        QVERIFY(
            details.contains(QStringLiteral("f100.mp3: cannot find the file: No such file or directory")));
        // On a full disk not even the journal entry can be written, so the file is not touched.
        const QString f101 = details.filter(QStringLiteral("f101.mp3: ")).value(0);
        QVERIFY2(f101.startsWith(QStringLiteral("f101.mp3: the journal could not be written: ")) &&
                     f101.endsWith(QStringLiteral("File too large")),
                 qPrintable(f101));
    }

    void moreFilesThanTheListHoldsAreAnnounced() {
        DFileMp3 dialog(m_settingsObject);
        dialog.SetPath(Dir());
        QVERIFY(dialog.CapLabel()->isHidden());
        for (int i = 0; i < kMaxColorRows; ++i)
            QVERIFY(WriteBytes(Dir() + "x" + QByteArray::number(i) + ".mp3", QByteArray()));
        dialog.SetPath(Dir());
        QCOMPARE(dialog.List()->GetItemCount(), kMaxColorRows);
        QVERIFY(!dialog.CapLabel()->isHidden());
        QCOMPARE(dialog.CapLabel()->text(),
                 QStringLiteral("Only the first 3000 of %1 audio files in this folder are shown.")
                     .arg(kMaxColorRows + 5));
    }

    void tagsDialogOnItsOwn() {
        CCellTable grid(8);
        grid.AddRow();
        grid.SetCellText(0, 1, QStringLiteral("Альбом"));
        DTags tags(m_settingsObject);
        tags.SetList(&grid);
        tags.SetRow(0);
        tags.show();
        QCOMPARE(tags.Field(1)->text(), QStringLiteral("Альбом"));
        QTest::keyClick(tags.Field(1), Qt::Key_End);
        QTest::keyClicks(tags.Field(1), QStringLiteral(" 2"));
        QTest::keyClick(tags.Field(1), Qt::Key_Return); // the default button
        QCOMPARE(tags.result(), int(QDialog::Accepted));
        QCOMPARE(grid.CellText(0, 1), QStringLiteral("Al#bom 2"));
        QVERIFY(grid.CellText(0, 4).isEmpty());
    }
};

QTEST_MAIN(TestMp3Dialog)
#include "Settings.h"
#include "test_mp3dialog.moc"
