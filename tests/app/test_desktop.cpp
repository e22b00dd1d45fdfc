// The main window as a desktop user meets it: placement through maximize and restore, Alt with a
// letter, toolbar separators, dropped files, the caret's place, Find.
#include "../common/AppTest.h"
#include "../common/FileSizeLimit.h"
#include "../common/GuiTestMain.h"
#include "CAboutDlg.h"
#include "CFindBar.h"
#include "CLtApp.h"
#include "CLtDoc.h"
#include "CLtView.h"
#include "CMainFrame.h"
#include "CPrintRenderer.h"
#include "DSettings.h"
#include "LtMessageBox.h"
#include "RawNames.h"
#include "ResourceIds.h"
#include "SettingsGui.h"
#include "TextPaths.h"
#include "WindowPlacement.h"

#include "CProfile.h"
#include "CResourceModule.h"

#include <QAbstractTextDocumentLayout>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QToolBar>

#include <memory>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

void Plant(const QString& key, const QVariant& value) {
    QSettings settings(u"ZDK"_s, u"Lt"_s);
    settings.setValue(key, value);
    settings.sync();
}

// A menu text as the guide writes it: no mnemonic mark, no shortcut, no dots.
QString Plain(QString text) {
    text = text.section(u'\t', 0, 0).remove(u'&');
    while (text.endsWith(u'.'))
        text.chop(1);
    return text;
}

void CollectNames(const std::vector<SMenuItem>& items, QStringList& names) {
    for (const SMenuItem& item : items) {
        if (!item.separator)
            names << Plain(item.text);
    }
}

// Writes a file under a name given as bytes, past Qt's own name handling.
bool WriteRaw(const QByteArray& path, const QByteArray& bytes) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, bytes.constData(), static_cast<size_t>(bytes.size())) == bytes.size();
    return ::close(fd) == 0 && ok;
}

QByteArray ReadRaw(const QByteArray& path) {
    QFile file;
    return OpenForReading(file, PathFromBytes(path)) ? file.readAll() : QByteArray("(missing)");
}

QString StoredPlacement() {
    return GetProfileString(u"Settings"_s, u"WindowPos"_s);
}

// Maximizes the frame and closes it: the normal rectangle is what is stored, with the state.
void CloseMaximized(CMainFrame* frame) {
    frame->showMaximized();
    QTRY_VERIFY(frame->isMaximized());
    QTest::qWait(400);
    QVERIFY(frame->close());
    QCOMPARE(StoredPlacement(), u"3,100,50,400,300"_s);
}

} // namespace

class TestDesktopFrame : public QObject {
    Q_OBJECT

    const QStringList& m_messages = Modal::Record().messageBoxes;

private slots:
    void init() {
        ClearStore();
        g_inRussian = true;
        Modal::Reset();
        Modal::AnswerAllMessageBoxes(QMessageBox::No);
    }

    void cleanup() {
        Modal::Reset();
        SetCurrentResources(kLangEnglish);
    }

    void storedRectangleIsPlacedFullyOnAScreen_data() {
        QTest::addColumn<QRect>("stored");
        QTest::addColumn<QRect>("placed");
        QTest::newRow("on the second screen") << QRect(2000, 100, 800, 600) << QRect(2000, 100, 800, 600);
        QTest::newRow("one pixel on the first") << QRect(-799, 999, 800, 600) << QRect(0, 400, 800, 600);
        QTest::newRow("mostly off the corner") << QRect(1500, 900, 800, 600) << QRect(1600, 424, 800, 600);
        QTest::newRow("larger than the screen") << QRect(0, 0, 5000, 4000) << QRect(0, 30, 1600, 970);
        QTest::newRow("unplugged monitor at the left")
            << QRect(-2000, 100, 800, 600) << QRect(400, 215, 800, 600);
        QTest::newRow("too large, far below") << QRect(0, 5000, 3000, 900) << QRect(0, 65, 1600, 900);
    }

    void storedRectangleIsPlacedFullyOnAScreen() {
        QFETCH(QRect, stored);
        QFETCH(QRect, placed);
        const QList<QRect> available{QRect(0, 30, 1600, 970), QRect(1600, 0, 1280, 1024)};
        QCOMPARE(PlaceOnScreens(stored, available, available[0]), placed);
    }

    void placementSurvivesMaximizeAndRestore() {
        Plant(u"Settings/WindowPos"_s, u"1,100,50,400,300"_s);
        auto app = StartApp();
        CMainFrame* frame = app->MainFrame();
        QCOMPARE(frame->frameGeometry(), QRect(100, 50, 400, 300));
        for (int round = 0; round < 2; ++round) {
            frame->showMaximized();
            QTRY_VERIFY(frame->isMaximized());
            QTest::qWait(400); // longer than a rectangle needs to count as normal
            frame->showNormal();
            QTRY_VERIFY(!frame->isMaximized());
            QTRY_COMPARE(frame->frameGeometry(), QRect(100, 50, 400, 300)); // restoring never grows
        }
        CloseMaximized(frame);
    }

    void maximizedRectangleReportedEarlyIsNotTheNormalOne() {
        Plant(u"Settings/WindowPos"_s, u"1,100,50,400,300"_s);
        auto app = StartApp();
        CMainFrame* frame = app->MainFrame();
        QTest::qWait(400);
        // Some window managers send the maximized size a moment before the maximized state.
        frame->setGeometry(frame->screen()->availableGeometry());
        QTest::qWait(10);
        CloseMaximized(frame);
    }

    void startedMaximizedRestoresToTheStoredSize() {
        Plant(u"Settings/WindowPos"_s, u"3,100,50,400,300"_s);
        auto app = StartApp();
        CMainFrame* frame = app->MainFrame();
        QTRY_VERIFY(frame->isMaximized());
        frame->showNormal();
        QTRY_VERIFY(!frame->isMaximized());
        QTRY_COMPARE(frame->frameGeometry().size(), QSize(400, 300));
        QVERIFY(frame->close());
        QCOMPARE(StoredPlacement(), u"1,100,50,400,300"_s);
    }

    void storedRectangleOffTheScreenOpensOnIt() {
        Plant(u"Settings/WindowPos"_s, u"1,5000,4000,400,300"_s);
        auto app = StartApp();
        CMainFrame* frame = app->MainFrame();
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QTRY_VERIFY(screen.contains(frame->frameGeometry()));
        QCOMPARE(frame->frameGeometry().size(), QSize(400, 300));
    }

    void altLettersInTheRussianInterface() {
        Plant(u"Settings/InterLang"_s, int(kLangRussian));
        auto app = StartApp();
        CMainFrame* frame = app->MainFrame();
        CLtView* view = app->View();
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Q, Qt::AltModifier); // no menu takes q
        QVERIFY(QApplication::activePopupWidget() == nullptr);
        // f types ф, so Alt+f opens «Файл».
        QTest::keyClick(view, Qt::Key_F, Qt::AltModifier);
        QMenu* file = frame->menuBar()->actions()[0]->menu();
        QCOMPARE(frame->menuBar()->actions()[0]->text(), u"&Файл"_s);
        QTRY_COMPARE(QApplication::activePopupWidget(), file);
        file->close();
        QTest::keyClick(view, Qt::Key_P, Qt::AltModifier); // п: «Правка»
        QTRY_COMPARE(QApplication::activePopupWidget(), frame->menuBar()->actions()[1]->menu());
        QApplication::activePopupWidget()->close();
        QVERIFY(view->toPlainText().isEmpty());
        QVERIFY(!app->Document()->IsModified());
        // Inside a menu, and for a message box's buttons, the Latin key of the marked letter.
        QMenu menu;
        QAction* paste = menu.addAction(u"&Вставить"_s); // v types в
        menu.addAction(u"&Копировать"_s);
        QSignalSpy pasted(paste, &QAction::triggered);
        menu.popup(QPoint(10, 10));
        QTRY_COMPARE(QApplication::activePopupWidget(), &menu);
        QTest::keyClick(&menu, Qt::Key_V);
        QTRY_COMPARE(pasted.count(), 1);
        for (const Qt::KeyboardModifier alt : {Qt::AltModifier, Qt::NoModifier}) {
            QMessageBox box(QMessageBox::Question, u"Lettrino"_s, u"?"_s);
            box.addButton(u"&Да"_s, QMessageBox::YesRole);
            QPushButton* no = box.addButton(u"&Нет"_s, QMessageBox::NoRole);
            box.open();
            QTest::keyClick(&box, Qt::Key_N, alt);
            QTRY_COMPARE(box.clickedButton(), no);
        }
    }

    void toolbarNeverShowsTwoSeparatorsSideBySide_data() {
        QTest::addColumn<bool>("mail");
        QTest::addColumn<int>("separators");
        QTest::newRow("with mail") << true << 5;
        QTest::newRow("without mail") << false << 4;
    }

    void toolbarNeverShowsTwoSeparatorsSideBySide() {
        QFETCH(bool, mail);
        QFETCH(int, separators);
        auto app = StartApp();
        CMainFrame* frame = app->MainFrame();
        app->Settings().mailAvailable = mail;
        frame->UpdateCommands();
        // Without a mail client the item leaves the menu.
        QCOMPARE(frame->Action(kCmdFileSend)->isVisible(), mail);
        int shown = 0;
        bool previousWasSeparator = true; // none at the very start either
        for (QAction* action : frame->ToolBar()->actions()) {
            if (!action->isVisible())
                continue;
            QVERIFY(!(action->isSeparator() && previousWasSeparator));
            previousWasSeparator = action->isSeparator();
            shown += action->isSeparator() ? 1 : 0;
        }
        QVERIFY(!previousWasSeparator);
        QCOMPARE(shown, separators);
        QCOMPARE(frame->Action(kCmdFileSend)->isVisible(), mail);
    }

    void droppedFileOpensAfterAskingAboutChanges() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"письмо.txt"_s);
        QVERIFY(WriteRaw(QFile::encodeName(path), "\xFF\xFE\x3F\x04\x40\x04"));
        auto app = StartApp();
        QTest::keyClicks(app->View(), u"da"_s);
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        for (const QEvent::Type type : {QEvent::DragEnter, QEvent::DragMove}) {
            QDragMoveEvent event(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier, type);
            QApplication::sendEvent(app->View()->viewport(), &event);
        }
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(app->View()->viewport(), &drop);
        QTRY_COMPARE(app->View()->toPlainText(), u"пр"_s);
        QCOMPARE(m_messages, QStringList{u"Save changes to Lettr?"_s});
        QCOMPARE(app->Document()->GetPathName(), path);
    }

    void guideNamesEveryMenuItemAndNoOther_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("file");
        QTest::newRow("English") << int(kLangEnglish) << u"lettrino.txt"_s;
        QTest::newRow("Russian") << int(kLangRussian) << u"lettrino.ru.txt"_s;
        QTest::newRow("German") << int(kLangGerman) << u"lettrino.de.txt"_s;
    }

    void guideNamesEveryMenuItemAndNoOther() {
        QFETCH(int, language);
        QFETCH(QString, file);
        QVERIFY(SetCurrentResources(ELanguage(language)));
        QFile guideFile(QStringLiteral(LT_GUIDE_FOLDER "/") + file);
        QVERIFY(guideFile.open(QIODevice::ReadOnly));
        // Paths may break across lines.
        const QString guide = QString::fromUtf8(guideFile.readAll()).simplified();
        int paths = 0;
        for (const SMenuItem& popup : CurrentResources().Menu(kMenuMain)) {
            QStringList names;
            CollectNames(popup.items, names);
            const QString prefix = Plain(popup.text) + u" > "_s;
            // Every item is named with its menu (a submenu by its own name).
            for (const QString& name : std::as_const(names))
                QVERIFY2(guide.contains(prefix + name), qPrintable(file + u": "_s + prefix + name));
            for (const SMenuItem& item : popup.items)
                CollectNames(item.items, names); // the language submenu
            for (qsizetype at = guide.indexOf(prefix); at >= 0; at = guide.indexOf(prefix, at + 1)) {
                const QString rest = guide.mid(at + prefix.size());
                QVERIFY2(std::any_of(names.cbegin(), names.cend(),
                                     [&](const QString& n) { return rest.startsWith(n); }),
                         qPrintable(prefix + rest.left(30)));
                ++paths;
            }
        }
        QVERIFY(paths >= 20);
    }

    void dialogsFitTheirTextsInEveryLanguage_data() {
        QTest::addColumn<int>("language");
        QTest::newRow("English") << int(kLangEnglish);
        QTest::newRow("Russian") << int(kLangRussian);
        QTest::newRow("German") << int(kLangGerman);
    }

    void dialogsFitTheirTextsInEveryLanguage() {
        QFETCH(int, language);
        QVERIFY(SetCurrentResources(ELanguage(language)));
        CSettings values;
        DSettings settings(values);
        settings.show();
        for (const QGroupBox* group : settings.findChildren<QGroupBox*>())
            QVERIFY2(group->width() >= group->minimumSizeHint().width(), qPrintable(group->title()));
        for (const QCheckBox* box : settings.findChildren<QCheckBox*>())
            QVERIFY2(settings.rect().contains(box->geometry()), qPrintable(box->text()));
        CAboutDlg::SetProgramPath(QCoreApplication::applicationDirPath() + u"/lettrino"_s);
        CAboutDlg about(values);
        about.show();
        QVERIFY(about.TextField()->toPlainText().contains(u"lettrino-cli"_s));
        // The box is as wide as the guide: no line of it wraps.
        QTextDocument* doc = about.TextField()->document();
        for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
            QVERIFY2(block.layout()->lineCount() <= 1, qPrintable(block.text()));
        for (QWidget* dialog : {static_cast<QWidget*>(&settings), static_cast<QWidget*>(&about)}) {
            QVERIFY(!(dialog->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
            QVERIFY(dialog->windowFlags() & Qt::WindowCloseButtonHint);
        }
    }

    void verticalToolbarFitsItsWindow() {
        auto app = StartApp(); // the default window
        CMainFrame* frame = app->MainFrame();
        QToolBar* bar = frame->ToolBar();
        const auto fits = [bar] {
            const auto* chevron = bar->findChild<QWidget*>(u"qt_toolbar_ext_button"_s);
            return chevron == nullptr || !chevron->isVisible();
        };
        QTRY_VERIFY(fits());
        QVERIFY(frame->frameGeometry().height() <= frame->screen()->availableGeometry().height());
        if (frame->devicePixelRatio() == 1) {
            const int frameHeight = frame->frameGeometry().height() - frame->height();
            frame->resize(frame->width(), 600 - frameHeight);
            QTRY_COMPARE(frame->frameGeometry().height(), 600);
            QTRY_VERIFY(fits());
        }
        // Sharp pictures where the screen is scaled by 2.
        const QIcon icon = frame->Action(kCmdFileNew)->icon();
        QCOMPARE(icon.pixmap(QSize(32, 32), 2.0).size(), QSize(64, 64));
    }

    void pathsKeepTheirBytes_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("raw");
        QTest::addColumn<QString>("shown");
        QTest::newRow("UTF-8") << QByteArray("/tmp/Привет.txt") << false << u"/tmp/Привет.txt"_s;
        QTest::newRow("KOI8-R") << QByteArray("/tmp/\xF0\xD2\xC9\xD7\xC5\xD4.txt") << true
                                << u"/tmp/Привет.txt"_s;
        QTest::newRow("Windows-1251 folder")
            << QByteArray("/tmp/\xcf\xe0\xef\xea\xe0/a.txt") << true << u"/tmp/Папка/a.txt"_s;
        QTest::newRow("cut UTF-8") << QByteArray("/tmp/\xD0.txt") << true << u"/tmp/Ð.txt"_s;
        QTest::newRow("U+FFFD itself") << QByteArray("/tmp/\xEF\xBF\xBD") << false << u"/tmp/\uFFFD"_s;
    }

    void pathsKeepTheirBytes() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, raw);
        QFETCH(QString, shown);
        const QString path = PathFromBytes(bytes);
        QCOMPARE(PathToBytes(path), bytes);
        QCOMPARE(IsRawPath(path), raw);
        QCOMPARE(DisplayPath(path), shown);
        QCOMPARE(PathFromProfile(PathToProfile(path)), path);
        QCOMPARE(PathToProfile(path).startsWith(u"file://"_s), raw);
    }

    void koi8rNamedFileOpensAndSavesBackToItsName() {
        QTemporaryDir dir;
        const QByteArray folder = QFile::encodeName(dir.path());
        const QByteArray name = folder + "/\xF0\xD2\xC9\xD7\xC5\xD4.txt"; // "Привет.txt" in KOI8-R
        QVERIFY(WriteRaw(name, "\xFF\xFE\x3F\x04\x40\x04"));
        {
            auto app = std::make_unique<CLtApp>(QStringList{u"lettrino"_s, PathFromBytes(name)});
            QVERIFY(app->InitInstance());
            QCOMPARE(app->View()->toPlainText(), u"пр"_s);
            QCOMPARE(app->Document()->GetTitle(), u"Привет.txt"_s);
            app->View()->moveCursor(QTextCursor::End);
            QTest::keyClicks(app->View(), u"i"_s);
            QVERIFY(app->Document()->DoFileSave());
            QCOMPARE(ReadRaw(name), QByteArray("\xFF\xFE\x3F\x04\x40\x04\x38\x04"));
            std::vector<SRawEntry> entries;
            QVERIFY(ReadFolderRaw(folder, entries));
            QCOMPARE(entries.size(), std::size_t(1)); // no copy under another name left behind
            QVERIFY(app->MainFrame()->close());
            app->ExitInstance();
        }
        // The recent list keeps the bytes too, and opens the file from there.
        auto app = std::make_unique<CLtApp>(QStringList{u"lettrino"_s});
        QVERIFY(app->InitInstance());
        app->MainFrame()->UpdateCommands();
        QVERIFY(app->MainFrame()->Action(kCmdFileMruFirst)->text().endsWith(u"Привет.txt"_s));
        app->MainFrame()->RouteCommand(kCmdFileMruFirst);
        QCOMPARE(app->View()->toPlainText(), u"при"_s);
        QCOMPARE(PathToBytes(app->Document()->GetPathName()), name);
    }

    void failedRawSaveKeepsTheOldFile() {
        QTemporaryDir dir;
        const QByteArray folder = QFile::encodeName(dir.path());
        const QByteArray name = folder + "/\xF0\xD2\xC9\xD7\xC5\xD4.txt";
        QVERIFY(WriteRaw(name, "old text"));
        QString error;
        bool saved = true;
        {
            const CFileSizeLimit limit(16);
            saved = ReplaceFileRaw(PathFromBytes(name), QByteArray(100, 'x'), error);
        }
        QVERIFY(!saved);
        QCOMPARE(error, QString::fromLocal8Bit(strerror(EFBIG)));
        QCOMPARE(ReadRaw(name), QByteArray("old text"));
        std::vector<SRawEntry> entries;
        QVERIFY(ReadFolderRaw(folder, entries));
        QCOMPARE(entries.size(), std::size_t(1)); // the copy is gone
        // A folder that is gone: nothing written, the reason given.
        QVERIFY(!ReplaceFileRaw(PathFromBytes(folder + "/\xF0/x.txt"), "x", error));
        QCOMPARE(error, QString::fromLocal8Bit(strerror(ENOENT)));
    }

    void dialogNameLeadsBackToTheBytes() {
        QTemporaryDir dir;
        const QByteArray name = QFile::encodeName(dir.path()) + "/\xF0\xD2\xC9\xD7\xC5\xD4.txt";
        QVERIFY(WriteRaw(name, "x"));
        QVERIFY(WriteRaw(QFile::encodeName(dir.path()) + "/README", "y"));
        // A file dialog hands back the name with U+FFFD in place of each byte that is not UTF-8.
        const QString shown = dir.path() + u"/"_s + QString::fromUtf8(name.mid(name.lastIndexOf('/') + 1));
        QVERIFY(shown.contains(QChar::ReplacementCharacter));
        QCOMPARE(PathToBytes(ResolveDialogPath(shown)), name);
        QCOMPARE(ResolveDialogPath(dir.filePath(u"README"_s)), dir.filePath(u"README"_s));
        QCOMPARE(CurrentResources().String(kStrAllFilesFilter), u"All Files (*)"_s);
    }

    void caretPlaceAndFindFromTheMenu() {
        auto app = StartApp();
        CMainFrame* frame = app->MainFrame();
        g_inRussian = false;
        QTest::keyClicks(app->View(), u"ab"_s);
        QTest::keyClick(app->View(), Qt::Key_Return);
        QTest::keyClicks(app->View(), u"cd"_s);
        QCOMPARE(frame->CaretPane()->text(), u"Ln 2, Col 3"_s);
        app->View()->moveCursor(QTextCursor::Start);
        frame->RouteCommand(kCmdEditSelectAll);
        QCOMPARE(frame->CaretPane()->text(), u"Ln 2, Col 3"_s);
        frame->RouteCommand(kCmdEditFind);
        QVERIFY(frame->FindBar()->isVisible());
        QVERIFY(frame->FindBar()->FindField()->hasFocus() || !QApplication::focusWidget());
        frame->FindBar()->FindField()->setText(u"b"_s);
        frame->RouteCommand(kCmdEditFindNext);
        QCOMPARE(frame->CaretPane()->text(), u"Ln 1, Col 3"_s);
        QCOMPARE(frame->Action(kCmdEditRedo)->shortcuts(),
                 (QList<QKeySequence>{QKeySequence(u"Ctrl+Y"_s), QKeySequence(u"Ctrl+Shift+Z"_s)}));
    }

    void findMarksEveryMatchAndSaysWhenItWraps() {
        auto app = StartApp();
        CMainFrame* frame = app->MainFrame();
        CLtView* view = app->View();
        view->setPlainText(u"ab cd ab\nab"_s);
        frame->RouteCommand(kCmdEditFind);
        frame->FindBar()->FindField()->setText(u"ab"_s);
        QTRY_COMPARE(view->extraSelections().size(), 3);
        QStringList messages;
        for (int i = 0; i < 4; ++i) {
            frame->RouteCommand(kCmdEditFindNext);
            messages << frame->FindBar()->Message()->text();
        }
        QCOMPARE(messages, (QStringList{QString(), QString(), QString(), u"Wrapped to the top."_s}));
        view->moveCursor(QTextCursor::End);
        view->textCursor().insertText(u" ab"_s); // the marks follow the text
        QTRY_COMPARE(view->extraSelections().size(), 4);
        frame->FindBar()->hide();
        QVERIFY(view->extraSelections().isEmpty());
    }

    void goToLineMovesToTheFileLine() {
        auto app = StartApp();
        // The first line is long enough to be shown in pieces: line 3 of the file is block 5.
        QTemporaryDir dir;
        const QString path = dir.filePath(u"lines.txt"_s);
        QVERIFY(WriteRaw(QFile::encodeName(path), QByteArray("x").repeated(25000) + "\ntwo\nthree\nfour"));
        QVERIFY(app->OpenDocumentFile(path));
        // The dialog lives only while it is shown: what it offered is read there.
        int maximum = -1;
        Modal::NextDialogAnswer([&](QDialog& dialog) {
            auto* asked = qobject_cast<QInputDialog*>(&dialog);
            if (asked == nullptr)
                return int(QDialog::Rejected);
            maximum = asked->intMaximum();
            asked->setIntValue(3);
            return int(QDialog::Accepted);
        });
        app->MainFrame()->RouteCommand(kCmdEditGoToLine);
        QCOMPARE(maximum, 4);
        QCOMPARE(app->View()->textCursor().block().text(), u"three"_s);
        QCOMPARE(app->MainFrame()->CaretPane()->text(), u"Ln 3, Col 1"_s);
    }

    void copyAsWindows1251NamesWhatItLacks() {
        auto app = StartApp();
        QVERIFY(app->MainFrame()->Action(kCmdEditCopy1251)->isVisible()); // in the Edit menu
        app->View()->setPlainText(u"Цена 5 €, café 中"_s);
        app->View()->selectAll();
        QApplication::clipboard()->clear();
        const QString kind = u"text/plain;charset=windows-1251"_s;
        for (const auto answer : {QMessageBox::Cancel, QMessageBox::Yes}) {
            Modal::NextMessageBoxAnswer(answer);
            app->MainFrame()->RouteCommand(kCmdEditCopy1251);
            QVERIFY2(m_messages.last().contains(u"2 characters of the selection: “é”, “中”"_s),
                     qPrintable(m_messages.last()));
            const QMimeData* data = QApplication::clipboard()->mimeData();
            QCOMPARE(data != nullptr ? data->data(kind) : QByteArray(),
                     answer == QMessageBox::Yes ? QByteArray("\xd6\xe5\xed\xe0 5 \x88, caf? ?")
                                                : QByteArray());
        }
    }

    void pageSetupDefaultsToPrintableMarginsAndIsRemembered() {
        struct Case {
            QString stored, written;
        };
        const QList<Case> cases{{u""_s, u"20,20,20,20"_s},
                                {u"0,1,10,12,14,16"_s, u"0,1,10,12,14,16"_s},
                                {u"0,1,10,12,14"_s, u"20,20,20,20"_s},
                                {u"999,0,10,10,10,10"_s, u"20,20,20,20"_s},
                                {u"0,0,-5,10,10,10"_s, u"20,20,20,20"_s}};
        for (const Case& c : cases) {
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            ApplyPageSetting(printer, c.stored);
            QVERIFY2(PageSetting(printer).endsWith(c.written),
                     qPrintable(c.stored + u" -> "_s + PageSetting(printer)));
        }
        // Through the menu: an accepted Print Setup writes the page back to Lt.conf.
        Plant(u"Settings/PrintPage"_s, u"0,1,10,12,14,16"_s);
        auto app = StartApp();
        Modal::NextDialogAnswer([](QDialog&) { return int(QDialog::Accepted); });
        app->MainFrame()->RouteCommand(kCmdFilePrintSetup);
        QCOMPARE(GetProfileString(u"Settings"_s, u"PrintPage"_s), u"0,1,10,12,14,16"_s);
    }

    void longLineCountsAsOneLine() {
        auto app = StartApp();
        CMainFrame* frame = app->MainFrame();
        QTemporaryDir dir;
        const QString path = dir.filePath(u"line.txt"_s);
        QVERIFY(WriteRaw(QFile::encodeName(path), QByteArray("x").repeated(25000) + "\nend\n"));
        QVERIFY(app->OpenDocumentFile(path));
        QCOMPARE(frame->statusBar()->currentMessage(), CurrentResources().String(kStrLongLinesCut));
        QTextCursor cursor(app->View()->document()->findBlockByNumber(2)); // the line's third piece
        cursor.movePosition(QTextCursor::Right);
        app->View()->setTextCursor(cursor);
        QCOMPARE(frame->CaretPane()->text(), u"Ln 1, Col 20002"_s);
        app->View()->moveCursor(QTextCursor::End);
        QCOMPARE(frame->CaretPane()->text(), u"Ln 3, Col 1"_s);
    }
};

int main(int argc, char** argv) {
    return RunGuiTest<TestDesktopFrame>(argc, argv);
}

#include "test_desktop.moc"
