// Undo Last Run in the MP3 dialog and in the Extra menu's sense: the run of the dialog's folder is
// previewed and asked about, the files come back byte for byte, a second undo does nothing, a
// text without a key is held back with its reason, and another folder's run is never touched.
// FLAC and Ogg files beside MP3 files go through the same run and the same undo.
#include "CCharTable.h"
#include "CColorListCtrl.h"
#include "DFileMp3.h"
#include "Mp3Tags.h"
#include "Mp3TestFiles.h"
#include "VorbisTags.h"
#include "VorbisTestFiles.h"

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
    void mixedFormatsRenameAllThenUndo() {
        QTemporaryDir folder;
        const QByteArray dir = QFile::encodeName(folder.path()) + '/';
        auto latin1InUtf8 = [](const QString& text) { return QString::fromLatin1(Cp1251(text)).toUtf8(); };
        const QString word = QStringLiteral("Ветер");
        const std::pair<QByteArray, QByteArray> files[] = {
            {"c.flac", Flac({{"TITLE", latin1InUtf8(QStringLiteral("Город"))},
                             {"ARTIST", Cp1251(QStringLiteral("Кино"))}})},
            {"k.opus", Ogg(true, {{"COMMENT", Koi8r(word)}})},
            {"d.ogg", Ogg(false, {{"ALBUM", Cp1251(QStringLiteral("Звезда"))},
                                  {"TITLE", QStringLiteral("Бег").toUtf8()},
                                  {"GENRE", "Rock"}})},
            // Cut inside its metadata: listed, refused with the reason, untouched.
            {"x.flac", Flac({{"TITLE", "a"}}).left(20)}};
        for (const auto& [name, bytes] : files)
            QVERIFY(WriteBytes(dir + name, bytes));
        QVERIFY(WriteTestMp3(dir + "e.mp3", 3, {{"TIT2", Cp1251(QStringLiteral("Лето")), {}, false}}));
        const QByteArray mp3 = ReadBytes(dir + "e.mp3");
        const QByteArray mp3Audio = AudioOf(dir + "e.mp3");

        DFileMp3 dialog(m_dirs.settings);
        dialog.SetPath(dir);
        CColorListCtrl* list = dialog.List();
        QCOMPARE(list->GetItemCount(), 5);
        auto rowOf = [&](const QByteArray& name) {
            for (int row = 0; row < list->GetItemCount(); ++row)
                if (dialog.RowName(row) == name)
                    return row;
            return -1;
        };
        const int flac = rowOf("c.flac");
        QCOMPARE(list->GetItemText(flac, 3), QStringLiteral("Город"));
        QCOMPARE(list->GetCellColor(flac, 3), 4);
        QCOMPARE(list->GetItemText(flac, 2), QStringLiteral("Кино"));
        QVERIFY(!list->GetItemText(flac, DFileMp3::kColReadIn).isEmpty());
        QCOMPARE(list->GetCellColor(rowOf("x.flac"), 0), 1);
        QVERIFY(!list->GetItemText(rowOf("x.flac"), 1).isEmpty());
        // The comment is KOI8-R: read as such on the user's word, and written from that reading.
        dialog.ReadRowsAs({rowOf("k.opus")}, ETextEncoding::kKoi8r);
        QCOMPARE(list->GetItemText(rowOf("k.opus"), 7), word);

        const QStringList& messages = AnswerReports();
        QTest::mouseClick(Button(dialog, QStringLiteral("Rename All")), Qt::LeftButton);
        QCOMPARE(messages.size(), 1);
        // The field without a key is named as the file names it.
        QVERIFY2(messages[0].contains(QStringLiteral("x.flac: ")) &&
                     messages[0].contains(QStringLiteral("d.ogg: TITLE: no key for «Б»")),
                 qPrintable(messages[0]));
        QCOMPARE(ReadBytes(dir + "x.flac"), files[3].second);
        const CVorbisTag written(dir + "c.flac");
        const std::pair<int, QString> expected[] = {{3, QStringLiteral("Gorod")},
                                                    {2, QStringLiteral("Kino")}};
        for (const auto& [column, latin] : expected) {
            SFrameText text;
            QVERIFY(written.ReadColumn(column, text));
            QCOMPARE(text.text, latin);
        }
        SFrameText album, comment;
        QVERIFY(CVorbisTag(dir + "d.ogg").ReadColumn(1, album));
        QCOMPARE(album.text, QStringLiteral("Zvezda"));
        QVERIFY(CVorbisTag(dir + "k.opus").ReadColumn(7, comment));
        QCOMPARE(comment.text, QStringLiteral("Veter"));
        CCellTable grid(8);
        grid.AddRow();
        ReadRow(dir, "e.mp3", grid, 0);
        QCOMPARE(grid.CellText(0, 3), QStringLiteral("Leto"));
        QCOMPARE(AudioOf(dir + "e.mp3"), mp3Audio);
        // The audio is kept: the FLAC frames and the Ogg pages' payloads.
        for (const auto& [name, bytes] : files) {
            SVorbisFile before, after;
            QString error;
            if (!ParseVorbisFile(bytes, before, error))
                continue;
            QVERIFY(ParseVorbisFile(ReadBytes(dir + name), after, error));
            QCOMPARE(after.audio, before.audio);
            QCOMPARE(after.granules, before.granules);
            if (before.kind == SVorbisFile::EKind::kFlac)
                QCOMPARE(ReadBytes(dir + name).mid(after.audioStart), bytes.mid(before.audioStart));
        }

        Modal::NextMessageBoxAnswer(QMessageBox::Yes);
        QTest::mouseClick(Button(dialog, QStringLiteral("Undo Last Run")), Qt::LeftButton);
        QCOMPARE(LastReport(), QStringLiteral("4 undone, 0 not undone."));
        for (const auto& [name, bytes] : files)
            QCOMPARE(ReadBytes(dir + name), bytes);
        QCOMPARE(ReadBytes(dir + "e.mp3"), mp3);
    }
};

QTEST_MAIN(TestMp3UndoDialog)
#include "test_mp3undodialog.moc"
