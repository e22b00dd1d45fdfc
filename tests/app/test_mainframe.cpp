// The main window, start-up and shut-down and the language switch, driven the way start-up and
// the user drive them, against a private settings store.
#include "../common/AppTest.h"
#include "../common/GuiTestMain.h"
#include "CLtApp.h"
#include "CLtDoc.h"
#include "CLtView.h"
#include "CMainFrame.h"
#include "CPictureEx.h"
#include "CSplashWnd.h"
#include "DFileMp3.h"
#include "DFileRenamer.h"
#include "DocStrings.h"
#include "Journal.h"
#include "LtMessageBox.h"
#include "ResourceIds.h"
#include "Settings.h"

#include "CLogFont.h"
#include "CProfile.h"
#include "CResourceModule.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <functional>
#include <memory>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

QVariant Stored(const QString& key) {
    return QSettings(u"ZDK"_s, u"Lt"_s).value(key);
}

void Plant(const QString& key, const QVariant& value) {
    QSettings settings(u"ZDK"_s, u"Lt"_s);
    settings.setValue(key, value);
    settings.sync();
}

QString MenuTitle(const CMainFrame& frame, int index) {
    return frame.menuBar()->actions().value(index) ? frame.menuBar()->actions()[index]->text() : QString();
}

QString ResourceMenuTitle(int index) {
    const auto menu = CurrentResources().Menu(kMenuMain);
    return index < static_cast<int>(menu.size()) ? menu[index].text : QString();
}

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Triggers the command's QAction (which runs it queued); `answer` works the modal dialog it
// opens. The dialog's class.
QString Trigger(CMainFrame* frame, int id, std::function<void(QDialog*)> answer = {}) {
    frame->UpdateCommands();
    if (frame->Action(id)->isEnabled())
        frame->Action(id)->trigger();
    QString shown;
    if (answer) {
        QTimer::singleShot(0, [&shown, answer] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            shown = dialog ? QString::fromLatin1(dialog->metaObject()->className()) : u"none"_s;
            if (dialog)
                answer(dialog);
        });
    }
    QCoreApplication::processEvents();
    return shown;
}

} // namespace

class TestMainFrame : public QObject {
    Q_OBJECT

private:
    const QStringList& m_messages = Modal::Record().messageBoxes;

private slots:
    void init() {
        ClearStore();
        g_inRussian = true;
        Modal::Reset();
        Modal::AnswerAllMessageBoxes(QMessageBox::No); // never save, never block
    }

    void cleanup() {
        Modal::Reset();
        SetCurrentResources(kLangEnglish);
    }

    void firstRunStoresEveryWindowSetting() {
        auto app = StartApp();
        CMainFrame* frame = app->MainFrame();
        QVERIFY(frame != nullptr);
        QCOMPARE(frame->windowTitle(), u"Lettr[*] - Lettrino 2.7"_s);
        QCOMPARE(frame->MessagePane()->text(), u"Ready"_s);
        QVERIFY(frame->close());
        app->ExitInstance();

        SWindowPos pos;
        QVERIFY(ParseWindowPos(GetProfileString(u"Settings"_s, u"WindowPos"_s), pos));
        QCOMPARE(pos.showState, 1);
        QVERIFY(pos.width > 0 && pos.height > 0);
        const std::pair<const char*, int> expected[] = {
            {"IsPanel", 0},  {"PanelWidth", 150}, {"WrapText", 1},        {"AutoClip", 0},     {"Beep", 2},
            {"TabStops", 4}, {"ToolbarLarge", 1}, {"ToolbarVertical", 1}, {"InterLang", 32882}};
        for (const auto& [name, value] : expected)
            QCOMPARE(Stored(u"Settings/"_s + QLatin1String(name)).toInt(), value);
        QCOMPARE(Stored(u"Settings/Font"_s).toString(), u"-12 0 0 0 400 0 0 0 204 7 0 0 0 Arial"_s);
        QCOMPARE(Stored(u"Settings/FontList"_s).toString(), u"-12 0 0 0 400 0 0 0 1 7 0 0 0 Arial"_s);
        QVERIFY(!Stored(u"Settings/Chars"_s).toString().isEmpty());
        // Settings the frame does not own are left to their writers.
        QVERIFY(!Stored(u"Settings/KeysCtrlShift"_s).isValid());
    }

    void placementIsRestoredAndStoredBack_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("maximized");
        QTest::addColumn<QRect>("outer");     // null: any default placement
        QTest::addColumn<QString>("written"); // empty: five integers with show state 1
        // Rectangles that fit the test screen (800 x 600): larger ones are shrunk to it.
        QTest::newRow("normal") << u"1,100,50,400,300"_s << false << QRect(100, 50, 400, 300)
                                << u"1,100,50,400,300"_s;
        QTest::newRow("maximized keeps the normal placement")
            << u"3,10,10,600,400"_s << true << QRect() << u"3,10,10,600,400"_s;
        QTest::newRow("four numbers") << u"1,100,50,800"_s << false << QRect() << QString();
        QTest::newRow("six numbers") << u"1,100,50,800,600,7"_s << false << QRect() << QString();
        QTest::newRow("not numbers") << u"a,b,c,d,e"_s << false << QRect() << QString();
        QTest::newRow("empty") << QString() << false << QRect() << QString();
    }

    void placementIsRestoredAndStoredBack() {
        QFETCH(QString, stored);
        QFETCH(bool, maximized);
        QFETCH(QRect, outer);
        QFETCH(QString, written);
        if (!stored.isEmpty())
            Plant(u"Settings/WindowPos"_s, stored);
        auto app = StartApp();
        CMainFrame* frame = app->MainFrame();
        QTRY_COMPARE(frame->isMaximized(), maximized);
        if (!outer.isNull())
            QCOMPARE(frame->frameGeometry(), outer);
        QVERIFY(frame->close());
        const QString result = GetProfileString(u"Settings"_s, u"WindowPos"_s);
        if (!written.isEmpty()) {
            QCOMPARE(result, written);
        } else {
            SWindowPos pos;
            QVERIFY2(ParseWindowPos(result, pos), qPrintable(result));
            QCOMPARE(pos.showState, 1);
        }
    }

    void maximizingStoresTheLastNormalSize() {
        Plant(u"Settings/WindowPos"_s, u"1,100,50,400,300"_s);
        auto app = StartApp();
        CMainFrame* frame = app->MainFrame();
        frame->showMaximized();
        QTRY_VERIFY(frame->isMaximized());
        QVERIFY(frame->close());
        QCOMPARE(GetProfileString(u"Settings"_s, u"WindowPos"_s), u"3,100,50,400,300"_s);
    }

    void closingWhileMinimizedStoresNothing() {
        Plant(u"Settings/WindowPos"_s, u"1,100,50,800,600"_s);
        Plant(u"Settings/WrapText"_s, 0);
        auto app = StartApp();
        CMainFrame* frame = app->MainFrame();
        app->Settings().interLang.Set(kLangGerman);
        frame->showMinimized();
        QTRY_VERIFY(frame->isMinimized());
        const auto before = StoreSnapshot();
        QVERIFY(frame->close());
        QCOMPARE(StoreSnapshot(), before);
        QCOMPARE(frame->ShowState(), -1);
    }

    void closingAFrameNeverShownStoresNothing() {
        CSettings settings;
        CMainFrame frame(nullptr, settings);
        QVERIFY(frame.OnCreate());
        QVERIFY(frame.close());
        QVERIFY(StoreSnapshot().isEmpty());
    }

    void cancelledCloseStillStoresTheSettings() {
        auto app = StartApp();
        CMainFrame* frame = app->MainFrame();
        QTest::keyClicks(app->View(), u"privet"_s);
        QVERIFY(app->Document()->IsModified());
        QVERIFY(frame->windowTitle().contains(u"[*]"_s) && frame->isWindowModified());
        Modal::AnswerAllMessageBoxes(QMessageBox::Cancel);
        QVERIFY(!frame->close());
        QVERIFY(frame->isVisible());
        QCOMPARE(m_messages, QStringList{u"Save changes to Lettr?"_s});
        QCOMPARE(Stored(u"Settings/InterLang"_s).toInt(), 32882);
    }

    void storedLanguageIsAppliedAtStart_data() {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("idle");
        QTest::newRow("Russian") << 32883 << int(kLangRussian) << u"Готово"_s;
        QTest::newRow("German") << 32884 << int(kLangGerman) << u"Bereit"_s;
        QTest::newRow("unknown value") << 0 << int(kLangEnglish) << u"Ready"_s;
    }

    void storedLanguageIsAppliedAtStart() {
        QFETCH(int, stored);
        QFETCH(int, language);
        QFETCH(QString, idle);
        Plant(u"Settings/InterLang"_s, stored);
        auto app = StartApp();
        CMainFrame* frame = app->MainFrame();
        QCOMPARE(int(CurrentResources().Language()), language);
        QCOMPARE(frame->MessagePane()->text(), idle);
        QCOMPARE(MenuTitle(*frame, 0), ResourceMenuTitle(0));
        QCOMPARE(frame->Action(kCmdFileNew)->toolTip(),
                 CurrentResources().String(kCmdFileNew).section(u'\n', 1));
        QVERIFY(!app->View()->ContextMenu()->isEmpty());
        QCOMPARE(app->View()->ContextMenu()->actions().first()->text(),
                 CurrentResources().Menu(kMenuPopups)[1].items[0].text);
        frame->UpdateCommands();
        for (const int id : {kCmdLangEnglish, kCmdLangRussian, kCmdLangGerman})
            QCOMPARE(frame->Action(id)->isChecked(), id == stored);
        QVERIFY(frame->close());
        // An unknown value is not repaired: it goes back as it came.
        QCOMPARE(Stored(u"Settings/InterLang"_s).toInt(), stored);
    }

    void switchingLanguagesLoadsEachModuleOnceAndPersists() {
        auto app = StartApp();
        CMainFrame* frame = app->MainFrame();
        const int loadsBefore = ResourceLoadCount(kLangRussian);
        for (const int id : {kCmdLangRussian, kCmdLangEnglish, kCmdLangRussian}) {
            frame->Action(id)->trigger();
            QTRY_COMPARE(app->Settings().interLang.Value(), id);
        }
        QVERIFY(ResourceLoadCount(kLangRussian) - loadsBefore <= 1);
        QCOMPARE(MenuTitle(*frame, 0), u"&Файл"_s);

        frame->Action(kCmdLangGerman)->trigger();
        QTRY_COMPARE(CurrentResources().Language(), kLangGerman);
        QCOMPARE(frame->MessagePane()->text(), u"Bereit"_s);
        frame->UpdateCommands();
        QVERIFY(frame->Action(kCmdLangGerman)->isChecked());
        QVERIFY(!frame->Action(kCmdLangEnglish)->isChecked() && !frame->Action(kCmdLangRussian)->isChecked());
        // The menu's own language items carry the new texts too.
        QCOMPARE(frame->Action(kCmdFileOpen)->statusTip(),
                 CurrentResources().String(kCmdFileOpen).section(u'\n', 0, 0));
        QVERIFY(frame->close());
        QCOMPARE(Stored(u"Settings/InterLang"_s).toInt(), 32884);
    }

    void toolbarFollowsTheSettings_data() {
        QTest::addColumn<int>("large");
        QTest::addColumn<int>("vertical");
        QTest::newRow("large, left") << 1 << 1;
        QTest::newRow("large, top") << 1 << 0;
        QTest::newRow("small, left") << 0 << 1;
        QTest::newRow("small, top") << 0 << 0;
    }

    void toolbarFollowsTheSettings() {
        QFETCH(int, large);
        QFETCH(int, vertical);
        Plant(u"Settings/ToolbarLarge"_s, large);
        Plant(u"Settings/ToolbarVertical"_s, vertical);
        auto app = StartApp();
        CMainFrame* frame = app->MainFrame();
        QToolBar* bar = frame->ToolBar();
        QCOMPARE(bar->iconSize(), large ? QSize(32, 32) : QSize(16, 16));
        QCOMPARE(frame->toolBarArea(bar), vertical ? Qt::LeftToolBarArea : Qt::TopToolBarArea);
        const QList<QAction*> items = bar->actions();
        QCOMPARE(items.size(), 18);
        QCOMPARE(items[8], frame->Action(kCmdViewRussian));
        QCOMPARE(items[17], frame->Action(kCmdAppAbout));
        QCOMPARE(frame->ModePicture() != nullptr, large != 0);
        if (large) {
            CPictureEx* picture = frame->ModePicture();
            QVERIFY(picture->IsPlaying());
            const QRect button = bar->widgetForAction(items[8])->geometry();
            QTRY_COMPARE(picture->geometry(), button.adjusted(3, 3, 0, 0));
            // Switching the mode off shows the other picture; clicks still reach the button.
            frame->RouteCommand(kCmdViewRussian);
            QVERIFY(!g_inRussian);
            QVERIFY(picture->IsReady());
            QVERIFY(picture->testAttribute(Qt::WA_TransparentForMouseEvents));
        }
        QVERIFY(frame->close());
        QCOMPARE(Stored(u"Settings/ToolbarLarge"_s).toInt(), large);
        QCOMPARE(Stored(u"Settings/ToolbarVertical"_s).toInt(), vertical);
    }

    void commandLineOpensTheNamedFile() {
        QTemporaryDir dir;
        const QString path = WriteFile(dir, u"letter.txt"_s, QByteArray("\xFF\xFE\x3F\x04\x40\x04", 6));
        auto app = StartApp({path});
        QVERIFY(app->MainFrame() != nullptr && app->MainFrame()->isVisible());
        QCOMPARE(app->View()->toPlainText(), u"пр"_s);
        QCOMPARE(app->MainFrame()->windowTitle(), u"letter.txt[*] - Lettrino 2.7"_s);
        QVERIFY(!app->Document()->IsModified());
        QVERIFY(m_messages.isEmpty());
        QVERIFY(app->MainFrame()->close());
        app->ExitInstance();
        QCOMPARE(GetProfileString(u"Recent File List"_s, u"File1"_s), QFileInfo(path).absoluteFilePath());
    }

    void namedFileThatCannotBeOpened_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reason"); // empty: a new file under that name
        QTest::newRow("missing") << u"missing.txt"_s << QString();
        QTest::newRow("folder") << u"folder"_s << u"is a folder"_s;
    }

    // A name that does not exist is a new document; anything else that cannot be opened says
    // why, and the program stays with an empty document.
    void namedFileThatCannotBeOpened() {
        QFETCH(QString, name);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(u"folder"_s));
        const QString path = dir.filePath(name);
        auto app = StartApp({path});
        QVERIFY(app->MainFrame() != nullptr && app->MainFrame()->isVisible());
        QCOMPARE(app->Document()->IsNewFile(), reason.isEmpty());
        if (reason.isEmpty()) {
            QVERIFY(m_messages.isEmpty());
            QCOMPARE(app->Document()->GetPathName(), path);
            QVERIFY(app->MainFrame()->FormatPane()->text().contains(u"new file"_s));
            app->View()->insertPlainText(u"first line"_s);
            QVERIFY(app->Document()->DoFileSave());
            QVERIFY(QFileInfo(path).isFile());
            QVERIFY(!app->Document()->IsNewFile());
        } else {
            QCOMPARE(m_messages.size(), 1);
            QVERIFY(m_messages[0].contains(path) && m_messages[0].contains(reason));
            QVERIFY(app->Document()->GetPathName().isEmpty());
        }
        QVERIFY(app->MainFrame()->close());
    }

    void severalFilesOpenTheFirstAndNameTheOthers_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("one") << QStringList{u"a.txt"_s} << QString();
        QTest::newRow("three") << QStringList{u"a.txt"_s, u"b.txt"_s, u"c d.txt"_s}
                               << u"Lettrino opens one file at a time. These files were not opened:\n"
                                  "%1/b.txt\n%1/c d.txt"_s;
        QTest::newRow("switches and --")
            << QStringList{u"-x"_s, u"a.txt"_s, u"--"_s, u"-b.txt"_s}
            << u"Lettrino opens one file at a time. These files were not opened:\n"
               "%1/-b.txt"_s;
    }

    void severalFilesOpenTheFirstAndNameTheOthers() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        QTemporaryDir dir;
        WriteFile(dir, u"a.txt"_s, "privet");
        const QString before = QDir::currentPath();
        QDir::setCurrent(dir.path());
        auto app = StartApp(arguments);
        QDir::setCurrent(before);
        QCOMPARE(app->MainFrame()->windowTitle(), u"a.txt[*] - Lettrino 2.7"_s);
        QCOMPARE(m_messages, message.isEmpty() ? QStringList() : QStringList{message.arg(dir.path())});
        QVERIFY(app->MainFrame()->close());
    }

    void versionNumberReplacesTheStoredOne_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("shown");
        QTest::newRow("title") << u"Lettrino 2.7"_s << u"3.10"_s << u"Lettrino 3.10"_s;
        QTest::newRow("maker") << u"Lettrino 2.7 by ZDK: 2.5 keys"_s << u"2.7.1"_s
                               << u"Lettrino 2.7.1 by ZDK: 2.5 keys"_s;
        QTest::newRow("russian") << u"Lettrino 2.7, ZDK: русский текст"_s << u"2.8.0"_s
                                 << u"Lettrino 2.8.0, ZDK: русский текст"_s;
        QTest::newRow("no number") << u"Lettrino 2"_s << u"2.7.0"_s << u"Lettrino 2"_s;
    }

    void versionNumberReplacesTheStoredOne() {
        QFETCH(QString, stored);
        QFETCH(QString, version);
        QFETCH(QString, shown);
        QCOMPARE(WithVersion(stored, version), shown);
    }

    void recentFilesAreListedNewestFirst() {
        QTemporaryDir dir;
        QStringList paths;
        for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"})
            paths << QFileInfo(WriteFile(dir, QLatin1String(name), "text")).absoluteFilePath();
        Plant(u"Recent File List/File1"_s, paths[0]);
        auto app = StartApp();
        CMainFrame* frame = app->MainFrame();
        frame->UpdateCommands();
        QVERIFY(frame->Action(kCmdFileMruFirst)->text().endsWith(paths[0]));
        QVERIFY(!frame->Action(kCmdFileMruFirst + 1)->isVisible());
        for (int i = 1; i < 5; ++i)
            QVERIFY(app->OpenDocumentFile(paths[i]));
        QVERIFY(app->OpenDocumentFile(paths[2])); // moves up, not in twice
        frame->UpdateCommands();
        QCOMPARE(frame->Action(kCmdFileMruFirst)->text(), u"&1 "_s + QDir::toNativeSeparators(paths[2]));
        QVERIFY(frame->Action(kCmdFileMruLast)->isVisible());
        // Opening from the list.
        frame->RouteCommand(kCmdFileMruFirst + 1);
        QCOMPARE(app->Document()->GetPathName(), paths[4]);
        QVERIFY(frame->close());
        app->ExitInstance();
        const QStringList expected{paths[4], paths[2], paths[3], paths[1]};
        for (int i = 0; i < 4; ++i)
            QCOMPARE(GetProfileString(u"Recent File List"_s, u"File%1"_s.arg(i + 1)), expected[i]);
    }

    // No timer: each state follows its signal the moment it changes.
    void commandStatesFollowTheirSignals() {
        auto app = StartApp();
        CMainFrame* frame = app->MainFrame();
        CLtView* view = app->View();
        QApplication::clipboard()->clear();
        QVERIFY(!frame->Action(kCmdEditPaste)->isEnabled());
        QApplication::clipboard()->setText(u"x"_s);
        QVERIFY(frame->Action(kCmdEditPaste)->isEnabled());
        QVERIFY(!frame->Action(kCmdEditUndo)->isEnabled() && !frame->Action(kCmdEditFind)->isEnabled());
        QTest::keyClicks(view, u"abc"_s);
        QVERIFY(frame->Action(kCmdEditUndo)->isEnabled() && frame->Action(kCmdEditFind)->isEnabled());
        for (const bool selected : {true, false, true}) {
            if (selected)
                view->selectAll();
            else
                view->moveCursor(QTextCursor::End);
            for (const int id : {kCmdEditCut, kCmdEditCopy, kCmdEditConvert})
                QCOMPARE(frame->Action(id)->isEnabled(), selected);
        }
        view->undo();
        QVERIFY(frame->Action(kCmdEditRedo)->isEnabled());
        QVERIFY(frame->Action(kCmdViewRussian)->isChecked());
        QTest::keyClick(view, Qt::Key_Escape);
        QVERIFY(!frame->Action(kCmdViewRussian)->isChecked());
        QVERIFY(!frame->Action(kCmdFileReopenWithEncoding)->isEnabled());
        QTemporaryDir dir;
        QVERIFY(app->OpenDocumentFile(WriteFile(dir, u"a.txt"_s, "text")));
        QVERIFY(frame->Action(kCmdFileReopenWithEncoding)->isEnabled());
        QVERIFY(frame->Action(kCmdFileMruFirst)->text().endsWith(u"a.txt"_s));
        QVERIFY(frame->close());
    }

    void commandsWithoutAHandlerAreDisabled() {
        auto app = StartApp();
        CMainFrame* frame = app->MainFrame();
        frame->UpdateCommands();
        QVERIFY(frame->Action(kCmdFileNew)->isEnabled());
        QVERIFY(!frame->Action(kCmdEditCut)->isEnabled()); // nothing selected
        QVERIFY(!frame->Action(kCmdNextPane)->isEnabled());
        QTest::keyClicks(app->View(), u"abc"_s);
        app->View()->selectAll();
        frame->UpdateCommands();
        QVERIFY(frame->Action(kCmdEditCut)->isEnabled());
        QCOMPARE(frame->Action(kCmdEditUndo)->shortcuts(),
                 (QList<QKeySequence>{QKeySequence(u"Ctrl+Z"_s), QKeySequence(u"Alt+Backspace"_s)}));
    }

    // The save choice comes with the command: Ctrl as Save is chosen, not Ctrl held later.
    void ctrlSaveWritesWindows1251() {
        QTemporaryDir dir;
        const QString path = WriteFile(dir, u"letter.txt"_s, "\xEC\xE8\xF0");
        auto app = StartApp({path});
        CMainFrame* frame = app->MainFrame();
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame));
        app->View()->setPlainText(u"Привет"_s);
        QTest::keyClick(app->View(), Qt::Key_S, Qt::ControlModifier);
        QTRY_COMPARE(ReadFile(path), QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2"));
        QTest::keyRelease(app->View(), Qt::Key_Control); // Ctrl let go: the next Save is plain
        app->View()->setPlainText(u"Привет!"_s);
        frame->RouteCommand(kCmdFileSave);
        QCOMPARE(ReadFile(path),
                 QByteArray("\xFF\xFE\x1F\x04\x40\x04\x38\x04\x32\x04\x35\x04\x42\x04!\x00", 16));
        QVERIFY(frame->close());
    }

    void menuCommandsThroughTheirActions() {
        QTemporaryDir dir;
        // An 8-bit file: Save writes UTF-16 with a mark, Ctrl+S Windows-1251.
        const QString path = WriteFile(dir, u"letter.txt"_s, "\xCF\xF0\xE8\xE2\xE5\xF2 \xEC\xE8\xF0");
        auto app = StartApp({path});
        CMainFrame* frame = app->MainFrame();
        app->View()->setPlainText(u"Привет"_s);
        const auto reject = [](QDialog* dialog) { dialog->reject(); };

        Trigger(frame, kCmdEditSelectAll);
        QCOMPARE(app->View()->textCursor().selectedText(), u"Привет"_s);
        const QByteArray utf16("\xFF\xFE\x1F\x04\x40\x04\x38\x04\x32\x04\x35\x04\x42\x04", 14);
        Trigger(frame, kCmdFileSave);
        QCOMPARE(ReadFile(path), utf16);
        const QString copy = dir.filePath(u"copy.txt"_s);
        QCOMPARE(Trigger(frame, kCmdFileSaveAs,
                         [&copy](QDialog* dialog) {
                             qobject_cast<QFileDialog*>(dialog)->selectFile(copy);
                             dialog->accept();
                         }),
                 u"QFileDialog"_s);
        QCOMPARE(ReadFile(copy), utf16);
        QCOMPARE(frame->windowTitle(), u"copy.txt[*] - Lettrino 2.7"_s);
        frame->activateWindow(); // back from the file dialog
        QVERIFY(QTest::qWaitForWindowActive(frame));
        // Ctrl held: a document once saved as UTF-16 keeps it, nothing becomes 8-bit behind its back.
        QTest::keyClick(app->View(), Qt::Key_S, Qt::ControlModifier);
        QCoreApplication::processEvents();
        QCOMPARE(ReadFile(copy), utf16);

        // Page setup and printing share one printer: landscape, then a PDF file.
        QCOMPARE(Trigger(frame, kCmdFilePrintSetup,
                         [](QDialog* dialog) {
                             dialog->findChild<QRadioButton*>(u"landscape"_s)->click();
                             dialog->accept();
                         }),
                 u"QPageSetupDialog"_s);
        const QString pdf = dir.filePath(u"letter.pdf"_s);
        QCOMPARE(Trigger(frame, kCmdFilePrint,
                         [&pdf](QDialog* dialog) {
                             qobject_cast<QPrintDialog*>(dialog)->printer()->setOutputFileName(pdf);
                             dialog->done(QDialog::Accepted);
                         }),
                 u"QPrintDialog"_s);
        const QByteArray printed = ReadFile(pdf);
        QVERIFY(printed.startsWith("%PDF-"));
        const auto box = QRegularExpression(u"/MediaBox \\[0 0 ([0-9.]+) ([0-9.]+)\\]"_s)
                             .match(QString::fromLatin1(printed));
        QVERIFY(box.captured(1).toDouble() > box.captured(2).toDouble()); // landscape

        QFont chosen = app->View()->font();
        chosen.setPixelSize(20);
        chosen.setBold(true);
        Modal::NextFontAnswer(chosen);
        Trigger(frame, kCmdViewFont);
        QCOMPARE(app->View()->font().pixelSize(), 20);

        for (const int id : {kCmdViewToolbar, kCmdViewStatusBar}) {
            QWidget* bar =
                id == kCmdViewToolbar ? static_cast<QWidget*>(frame->ToolBar()) : frame->statusBar();
            Trigger(frame, id);
            QVERIFY(bar->isHidden());
            Trigger(frame, id);
            QVERIFY(!bar->isHidden());
        }
        QCOMPARE(Trigger(frame, kCmdFileRenamer, reject), u"DFileRenamer"_s);
        QCOMPARE(Trigger(frame, kCmdFileMp3, reject), u"DFileMp3"_s);

        Trigger(frame, kCmdAppExit);
        QVERIFY(!frame->isVisible());
        app->ExitInstance();
        QCOMPARE(Stored(u"Settings/Font"_s).toString(), u"-20 0 0 0 700 0 0 0 204 7 0 0 0 Arial"_s);
    }

    void extraMenuUndoesTheRunChosenAfterItsPreview() {
        // Two runs in two folders: the older one, chosen and confirmed, goes back; the other stays.
        QTemporaryDir older, newer;
        for (QTemporaryDir* dir : {&older, &newer}) {
            const QByteArray folder = QFile::encodeName(dir->path());
            QVERIFY(QFile(dir->path() + u"/Привет.txt"_s).open(QIODevice::WriteOnly));
            const CFolderFd fd = OpenFolderPath(folder);
            struct stat info {};
            QVERIFY(fstatat(fd.Fd(), "Привет.txt", &info, 0) == 0);
            CJournal journal("renamer", folder, "");
            long change = -1;
            QVERIFY(journal.AppendRename(fd.Fd(), "Привет.txt", "Privet.txt", info.st_dev, info.st_ino,
                                         nullptr, &change));
            QVERIFY(RenameNoReplaceAt(fd.Fd(), "Привет.txt", "Privet.txt"));
            journal.Done(change, info.st_dev, info.st_ino);
            QTest::qWait(5); // the journals' names sort by the millisecond
        }
        const std::vector<SJournalRun> runs = RecentRuns({}, 2);
        QCOMPARE(runs.size(), std::size_t(2));
        auto app = StartApp();
        Modal::NextItemAnswer(
            CurrentResources()
                .String(kStrRunItem)
                .arg(u"renamer"_s,
                     QDateTime::fromString(QString::fromLatin1(runs[1].started), Qt::ISODateWithMs)
                         .toLocalTime()
                         .toString(u"yyyy-MM-dd HH:mm"_s))
                .arg(1)
                .arg(older.path()));
        Modal::NextMessageBoxAnswer(QMessageBox::Yes);
        Trigger(app->MainFrame(), kCmdUndoLastRun);
        QVERIFY2(m_messages.size() >= 2 && m_messages[m_messages.size() - 2].contains(u"Privet.txt"_s),
                 qPrintable(m_messages.join(u"\n"_s)));
        QVERIFY(QFile::exists(older.path() + u"/Привет.txt"_s));
        QVERIFY(QFile::exists(newer.path() + u"/Privet.txt"_s));
    }

    void splashShowsTheWholeBitmapCentred() {
        CSplashWnd splash;
        splash.Create();
        QCOMPARE(splash.size(), QSize(293, 169));
        QCOMPARE(splash.geometry().center(), QGuiApplication::primaryScreen()->geometry().center());
        QVERIFY(splash.isVisible());
    }
};

int main(int argc, char** argv) {
    return RunGuiTest<TestMainFrame>(argc, argv);
}

#include "test_mainframe.moc"
