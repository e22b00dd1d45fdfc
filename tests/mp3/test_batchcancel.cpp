// Cancel in the middle of "Rename All" in both batch dialogs: the run stops after the file in
// hand, every file is done (and journalled) or untouched, the report counts both, and undo gives
// back the done ones.
#include "CCharTable.h"
#include "CProgressWnd.h"
#include "DFileMp3.h"
#include "DFileRenamer.h"
#include "Mp3TestFiles.h"

#include "../common/BatchDialogTest.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTest>

#include <chrono>
#include <functional>
#include <thread>

namespace {

constexpr int kFiles = 500;
constexpr int kCancelAfter = 100;

QByteArray SongName(int i) {
    return "song" + QByteArray::number(1000 + i) + ".mp3";
}
QByteArray SongBytes(int i) {
    return Id3Tag(3, 0, Id3Frame("TIT2", '\0' + Cp1251(QStringLiteral("Песня %1").arg(i))), 64) +
           TestAudio(2);
}
QByteArray LetterName(int i) {
    return QStringLiteral("Письмо %1.txt").arg(i).toUtf8();
}

} // namespace

class TestBatchCancel : public QObject {
    Q_OBJECT

private:
    CBatchDialogTestDirs m_dirs;

private slots:
    void initTestCase() {
        m_dirs.UsePrivateLocations();
        g_charTable.SetDefaultKeys();
    }

    void cancelStopsAfterTheFileInHand_data() {
        QTest::addColumn<bool>("mp3");
        QTest::newRow("MP3 dialog") << true;
        QTest::newRow("renamer") << false;
    }
    void cancelStopsAfterTheFileInHand() {
        QFETCH(bool, mp3);
        const QByteArray dir = m_dirs.Dir() + (mp3 ? "mp3/" : "names/");
        QVERIFY(QDir().mkpath(QString::fromUtf8(dir)));
        for (int i = 0; i < kFiles; ++i)
            QVERIFY(
                WriteBytes(dir + (mp3 ? SongName(i) : LetterName(i)), mp3 ? SongBytes(i) : QByteArray("x")));
        // Each file as it was, and whether it is so now.
        auto untouched = [&](int i) {
            return mp3 ? ReadBytes(dir + SongName(i)) == SongBytes(i)
                       : QFile::exists(QString::fromUtf8(dir + LetterName(i)));
        };
        QElapsedTimer sinceCancel;
        auto cancelLate = [&sinceCancel](int done, CProgressWnd& progress) {
            if (done >= kCancelAfter && !sinceCancel.isValid()) {
                sinceCancel.start();
                progress.CancelButton()->click();
            }
        };
        auto slowly = [](int) { std::this_thread::sleep_for(std::chrono::milliseconds(3)); };
        CTestObserver observer;
        observer.runStep = cancelLate;
        observer.beforeRunEntry = slowly;
        std::unique_ptr<DBatchDialog> dialog;
        std::function<void()> renameAll, undo;
        if (mp3) {
            auto* tool = new DFileMp3(m_dirs.settings);
            tool->SetObserver(&observer);
            renameAll = [tool] { tool->RenameAll(); };
            undo = [tool] { tool->UndoLastRun(); };
            dialog.reset(tool);
        } else {
            auto* tool = new DFileRenamer(m_dirs.settings);
            tool->SetObserver(&observer);
            renameAll = [tool] { tool->RenameAll(); };
            undo = [tool] { tool->UndoLastRun(); };
            dialog.reset(tool);
        }
        dialog->SetPath(dir);
        AnswerReports();
        renameAll();
        // The run stops with the file in hand (a few milliseconds here), not at the end of the
        // folder, which the rest of it would take more than a second to reach.
        if (mp3)
            QVERIFY2(sinceCancel.elapsed() < 500, qPrintable(QString::number(sinceCancel.elapsed())));

        const QRegularExpressionMatch counts =
            QRegularExpression(QStringLiteral("Stopped: (\\d+) done, (\\d+) not started\\."))
                .match(LastReport());
        QVERIFY2(counts.hasMatch(), qPrintable(LastReport()));
        const int done = counts.captured(1).toInt();
        QCOMPARE(done + counts.captured(2).toInt(), kFiles);
        QVERIFY2(done >= kCancelAfter && done < kFiles, qPrintable(LastReport()));
        int changed = 0;
        for (int i = 0; i < kFiles; ++i) {
            if (untouched(i))
                continue;
            ++changed;
            // A done file is whole: its audio is all there, its new tag or name in Latin letters.
            if (mp3)
                QCOMPARE(AudioOf(dir + SongName(i)), TestAudio(2));
        }
        QVERIFY2(changed == done, qPrintable(LastReport().left(600)));
        if (!mp3)
            QCOMPARE(QDir(QString::fromUtf8(dir)).entryList(QDir::Files).size(), kFiles);

        Modal::NextMessageBoxAnswer(QMessageBox::Yes); // the preview's question
        undo();
        QVERIFY2(LastReport().startsWith(QStringLiteral("%1 undone, 0 not undone").arg(done)),
                 qPrintable(LastReport()));
        for (int i = 0; i < kFiles; ++i)
            QVERIFY2(untouched(i), qPrintable(QString::number(i)));
    }

    // Both dialogs report a run's failures alike: a warning with an OK button, the first lines
    // and a count in the box, every line in the details.
    void failuresAreReportedAlike_data() { cancelStopsAfterTheFileInHand_data(); }
    void failuresAreReportedAlike() {
        QFETCH(bool, mp3);
        constexpr int kGone = DBatchDialog::kFailuresShown + 5;
        const QByteArray dir = m_dirs.Dir() + (mp3 ? "mp3-gone/" : "names-gone/");
        QVERIFY(QDir().mkpath(QString::fromUtf8(dir)));
        for (int i = 0; i < kGone; ++i)
            QVERIFY(
                WriteBytes(dir + (mp3 ? SongName(i) : LetterName(i)), mp3 ? SongBytes(i) : QByteArray("x")));
        std::unique_ptr<DBatchDialog> dialog;
        std::function<void()> renameAll;
        if (mp3) {
            auto* tool = new DFileMp3(m_dirs.settings);
            renameAll = [tool] { tool->RenameAll(); };
            dialog.reset(tool);
        } else {
            auto* tool = new DFileRenamer(m_dirs.settings);
            renameAll = [tool] { tool->RenameAll(); };
            dialog.reset(tool);
        }
        dialog->SetPath(dir);
        for (int i = 0; i < kGone; ++i) // every file goes after the listing: each one fails
            QVERIFY(QFile::remove(QString::fromUtf8(dir + (mp3 ? SongName(i) : LetterName(i)))));
        AnswerReports();
        renameAll();
        QCOMPARE(Modal::Record().boxes.size(), 1);
        const Modal::AskedBox box = Modal::Record().boxes.last();
        QCOMPARE(box.icon, QMessageBox::Warning);
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(box.text.count(QLatin1Char('\n')), 2 + DBatchDialog::kFailuresShown);
        QVERIFY2(box.text.endsWith(QStringLiteral("... and 5 more files (see the details)")),
                 qPrintable(box.text));
        QCOMPARE(box.details.split(QLatin1Char('\n')).size(), kGone);
    }
};

QTEST_MAIN(TestBatchCancel)
#include "test_batchcancel.moc"
