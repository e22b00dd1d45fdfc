// The MP3 dialog's corrections: a tag text in KOI8-R that the detector takes for Windows-1251 is
// read again as KOI8-R, written in Latin letters, journalled and undone; fifty files at once;
// a skipped file is left out of "Rename All".
#include "CCharTable.h"
#include "CColorListCtrl.h"
#include "DFileMp3.h"
#include "Mp3Tags.h"
#include "Mp3TestFiles.h"
#include "RawNames.h"

#include "../common/BatchDialogTest.h"

#include <QDir>
#include <QTest>

class TestMp3ReadAs : public QObject {
    Q_OBJECT

private:
    CBatchDialogTestDirs m_dirs;
    QString m_word;  // a title whose KOI8-R bytes the reading rule takes for Windows-1251
    QString m_latin; // its Latin form
    static constexpr int kColTitle = 3;

    QByteArray Folder(const char* name, int files) const {
        const QByteArray folder = m_dirs.Dir() + name + '/';
        QDir().mkpath(QFile::decodeName(folder));
        for (int i = 0; i < files; ++i) {
            if (!WriteTestMp3(folder + QByteArray::number(100 + i) + ".mp3", 3,
                              {{"TIT2", Koi8r(m_word), {}, false}, {"TPE1", "ABBA", {}, false}}, false))
                return {};
        }
        return folder;
    }
    // The title as the file holds it, read as KOI8-R.
    static QString TitleOnDisk(const QByteArray& folder, const QByteArray& name) {
        SFrameText text;
        const std::unique_ptr<CMp3Tag> tag = OpenTag(folder, name);
        return ReadFrameText(*tag, "TIT2", text, ETextEncoding::kKoi8r) ? text.text : QString();
    }

private slots:
    void initTestCase() {
        m_dirs.UsePrivateLocations();
        g_charTable.SetDefaultKeys();
        std::tie(m_word, m_latin) = Koi8WordReadAs1251();
        QVERIFY2(!m_word.isEmpty(), "the detector reads every candidate right");
        qInfo() << "KOI8-R" << m_word << "is read as Windows-1251 by the reading rule";
    }

    void misreadTitleReadAsKoi8IsWrittenAndUndone() {
        const QByteArray folder = Folder("one", 1);
        QVERIFY(!folder.isEmpty());
        const QByteArray before = ReadBytes(folder + "100.mp3");
        DFileMp3 dialog(m_dirs.settings);
        AnswerReports();
        dialog.SetPath(folder);
        CColorListCtrl* list = dialog.List();
        QVERIFY(list->GetItemText(0, kColTitle) != m_word); // shown wrong
        QCOMPARE(list->GetItemText(0, DFileMp3::kColReadIn), QStringLiteral("Windows-1251"));

        list->selectRow(0);
        QVERIFY(TriggerRowMenu(dialog, {QStringLiteral("Read as"), QStringLiteral("KOI8-R")}));
        QCOMPARE(list->GetItemText(0, kColTitle), m_word);
        QCOMPARE(list->item(0, kColTitle)->toolTip(), m_latin); // what "Rename" will write
        QCOMPARE(list->GetItemText(0, DFileMp3::kColReadIn), QStringLiteral("KOI8-R (chosen)"));
        QCOMPARE(list->GetCellColor(0, DFileMp3::kColReadIn), kCodeOverridden);

        QTest::mouseClick(FindButton(dialog, QStringLiteral("Rename")), Qt::LeftButton);
        QVERIFY2(LastReport().isEmpty(), qPrintable(LastReport()));
        QCOMPARE(TitleOnDisk(folder, "100.mp3"), m_latin);
        QCOMPARE(list->GetItemText(0, kColTitle), m_latin);
        const QStringList journals = QDir(m_dirs.JournalFolder()).entryList(QDir::Files, QDir::Time);
        QVERIFY(!journals.isEmpty());
        QFile journal(m_dirs.JournalFolder() + '/' + journals.first());
        QVERIFY(journal.open(QIODevice::ReadOnly));
        QVERIFY(journal.readAll().contains("100.mp3"));

        Modal::NextMessageBoxAnswer(QMessageBox::Yes); // the preview asks first
        dialog.UndoLastRun();
        QCOMPARE(LastReport(), QStringLiteral("1 undone, 0 not undone."));
        QCOMPARE(ReadBytes(folder + "100.mp3"), before);
    }

    void fiftyFilesReadAtOnceAndOneSkipped() {
        const QByteArray folder = Folder("fifty", 50);
        QVERIFY(!folder.isEmpty());
        const QByteArray skippedBefore = ReadBytes(folder + "107.mp3");
        DFileMp3 dialog(m_dirs.settings);
        AnswerReports();
        dialog.SetPath(folder);
        CColorListCtrl* list = dialog.List();
        QCOMPARE(list->GetItemCount(), 50);
        list->selectAll();
        QVERIFY(TriggerRowMenu(dialog, {QStringLiteral("Read as"), QStringLiteral("KOI8-R")}));
        int right = 0;
        int skipped = -1;
        for (int row = 0; row < 50; ++row) {
            right += list->GetItemText(row, kColTitle) == m_word;
            if (dialog.RowName(row) == "107.mp3")
                skipped = row;
        }
        QCOMPARE(right, 50);
        list->clearSelection();
        list->selectRow(skipped);
        QVERIFY(TriggerRowMenu(dialog, {QStringLiteral("Skip")}));
        QTest::mouseClick(FindButton(dialog, QStringLiteral("Rename All")), Qt::LeftButton);
        int written = 0;
        for (int i = 0; i < 50; ++i)
            written += TitleOnDisk(folder, QByteArray::number(100 + i) + ".mp3") == m_latin;
        QCOMPARE(written, 49);
        QCOMPARE(ReadBytes(folder + "107.mp3"), skippedBefore);
    }

    // Chosen for many rows, a reading leaves valid UTF-8 texts alone; chosen for one, it is taken.
    void manyRowsKeepValidUtf8OneRowDoesNot() {
        const QByteArray folder = Folder("utf8", 1);
        const QString video = QStringLiteral("Видео");
        QVERIFY(WriteTestMp3(folder + "200.mp3", 3, {{"TIT2", video.toUtf8(), {}, false}}, false));
        DFileMp3 dialog(m_dirs.settings);
        AnswerReports();
        dialog.SetPath(folder);
        CColorListCtrl* list = dialog.List();
        const int utf8Row = dialog.RowName(0) == "200.mp3" ? 0 : 1;
        list->selectAll();
        QVERIFY(TriggerRowMenu(dialog, {QStringLiteral("Read as"), QStringLiteral("KOI8-R")}));
        QCOMPARE(list->GetItemText(utf8Row, kColTitle), video);
        QCOMPARE(list->GetItemText(1 - utf8Row, kColTitle), m_word);
        list->clearSelection();
        list->selectRow(utf8Row);
        QVERIFY(TriggerRowMenu(dialog, {QStringLiteral("Read as"), QStringLiteral("KOI8-R")}));
        QCOMPARE(list->GetItemText(utf8Row, kColTitle),
                 ReadShortText(video.toUtf8(), ETextEncoding::kKoi8r).text);
    }
};

QTEST_MAIN(TestMp3ReadAs)
#include "test_mp3readas.moc"
