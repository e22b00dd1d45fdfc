// The Settings dialog and the About box, opened from the running frame where the frame's part
// matters, against a private settings store.
#include "../common/AppTest.h"
#include "../common/GuiTestMain.h"
#include "CAboutDlg.h"
#include "CLtApp.h"
#include "CLtView.h"
#include "CMainFrame.h"
#include "CPictureEx.h"
#include "DSettings.h"
#include "LtMessageBox.h"
#include "ResourceIds.h"
#include "SettingsGui.h"

#include "CResourceModule.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <climits>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

QVariant Stored(const QString& entry) {
    return QSettings(u"ZDK"_s, u"Lt"_s).value(u"Settings/"_s + entry);
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Runs the Settings command and lets `act` work the dialog while it is up.
void RunSettings(CMainFrame* frame, std::function<void(DSettings*)> act) {
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<DSettings*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        act(dialog);
    });
    frame->RouteCommand(kCmdSettings);
}

qreal CharsWide(const CLtView* view) {
    return view->tabStopDistance() / view->fontMetrics().averageCharWidth();
}

} // namespace

class TestDialogs : public QObject {
    Q_OBJECT

private slots:
    void init() {
        ClearStore();
        Modal::AnswerAllMessageBoxes(QMessageBox::No);
    }

    void cleanup() {
        Modal::Reset();
        CAboutDlg::SetProgramPath({});
        SetCurrentResources(kLangEnglish);
    }

    void confirmingUnchangedTurnsBeep2Into15() {
        QSettings(u"ZDK"_s, u"Lt"_s).setValue(u"Settings/Beep"_s, 2);
        QSettings(u"ZDK"_s, u"Lt"_s).setValue(u"Settings/BlueRus"_s, 1);
        auto app = StartApp();
        QVERIFY(app->MainFrame() != nullptr);
        QCOMPARE(app->Settings().beep.Value(), 2);
        bool seen = false;
        RunSettings(app->MainFrame(), [&seen](DSettings* dialog) {
            seen = dialog->CheckBox(1056)->isChecked() && dialog->CheckBox(1047)->isChecked() &&
                   !dialog->CheckBox(1048)->isChecked() && dialog->TabStopsEdit()->text() == u"4"_s;
            QTest::keyClick(dialog, Qt::Key_Return);
        });
        QVERIFY(seen);
        QCOMPARE(app->Settings().beep.Value(), 15);
        QCOMPARE(app->Settings().tabStops.Value(), 4);
        QCOMPARE(app->Settings().blueRus.Value(), 1);
        // The three the editor reads are stored at once; the sound waits for the frame's close.
        QCOMPARE(Stored(u"BlueRus"_s).toInt(), 1);
        QCOMPARE(Stored(u"BlueOrig"_s).toInt(), 0);
        QCOMPARE(Stored(u"KeysCtrlShift"_s).toInt(), 0);
        QCOMPARE(Stored(u"Beep"_s).toInt(), 2);
        app->MainFrame()->close();
        QCOMPARE(Stored(u"Beep"_s).toInt(), 15);
    }

    void changesReachCurrentValuesButNotTheToolbar() {
        auto app = StartApp();
        CMainFrame* frame = app->MainFrame();
        const QSize iconSize = frame->ToolBar()->iconSize();
        const Qt::ToolBarArea area = frame->toolBarArea(frame->ToolBar());
        RunSettings(frame, [](DSettings* dialog) {
            for (int id : {1023, 1024, 1031, 1056, 1047, 1048})
                dialog->CheckBox(id)->click();
            dialog->accept();
        });
        QCOMPARE(app->Settings().beep.Value(), 0);
        QCOMPARE(app->Settings().blueOrig.Value(), 1);
        QCOMPARE(Stored(u"BlueOrig"_s).toInt(), 1);
        QCOMPARE(Stored(u"KeysCtrlShift"_s).toInt(), 1);
        // Ctrl+Shift now switches the mode as Esc does.
        const bool russian = g_inRussian;
        QTest::keyClick(frame->EditView(), Qt::Key_Shift, Qt::ControlModifier);
        QCOMPARE(g_inRussian, !russian);
        // Toolbar options are for the next start: small, at the top.
        QCOMPARE(frame->ToolBar()->iconSize(), iconSize);
        QCOMPARE(frame->toolBarArea(frame->ToolBar()), area);
        QVERIFY(frame->close());
        app.reset();
        app = StartApp();
        QCOMPARE(app->MainFrame()->ToolBar()->iconSize(), QSize(16, 16));
        QCOMPARE(app->MainFrame()->toolBarArea(app->MainFrame()->ToolBar()), Qt::TopToolBarArea);
    }

    void cancellingChangesNothingYetAppliesTheTabWidth() {
        auto app = StartApp();
        CMainFrame* frame = app->MainFrame();
        CLtView* view = frame->EditView();
        view->setTabStopDistance(1);
        const auto before = StoreSnapshot();
        const int beep = app->Settings().beep.Value();
        RunSettings(frame, [](DSettings* dialog) {
            dialog->CheckBox(1056)->click();
            dialog->TabStopsEdit()->setText(u"12"_s);
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        QCOMPARE(StoreSnapshot(), before);
        QCOMPARE(app->Settings().beep.Value(), beep);
        QCOMPARE(app->Settings().tabStops.Value(), 4);
        QCOMPARE(CharsWide(view), 4.0);
    }

    void tabWidthAppliesAtOnce() {
        auto app = StartApp();
        CLtView* view = app->MainFrame()->EditView();
        RunSettings(app->MainFrame(), [](DSettings* dialog) {
            dialog->TabStopsEdit()->clear();
            QTest::keyClicks(dialog->TabStopsEdit(), u"8"_s);
            dialog->accept();
        });
        QCOMPARE(app->Settings().tabStops.Value(), 8);
        QCOMPARE(CharsWide(view), 8.0);
        // A number far past any int must not wrap into a negative width.
        RunSettings(app->MainFrame(), [](DSettings* dialog) {
            dialog->TabStopsEdit()->setText(u"99999999999999"_s);
            dialog->accept();
        });
        QCOMPARE(app->Settings().tabStops.Value(), INT_MAX);
        QVERIFY(view->tabStopDistance() > 0);
    }

    void latinSpellingIsStoredAtOnceAndConvertWritesIt() {
        auto app = StartApp();
        CLtView* view = app->MainFrame()->EditView();
        RunSettings(app->MainFrame(), [](DSettings* dialog) {
            QComboBox* combo = dialog->SpellingCombo();
            QCOMPARE(combo->currentText(), u"My keys"_s);
            QCOMPARE(combo->count(), 5);
            combo->setCurrentIndex(combo->findText(u"BGN/PCGN"_s));
            dialog->accept();
        });
        QCOMPARE(Stored(u"LatinSpelling"_s).toInt(), 3);
        view->setPlainText(u"Ель и ЁЖ"_s);
        view->selectAll();
        app->MainFrame()->RouteCommand(kCmdEditConvert);
        QCOMPARE(view->toPlainText(), u"Yel’ i YËZH"_s);
        // Only the word's end selected: the letters before it still count.
        view->setPlainText(u"лес"_s);
        QTextCursor cursor = view->textCursor();
        cursor.setPosition(1);
        cursor.setPosition(3, QTextCursor::KeepAnchor);
        view->setTextCursor(cursor);
        app->MainFrame()->RouteCommand(kCmdEditConvert);
        QCOMPARE(view->toPlainText(), u"лes"_s);
        RunSettings(app->MainFrame(), [](DSettings* dialog) {
            QCOMPARE(dialog->SpellingCombo()->currentIndex(), 3);
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
    }

    void tabStopsText_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("width");
        QTest::newRow("empty") << QString() << QString() << 0;
        QTest::newRow("digits") << u"8"_s << u"8"_s << 8;
        QTest::newRow("leading zeros") << u"007"_s << u"007"_s << 7;
        QTest::newRow("letters refused") << u"a1b2"_s << u"12"_s << 12;
        QTest::newRow("sign refused") << u"-3"_s << u"3"_s << 3;
    }

    void tabStopsText() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(int, width);
        CSettings settings;
        DSettings dialog(settings);
        dialog.TabStopsEdit()->clear();
        QTest::keyClicks(dialog.TabStopsEdit(), typed);
        QCOMPARE(dialog.TabStopsEdit()->text(), shown);
        dialog.accept();
        QCOMPARE(settings.tabStops.Value(), width);
    }

    void aboutShowsTheGuide() {
        CAboutDlg::SetProgramPath(QCoreApplication::applicationDirPath() + u"/lettrino"_s);
        QFile guide(QStringLiteral(LT_GUIDE_SOURCE));
        QVERIFY(guide.open(QIODevice::ReadOnly));
        const QString expected = QString::fromUtf8(guide.readAll());
        CSettings settings;
        CAboutDlg dialog(settings);
        QVERIFY(dialog.TextField()->isReadOnly());
        QCOMPARE(dialog.TextField()->toPlainText(), expected);
        QVERIFY(expected.contains(u"lettrino-cli"_s));
        QVERIFY(dialog.Logo()->IsPlaying());
        QVERIFY(dialog.Sign()->IsPlaying());
        QCOMPARE(dialog.Sign()->BackColor(), QColor(0xBF, 0xBF, 0xBF));
    }

    void aboutTextLookupAndDecoding() {
        QTemporaryDir dir;
        const QString bin = dir.filePath(u"bin"_s);
        QDir().mkpath(bin);
        const QString program = bin + u"/tool"_s;
        CAboutDlg::SetProgramPath(program);
        const CSettings settings;
        {
            CAboutDlg missing(settings);
            QVERIFY(missing.TextField()->toPlainText().isEmpty());
        }
        // An installed program finds its guide in the data folder.
        WriteFile(dir.filePath(u"share/lettrino/tool.txt"_s), u"Привет, мир\n"_s.toUtf8());
        QCOMPARE(AboutTextFile(program),
                 QFileInfo(dir.filePath(u"share/lettrino/tool.txt"_s)).absoluteFilePath());
        {
            CAboutDlg shared(settings);
            QCOMPARE(shared.TextField()->toPlainText(), u"Привет, мир\n"_s);
        }
        // Beside the program wins, and an old 1251 file reads as the editor would read it.
        WriteFile(bin + u"/tool.txt"_s,
                  QByteArray("\xcf\xf0\xe8\xe2\xe5\xf2 \xec\xe8\xf0, \xea\xe0\xea \xe4\xe5\xeb\xe0?"));
        CAboutDlg beside(settings);
        QCOMPARE(beside.TextField()->toPlainText(), u"Привет мир, как дела?"_s);
    }

    void aboutClicks() {
        CAboutDlg::SetProgramPath(u"/nonexistent/tool"_s);
        Modal::Intercept();
        QList<QUrl>& launched = Modal::Record().urls;
        CSettings settings;
        CAboutDlg dialog(settings);
        QCOMPARE(dialog.UrlPicture()->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(dialog.MailPicture()->cursor().shape(), Qt::BitmapCursor);
        QTest::mouseClick(dialog.UrlPicture(), Qt::LeftButton);
        QCOMPARE(launched, QList<QUrl>{QUrl(CurrentResources().String(kStrMakerUrl))});
        launched.clear();
        QTest::mouseClick(dialog.MailPicture(), Qt::LeftButton);
        QVERIFY(launched.isEmpty());
        settings.mailAvailable = true;
        QTest::mouseClick(dialog.MailPicture(), Qt::LeftButton);
        QCOMPARE(launched, QList<QUrl>{QUrl(u"mailto:"_s + CurrentResources().String(kStrMakerMail))});
        // Elsewhere, nothing.
        launched.clear();
        QTest::mouseClick(&dialog, Qt::LeftButton, {}, QPoint(2, 2));
        QVERIFY(launched.isEmpty());
    }

    void dialogsFollowTheLanguage() {
        QVERIFY(SetCurrentResources(kLangRussian));
        const SDialogTexts settingsTexts = CurrentResources().Dialog(kDlgSettings);
        CSettings values;
        DSettings settings(values);
        QCOMPARE(settings.windowTitle(), settingsTexts.title);
        QCOMPARE(settings.CheckBox(1048)->text(), settingsTexts.controls.at(1048));
        // The longest label still fits inside the dialog.
        QVERIFY(settings.CheckBox(1048)->geometry().right() < settings.width());
        QVERIFY(settings.SpellingCombo()->geometry().right() < settings.width());
        QCOMPARE(settings.SpellingCombo()->itemText(0), u"Мои клавиши"_s);
        CAboutDlg::SetProgramPath(u"/nonexistent/tool"_s);
        CAboutDlg about(values);
        QCOMPARE(about.windowTitle(), CurrentResources().Dialog(kDlgAbout).title);
        QVERIFY(!about.findChildren<QLabel*>().isEmpty());
        // The maker line names the whole version the program was built as.
        const QRegularExpression maker(
            u"^Lettrino 2\\.7\\.\\d+, ZDK: русский текст с латинской клавиатуры\\.$"_s);
        bool makerShown = false;
        for (const QLabel* label : about.findChildren<QLabel*>())
            makerShown = makerShown || maker.match(label->text()).hasMatch();
        QVERIFY(makerShown);
    }
};

int main(int argc, char** argv) {
    return RunGuiTest<TestDialogs>(argc, argv);
}

#include "test_dialogs.moc"
