// The Toolkit panel and its character list in the running program: the user clicks a line, types
// new keys and types Russian with them, restores the defaults from the context menu, shows, hides
// and drags the panel, and finds everything again after a restart.
#include "../common/AppTest.h"
#include "../common/GuiTestMain.h"
#include "CCharTable.h"
#include "CLtApp.h"
#include "CLtView.h"
#include "CMainFrame.h"
#include "CPanel.h"
#include "DSymbol.h"
#include "LtMessageBox.h"
#include "ResourceIds.h"
#include "SettingsGui.h"

#include "CLogFont.h"
#include "CResourceModule.h"

#include <QApplication>
#include <QLineEdit>

#include <QListWidget>
#include <QMenu>
#include <QSettings>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

QVariant Stored(const QString& key) {
    return QSettings(u"ZDK"_s, u"Lt"_s).value(u"Settings/"_s + key);
}

QString DefaultLabel(int row) {
    CCharTable defaults;
    defaults.SetDefaultKeys();
    return QString::fromStdU16String(defaults.RowLabel(row));
}

} // namespace

class TestToolkit : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CLtApp> m_app;

    CMainFrame* Frame() const { return m_app->MainFrame(); }
    CPanel* Panel() const { return Frame()->Panel(); }
    QListWidget* List() const { return Panel()->Symbol().List(); }
    CLtView* View() const { return Frame()->EditView(); }
    QSplitter* Splitter() const { return Frame()->findChild<QSplitter*>(u"PanelSplitter"_s); }

    bool Start() {
        m_app = std::make_unique<CLtApp>(QStringList{u"lettrino"_s});
        if (!m_app->InitInstance())
            return false;
        if (!QTest::qWaitForWindowExposed(Frame()))
            return false;
        // F4 is a shortcut of the window: it reaches the view only in the active window.
        Frame()->activateWindow();
        return QTest::qWaitForWindowActive(Frame());
    }

    void Restart() {
        QVERIFY(Frame()->close());
        m_app->ExitInstance();
        m_app.reset();
        QVERIFY(Start());
    }

    // One click on the line, the new text typed over the old one, then Return or Esc.
    void EditLabel(int row, const QString& text, Qt::Key end = Qt::Key_Return) {
        Panel()->ShowPanel();
        QListWidgetItem* item = List()->item(row);
        QVERIFY(item != nullptr);
        List()->scrollToItem(item);
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, List()->visualItemRect(item).center());
        auto* editor = List()->viewport()->findChild<QLineEdit*>();
        QVERIFY(editor != nullptr);
        QVERIFY(editor->isVisible());
        editor->selectAll();
        QTest::keyClick(editor, Qt::Key_Delete);
        if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; }))
            QTest::keyClicks(editor, text);
        else
            editor->insert(text); // what no key types

        QTest::keyClick(editor, end);
        QTRY_VERIFY(List()->viewport()->findChild<QLineEdit*>() == nullptr ||
                    !List()->viewport()->findChild<QLineEdit*>()->isVisible());
    }

    QString Typed(const QString& keys) {
        View()->clear();
        QTest::keyClicks(View(), keys);
        return View()->toPlainText();
    }

    QString Converted(const QString& text) {
        View()->setPlainText(text);
        View()->selectAll();
        View()->setFocus();
        Frame()->RouteCommand(kCmdEditConvert); // F4
        return View()->toPlainText();
    }

    // Opens the list's context menu where the user right-clicks and picks the item with that id.
    QStringList PickFromContextMenu(int id) {
        QStringList texts;
        QTimer::singleShot(0, this, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr)
                return;
            QAction* pick = nullptr;
            for (QAction* action : menu->actions()) {
                if (action->isSeparator())
                    continue;
                texts << action->text();
                if (action->data().toInt() == id && action->menu() == nullptr)
                    pick = action;
            }
            for (QAction* action : menu->actions()) {
                for (QAction* inner : action->menu() ? action->menu()->actions() : QList<QAction*>()) {
                    if (pick == nullptr && inner->data().toInt() == id) {
                        // Into the submenu as a user goes with the keyboard.
                        menu->setActiveAction(action);
                        QTest::keyClick(menu, Qt::Key_Right);
                        menu = action->menu();
                        pick = inner;
                    }
                }
            }
            if (pick == nullptr) {
                menu->close();
                return;
            }
            menu->setActiveAction(pick);
            QTest::keyClick(menu, Qt::Key_Return);
        });
        const QPoint at = List()->viewport()->rect().center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, List()->viewport()->mapToGlobal(at));
        QApplication::sendEvent(List()->viewport(), &event);
        return texts;
    }

private slots:
    void init() {
        ClearStore();
        g_inRussian = true;
        Modal::AnswerAllMessageBoxes(QMessageBox::No);
        QVERIFY(Start());
    }

    void cleanup() {
        if (m_app) {
            Frame()->close();
            m_app->ExitInstance();
            m_app.reset();
        }
        Modal::Reset();
        SetCurrentResources(kLangEnglish);
    }

    void listShowsEveryRowWithItsPicture() {
        QCOMPARE(List()->count(), CCharTable::kRows);
        for (int row = 0; row < CCharTable::kRows; ++row) {
            QCOMPARE(List()->item(row)->text(), DefaultLabel(row));
            const QImage image = List()->item(row)->data(Qt::DecorationRole).value<QImage>();
            QCOMPARE(image.size(), QSize(DSymbol::kImageWidth, DSymbol::kImageHeight));
            // Every picture ends in the black line that separates the lines of the list.
            QCOMPARE(image.pixelColor(0, DSymbol::kImageHeight - 1), QColor(Qt::black));
        }
        QCOMPARE(List()->item(22)->text(), u"h,x"_s);
        QCOMPARE(List()->item(33)->text(), QString());
    }

    void editedLabelIsTypedAtOnce() {
        Frame()->RouteCommand(kCmdViewToolkit);
        QVERIFY(Panel()->IsShown());
        QCOMPARE(Converted(u"хлеб"_s), u"hleb"_s);
        Frame()->RouteCommand(kCmdViewToolkit);

        EditLabel(22, u"x,h"_s);
        QCOMPARE(List()->item(22)->text(), u"x,h"_s);
        QCOMPARE(Converted(u"хлеб"_s), u"xleb"_s);
        QCOMPARE(Typed(u"h"_s), u"х"_s);
        QCOMPARE(Typed(u"xleb"_s), u"хлеб"_s);

        // Three keys at most: the text ends before the third comma.
        EditLabel(0, u"a,b,c,d,e"_s);
        QCOMPARE(List()->item(0)->text(), u"a,b,c"_s);
        QCOMPARE(QString::fromStdU16String(g_charTable.m_keys[CCharTable::Index(0, 2)]), u"c"_s);

        // A key with an invisible character is refused with a message.
        EditLabel(2, u"v\u202E"_s);
        QCOMPARE(List()->item(2)->text(), u"v"_s);
        QVERIFY(Modal::Record().messageBoxes.join(u' ').contains(u"U+202E"_s));

        // Esc leaves the keys alone.
        EditLabel(2, u"qq"_s, Qt::Key_Escape);
        QCOMPARE(List()->item(2)->text(), u"v"_s);
        QCOMPARE(Typed(u"v"_s), u"в"_s);
    }

    void emptyLabelRemovesTheLetter() {
        EditLabel(1, QString());
        QCOMPARE(List()->item(1)->text(), QString());
        QCOMPARE(Typed(u"bak"_s), u"bак"_s);
        QCOMPARE(Converted(u"бак"_s), u"ak"_s);
    }

    void defaultKeysRestoreEveryRow() {
        EditLabel(1, QString());
        EditLabel(22, u"x,h"_s);
        EditLabel(34, u"~"_s);
        const QStringList texts = PickFromContextMenu(32786);
        QCOMPARE(texts, (QStringList{u"&Default Keys"_s, u"&Font"_s, u"Latin spelling"_s}));
        for (int row = 0; row < CCharTable::kRows; ++row)
            QCOMPARE(List()->item(row)->text(), DefaultLabel(row));
        QCOMPARE(Typed(u"bh~"_s), u"бх~"_s);
    }

    void contextMenuFollowsTheLanguage() {
        Frame()->SetInterfaceLanguage(kLangRussian);
        QCOMPARE(PickFromContextMenu(0),
                 (QStringList{u"&Стандартные клавиши"_s, u"&Шрифт"_s, u"Латинское написание"_s}));
        Frame()->SetInterfaceLanguage(kLangGerman);
        QCOMPARE(PickFromContextMenu(0),
                 (QStringList{u"&Standardtasten"_s, u"Schrift&art"_s, u"Lateinische Schreibung"_s}));
    }

    void latinSpellingFromTheContextMenu() {
        PickFromContextMenu(33901); // ICAO
        QCOMPARE(Stored(u"LatinSpelling"_s).toInt(), 1);
        QCOMPARE(Converted(u"Щука и ЩУКА"_s), u"Shchuka i SHCHUKA"_s);
        QCOMPARE(Typed(u"shhuka"_s), u"щука"_s); // typing keeps the keys
        Restart();
        QCOMPARE(Converted(u"Ёлка"_s), u"Elka"_s);
        PickFromContextMenu(33900); // the user's keys again
        QCOMPARE(Stored(u"LatinSpelling"_s).toInt(), 0);
        QCOMPARE(Converted(u"Щука"_s), u"SHHuka"_s);
    }

    // A first key that other first keys spell is marked, with the sequence in its tooltip.
    void keySequencesAreMarked() {
        const QString sh =
            u"\"sh\" is also typed as s + h (с + х): Latin written with this key reads back as "
            u"those letters."_s;
        QCOMPARE(List()->item(25)->toolTip(), sh);
        QVERIFY(List()->item(25)->foreground().color() != List()->item(0)->foreground().color());
        QVERIFY(List()->item(26)->toolTip().startsWith(u"\"shh\" is also typed as sh + h (ш + х)"_s));
        QCOMPARE(List()->item(0)->toolTip(), QString());
        EditLabel(22, u"x,h"_s); // "sh" is no longer s + x
        QCOMPARE(List()->item(25)->toolTip(), QString());
        QCOMPARE(List()->item(25)->foreground().color(), List()->item(0)->foreground().color());
        PickFromContextMenu(32786);
        QCOMPARE(List()->item(25)->toolTip(), sh);
    }

    void listFontIsChosenAndStored() {
        Modal::NextFontAnswer(QFont(u"DejaVu Serif"_s, 15));
        PickFromContextMenu(32787);
        QCOMPARE(m_app->Settings().listLogFont->FaceName(), u"DejaVu Serif"_s);
        QCOMPARE(List()->font().family(), ListFont(m_app->Settings())->family());
        Restart();
        QVERIFY(Stored(u"FontList"_s).toString().endsWith(u"DejaVu-Serif"_s));
        QCOMPARE(m_app->Settings().listLogFont->FaceName(), u"DejaVu Serif"_s);
    }

    void keysSurviveARestart() {
        EditLabel(22, u"x,h"_s);
        EditLabel(1, QString());
        // Edits are stored with the other settings at exit, not as they are made.
        QVERIFY(!Stored(u"Chars"_s).isValid());
        Restart();
        const QString chars = Stored(u"Chars"_s).toString();
        QVERIFY(chars.contains(u"23x|23h"_s));
        QVERIFY(!chars.contains(u"02"_s));
        QCOMPARE(List()->item(22)->text(), u"x,h"_s);
        QCOMPARE(List()->item(1)->text(), QString());
        QCOMPARE(Converted(u"хлеб"_s), u"xle"_s); // б has no key left
    }

    void panelTakesTheLeftStripOfTheView() {
        QVERIFY(!Panel()->IsShown());
        QCOMPARE(Frame()->PanelWidth(), 150);
        const QRect whole = View()->geometry();
        QVERIFY(whole.width() > 300);
        const int handle = Splitter()->handleWidth();

        Frame()->RouteCommand(kCmdViewToolkit);
        QVERIFY(Panel()->isVisible());
        QVERIFY(Frame()->Action(kCmdViewToolkit)->isChecked());
        QCOMPARE(Panel()->geometry(), QRect(whole.left(), whole.top(), 150, whole.height()));
        QTRY_COMPARE(View()->geometry().left(), whole.left() + 150 + handle);
        QCOMPARE(View()->geometry().right(), whole.right());
        QVERIFY(List()->isVisible());
        QVERIFY(Panel()->geometry().contains(List()->mapTo(Frame()->centralWidget(), QPoint(0, 0))));

        // Showing twice changes nothing.
        Panel()->ShowPanel();
        QCOMPARE(View()->geometry().left(), whole.left() + 150 + handle);

        Frame()->RouteCommand(kCmdViewToolkit);
        QVERIFY(!Panel()->isVisible());
        QVERIFY(!Frame()->Action(kCmdViewToolkit)->isChecked());
        QTRY_COMPARE(View()->geometry(), whole);
        Panel()->HidePanel();
        QCOMPARE(View()->geometry(), whole);

        // A taller window gives both the new height.
        Frame()->RouteCommand(kCmdViewToolkit);
        Frame()->resize(Frame()->width() + 40, Frame()->height() + 60);
        QTRY_COMPARE(Panel()->height(), View()->height());
        QCOMPARE(View()->geometry().left(), Panel()->geometry().right() + 1 + handle);
        QCOMPARE(Panel()->width(), 150);
    }

    void previewHidesPanel() {
        bool shownDuringPreview = true;
        const auto preview = [&](QDialog&) {
            shownDuringPreview = Panel()->IsShown();
            return 0;
        };
        Modal::NextDialogAnswer(preview);
        Modal::NextDialogAnswer(preview);
        Panel()->ShowPanel();
        Frame()->RouteCommand(kCmdFilePrintPreview);
        QVERIFY(!shownDuringPreview);
        QVERIFY(Panel()->IsShown());
        Panel()->HidePanel();
        Frame()->RouteCommand(kCmdFilePrintPreview);
        QVERIFY(!Panel()->IsShown());
    }

    void draggedWidthSurvivesARestart() {
        Frame()->RouteCommand(kCmdViewToolkit);
        QWidget* handle = Splitter()->handle(1);
        const int gap = Splitter()->handleWidth();
        QTRY_COMPARE(handle->geometry().left(), 150); // laid out
        const QPoint grip = handle->rect().center();
        QTest::mousePress(handle, Qt::LeftButton, {}, grip);
        // The handle moves along with the mouse: each point is where the mouse is on it now.
        const QPoint start = handle->mapTo(Splitter(), grip);
        const auto at = [&](int dx) { return handle->mapFrom(Splitter(), start + QPoint(dx, 0)); };
        QTest::mouseMove(handle, at(30));
        QTest::mouseMove(handle, at(70));
        QTest::mouseRelease(handle, Qt::LeftButton, {}, at(70));
        QCOMPARE(Frame()->PanelWidth(), 220);
        QCOMPARE(View()->geometry().left(), Panel()->geometry().left() + 220 + gap);

        Restart();
        QCOMPARE(Stored(u"IsPanel"_s).toInt(), 1);
        QCOMPARE(Stored(u"PanelWidth"_s).toInt(), 220);
        QVERIFY(Panel()->IsShown());
        QTRY_COMPARE(Panel()->width(), 220);
        QCOMPARE(View()->geometry().left(), Panel()->geometry().left() + 220 + gap);

        // Hidden at close: hidden at the next start, the width kept.
        Frame()->RouteCommand(kCmdViewToolkit);
        Restart();
        QCOMPARE(Stored(u"IsPanel"_s).toInt(), 0);
        QVERIFY(!Panel()->IsShown());
        Frame()->RouteCommand(kCmdViewToolkit);
        QCOMPARE(Frame()->PanelWidth(), 220);
        QTRY_COMPARE(Panel()->width(), 220);
    }
};

int main(int argc, char** argv) {
    return RunGuiTest<TestToolkit>(argc, argv);
}

#include "test_toolkit.moc"
