// One spelling everywhere: for each choice, the editor's Convert, both batch dialogs and
// lettrino-cli's to-latin, rename and tags write the same Latin for the same Russian text.
#include "../common/GuiTestMain.h"
#include "CColorListCtrl.h"
#include "CLtApp.h"
#include "CLtView.h"
#include "CMainFrame.h"
#include "DFileMp3.h"
#include "DFileRenamer.h"
#include "LtMessageBox.h"
#include "Mp3TestFiles.h"
#include "ResourceIds.h"
#include "Settings.h"

#include <QComboBox>
#include <QProcess>
#include <QSettings>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString kText = u"Щука ЁЛКА объезд Цыганов Ель"_s;

QString Cli(const QStringList& args, const QByteArray& input = {}) {
    QProcess cli;
    cli.start(QStringLiteral(LT_CLI_PATH), args);
    cli.write(input);
    cli.closeWriteChannel();
    cli.waitForFinished(60000);
    return QString::fromUtf8(cli.readAllStandardOutput());
}

} // namespace

class TestSameSpelling : public QObject {
    Q_OBJECT

private slots:
    void everyToolSpellsAlike() {
        QSettings(u"ZDK"_s, u"Lt"_s).clear();
        Modal::AnswerAllMessageBoxes(QMessageBox::No);
        auto app = std::make_unique<CLtApp>(QStringList{u"lettrino"_s});
        QVERIFY(app->InitInstance());
        CLtView* view = app->MainFrame()->EditView();
        QTemporaryDir dir;
        const QByteArray folder = QFile::encodeName(dir.path()) + '/';
        QVERIFY(WriteBytes(folder + kText.toUtf8() + ".txt", "x"));
        const char* const names[] = {"keys", "icao", "gost", "bgn", "iso9"};
        for (int scheme = 0; scheme < 5; ++scheme) {
            app->Settings().latinSpelling.Set(scheme);
            view->setPlainText(kText);
            view->selectAll();
            app->MainFrame()->RouteCommand(kCmdEditConvert);
            const QString editor = view->toPlainText();
            QVERIFY(editor != kText);

            DFileRenamer renamer(app->Settings());
            renamer.SetPath(folder);
            renamer.SpellingCombo()->setCurrentIndex(scheme);
            QStringList proposals;
            for (int row = 0; row < renamer.List()->GetItemCount(); ++row)
                proposals << renamer.List()->GetItemText(row, DFileRenamer::kColTranslit);
            QVERIFY2(proposals.contains(editor + u".txt"_s), qPrintable(proposals.join(u'|')));

            const QString name = QString::fromLatin1(names[scheme]);
            QCOMPARE(Cli({u"to-latin"_s, u"--scheme"_s, name}, kText.toUtf8()), editor);
            QVERIFY(
                Cli({u"rename"_s, u"--scheme"_s, name, dir.path()}).contains(u" → "_s + editor + u".txt"_s));
            QVERIFY(WriteTestMp3(folder + "song.mp3", 4, {{"TIT2", {}, kText, false}}));
            QVERIFY(
                Cli({u"tags"_s, u"--scheme="_s + name, dir.path()}).contains(kText + u'\t' + editor + u'\n'));

            DFileMp3 tags(app->Settings());
            tags.SetPath(folder);
            tags.SpellingCombo()->setCurrentIndex(scheme);
            tags.RenameAll();
            QCOMPARE(tags.List()->GetItemText(0, 3), editor);
            // What the dialog wrote, as the command line reads it back from the file.
            QVERIFY(Cli({u"tags"_s, dir.path()}).contains(u'\t' + editor + u'\t'));
        }
        app->MainFrame()->close();
        app->ExitInstance();
        Modal::Reset();
    }
};

int main(int argc, char** argv) {
    return RunGuiTest<TestSameSpelling>(argc, argv);
}

#include "test_samespelling.moc"
