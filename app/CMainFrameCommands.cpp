// The frame's commands: one action per command id, bound to its handler in one table; the
// menus and accelerators built from the current resource module; the signals each action's
// state follows; the interface-language switch.
#include "CMainFrame.h"

#include "CCharTable.h"
#include "CFindBar.h"
#include "CLtApp.h"
#include "CLtDoc.h"
#include "CLtView.h"
#include "CPanel.h"
#include "CTypingConverter.h"
#include "KeyLockState.h"
#include "LatinMnemonics.h"
#include "Modal.h"
#include "ResourceIds.h"
#include "RussianText.h"
#include "SettingsGui.h"
#include "StandardTexts.h"

#include "CResourceModuleGui.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>
#include <QTextBlock>
#include <QToolBar>

#include <map>
#include <set>
#include <utility>

namespace {

void CollectIds(const std::vector<SMenuItem>& items, std::set<int>& ids) {
    for (const SMenuItem& item : items) {
        if (item.id != 0)
            ids.insert(item.id);
        CollectIds(item.items, ids);
    }
}

// The status-bar prompt is the prompt string up to its line feed, the tooltip what follows.
QString Prompt(const QString& text) {
    return text.section(u'\n', 0, 0);
}

QString Tip(const QString& text) {
    return text.section(u'\n', 1);
}

} // namespace

void CMainFrame::CreateActions() {
    const CResourceModule& res = CurrentResources();
    std::set<int> ids;
    CollectIds(res.Menu(kMenuMain), ids);
    CollectIds(res.Menu(kMenuPopups), ids);
    for (const int id : res.ToolbarButtons(kToolbarLarge))
        ids.insert(id);
    for (const SAccelerator& accel : res.Accelerators(kAccelMain))
        ids.insert(accel.id);
    for (int id = kCmdFileMruFirst; id <= kCmdFileMruLast; ++id)
        ids.insert(id);
    ids.erase(0);

    for (const int id : ids) {
        auto* action = new QAction(this);
        action->setData(id);
        action->setIconVisibleInMenu(false); // menus show check marks, not the toolbar's pictures
        // Queued, so that a command that rebuilds the menus never runs inside the menu that
        // triggered it.
        connect(
            action, &QAction::triggered, this, [this, id] { RouteCommand(id); }, Qt::QueuedConnection);
        addAction(action); // accelerators work also for commands outside the menus
        m_actions[id] = action;
    }
    // Ctrl held as Save is chosen (Ctrl+S, or Ctrl with a click) asks for the 8-bit form: read
    // as the action fires, before the queued command runs and the key may be let go.
    if (QAction* save = Action(kCmdFileSave)) {
        connect(save, &QAction::triggered, this, [this] {
            m_bEightBitSave = (QGuiApplication::keyboardModifiers() & Qt::ControlModifier) != 0;
        });
    }
    // Accelerators come from the program itself and stay as they are when the language changes.
    std::map<int, QList<QKeySequence>> keys;
    for (const SAccelerator& accel : res.Accelerators(kAccelMain))
        keys[accel.id] << accel.key;
    for (const auto& [id, sequences] : keys)
        m_actions[id]->setShortcuts(sequences);
    ApplyPrompts();
}

QAction* CMainFrame::Action(int id) const {
    const auto it = m_actions.find(id);
    return it != m_actions.end() ? it->second : nullptr;
}

void CMainFrame::ApplyPrompts() {
    const CResourceModule& res = CurrentResources();
    for (const auto& [id, action] : m_actions) {
        const QString prompt = res.String(id);
        action->setStatusTip(Prompt(prompt));
        action->setToolTip(Tip(prompt));
    }
    if (m_wndToolBar != nullptr) {
        QString title = m_menuTexts.count(kCmdViewToolbar) != 0 ? m_menuTexts[kCmdViewToolbar] : QString();
        m_wndToolBar->setWindowTitle(title.section(u'\t', 0, 0).remove(u'&'));
    }
}

void CMainFrame::FillMenu(QMenu* menu, const std::vector<SMenuItem>& items, bool ownActions) {
    for (const SMenuItem& item : items) {
        if (item.separator) {
            menu->addSeparator();
        } else if (!item.items.empty() || item.id == 0) {
            QMenu* popup = menu->addMenu(item.text);
            FillMenu(popup, item.items, ownActions);
        } else if (ownActions) {
            // The context menu's items have texts of their own; they run the same commands.
            QAction* command = Action(item.id);
            QAction* proxy = menu->addAction(item.text);
            proxy->setData(item.id);
            if (command != nullptr)
                proxy->setStatusTip(command->statusTip());
            const int id = item.id;
            connect(
                proxy, &QAction::triggered, this, [this, id] { RouteCommand(id); }, Qt::QueuedConnection);
            // The item shows its command's state as the command's own action has it.
            if (command != nullptr) {
                const auto mirror = [proxy, command] {
                    proxy->setEnabled(command->isEnabled());
                    proxy->setVisible(command->isVisible());
                    proxy->setCheckable(command->isCheckable());
                    proxy->setChecked(command->isChecked());
                };
                connect(command, &QAction::changed, proxy, mirror);
                mirror();
            }
        } else if (QAction* action = Action(item.id)) {
            m_menuTexts[item.id] = item.text;
            action->setText(item.text);
            menu->addAction(action);
            // The recent files stand where the "Recent File" item stands.
            if (item.id == kCmdFileMruFirst) {
                for (int id = kCmdFileMruFirst + 1; id <= kCmdFileMruLast; ++id)
                    menu->addAction(Action(id));
            }
        }
    }
}

void CMainFrame::LoadMenu() {
    // A new bar each time; setMenuBar deletes the previous one with its menus, never the actions.
    auto* bar = new QMenuBar(this);
    for (const SMenuItem& popup : CurrentResources().Menu(kMenuMain)) {
        QMenu* menu = bar->addMenu(popup.text);
        FillMenu(menu, popup.items, false);
    }
    setMenuBar(bar);
    AddLatinMnemonics(bar);
    ApplyPrompts();
}

void CMainFrame::LoadContextMenu() {
    if (m_pEditView == nullptr)
        return;
    QMenu* menu = m_pEditView->ContextMenu();
    menu->clear();
    for (const SMenuItem& popup : CurrentResources().Menu(kMenuPopups)) {
        if (popup.text == QLatin1String("View")) {
            FillMenu(menu, popup.items, true);
            return;
        }
    }
    // A module whose popups carry translated names: the view's popup is the second.
    const std::vector<SMenuItem> popups = CurrentResources().Menu(kMenuPopups);
    if (popups.size() > 1)
        FillMenu(menu, popups[1].items, true);
}

void CMainFrame::BindCommands() {
    CLtView* view = m_pEditView;
    CLtDoc* doc = m_pDoc;
    CFindBar* find = m_pFindBar;
    CLtApp* app = m_pApp;
    const auto hasSelection = [view] { return view->textCursor().hasSelection(); };
    const auto hasText = [view] { return !view->document()->isEmpty(); };
    const auto toggle = [](QWidget* bar) { bar->setVisible(bar->isHidden()); };
    const auto language = [this](int id) {
        return SCommand{[this, id] { SetInterfaceLanguage(id); },
                        {},
                        [this, id] { return m_settings.interLang.Value() == id; }};
    };
    m_commands = {
        // The application.
        {kCmdFileNew, {[app] { app->OnFileNew(); }}},
        {kCmdFileOpen, {[app] { app->OnFileOpen(); }}},
        {kCmdAppAbout, {[app] { app->OnAppAbout(); }}},
        {kCmdAppExit, {[this] { close(); }}},
        // The frame.
        {kCmdSettings, {[this] { OnSettings(); }}},
        {kCmdFileRenamer, {[this] { OnFileRenamer(); }}},
        {kCmdFileMp3, {[this] { OnFileMp3(); }}},
        {kCmdUndoLastRun, {[this] { OnUndoLastRun(); }}},
        {kCmdLangEnglish, language(kCmdLangEnglish)},
        {kCmdLangRussian, language(kCmdLangRussian)},
        {kCmdLangGerman, language(kCmdLangGerman)},
        {kCmdViewToolbar,
         {[this, toggle] { toggle(m_wndToolBar); }, {}, [this] { return !m_wndToolBar->isHidden(); }}},
        {kCmdViewStatusBar,
         {[this, toggle] { toggle(statusBar()); }, {}, [this] { return !statusBar()->isHidden(); }}},
        {kCmdViewToolkit,
         {[this] {
              if (m_pPanel->IsShown())
                  m_pPanel->HidePanel();
              else
                  m_pPanel->ShowPanel();
          },
          {},
          [this] { return m_pPanel->IsShown(); }}},
        // The view.
        {kCmdEditUndo, {[view] { view->undo(); }, [view] { return view->document()->isUndoAvailable(); }}},
        {kCmdEditRedo, {[view] { view->redo(); }, [view] { return view->document()->isRedoAvailable(); }}},
        {kCmdEditCut, {[view] { view->cut(); }, hasSelection}},
        {kCmdEditCopy, {[view] { view->copy(); }, hasSelection}},
        {kCmdEditConvert, {[view] { view->OnEditConvert(); }, hasSelection}},
        {kCmdEditPaste, {[view] { view->OnEditPaste(); }, [view] { return view->canPaste(); }}},
        {kCmdEditSelectAll, {[view] { view->selectAll(); }, hasText}},
        {kCmdEditRepairEncoding, {[view] { view->OnEditRepairEncoding(); }, hasText}},
        {kCmdEditCopy1251, {[view] { view->OnEditCopy1251(); }}},
        {kCmdEditGoToLine, {[this] { GoToLine(); }}},
        {kCmdEditCheckSpelling,
         {[view] { view->ToggleSpelling(); }, {}, [view] { return view->IsSpellingOn(); }}},
        {kCmdFilePrint, {[view] { view->OnFilePrint(); }}},
        {kCmdFilePrintPreview, {[this, view] {
             // The panel steps aside while the preview shows, and comes back after it.
             const bool shown = m_pPanel->IsShown();
             m_pPanel->HidePanel();
             view->OnFilePrintPreview();
             if (shown)
                 m_pPanel->ShowPanel();
         }}},
        {kCmdFilePrintSetup, {[view] { view->OnFilePrintSetup(); }}},
        {kCmdViewRussian, {[view] { view->ToggleRussianMode(); }, {}, [] { return g_inRussian; }}},
        {kCmdViewAutoClip,
         {[view] { view->ToggleAutoClip(); }, {}, [this] { return m_settings.autoClip.Value() != 0; }}},
        {kCmdViewWordWrap,
         {[view] { view->ToggleWordWrap(); }, {}, [this] { return m_settings.wrapText.Value() != 0; }}},
        // The Find bar.
        {kCmdEditFind, {[find] { find->ShowFind(false); }, hasText}},
        {kCmdEditReplace, {[find] { find->ShowFind(true); }, hasText}},
        {kCmdEditFindNext, {[find] { find->FindNext(); }, hasText}},
        // The document.
        {kCmdViewFont, {[doc] { doc->OnViewFont(); }}},
        {kCmdFileSave, {[this, doc] { doc->DoFileSave(std::exchange(m_bEightBitSave, false)); }}},
        {kCmdFileSaveAs, {[doc] { doc->DoSave(QString(), true); }}},
        {kCmdFileSaveWithEncoding, {[doc] { doc->OnFileSaveWithEncoding(); }}},
        {kCmdFileReopenWithEncoding,
         {[doc] { doc->OnFileReopenWithEncoding(); }, [doc] { return !doc->GetPathName().isEmpty(); }}},
        // Without a mail client the item leaves its menu; the menu drops the separator left over.
        {kCmdFileSend,
         {[doc] { doc->OnFileSend(); },
          [this] { return m_settings.mailAvailable; },
          {},
          [this] { return m_settings.mailAvailable; }}},
    };
    for (int id = kCmdFileMruFirst; id <= kCmdFileMruLast; ++id) {
        const int index = id - kCmdFileMruFirst;
        const CRecentFileList& files = app->RecentFiles();
        m_commands[id] = {
            [this, app, index] {
                app->OpenRecentFile(index);
                UpdateRecentFiles();
            },
            // "Recent File", greyed, stands in the first place while the list is empty.
            [&files, index] { return index < files.GetSize(); },
            {},
            [&files, index] { return index == 0 || index < files.GetSize(); },
            [&files, index] { return index < files.GetSize() ? files.MenuText(index) : QString(); }};
    }
    BindStateSignals();
    UpdateCommands();
}

void CMainFrame::BindStateSignals() {
    CLtView* view = m_pEditView;
    connect(view, &QPlainTextEdit::undoAvailable, this, [this] { UpdateCommand(kCmdEditUndo); });
    connect(view, &QPlainTextEdit::redoAvailable, this, [this] { UpdateCommand(kCmdEditRedo); });
    const auto selection = [this] { UpdateCommands({kCmdEditCut, kCmdEditCopy, kCmdEditConvert}); };
    connect(view, &QPlainTextEdit::copyAvailable, this, selection);
    connect(view, &QPlainTextEdit::selectionChanged, this, selection);
    connect(view, &QPlainTextEdit::textChanged, this, [this] {
        UpdateCommands(
            {kCmdEditSelectAll, kCmdEditRepairEncoding, kCmdEditFind, kCmdEditReplace, kCmdEditFindNext});
    });
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this,
            [this] { UpdateCommand(kCmdEditPaste); });
    connect(view, &CLtView::RussianModeChanged, this, [this] { UpdateCommand(kCmdViewRussian); });
    connect(m_pDoc, &CLtDoc::TitleChanged, this, [this] { UpdateCommand(kCmdFileReopenWithEncoding); });
    connect(m_pDoc, &CLtDoc::PathNameChanged, this, &CMainFrame::UpdateRecentFiles);
}

void CMainFrame::RouteCommand(int id) {
    const auto command = m_commands.find(id);
    QAction* action = Action(id);
    if (command == m_commands.end() || !command->second.run || action == nullptr || !action->isEnabled() ||
        !action->isVisible())
        return;
    command->second.run();
    // What the command itself turned over (a bar shown, a check mark) follows at once.
    UpdateCommand(id);
}

void CMainFrame::UpdateCommand(int id) {
    QAction* action = Action(id);
    if (action == nullptr)
        return;
    const auto found = m_commands.find(id);
    if (found == m_commands.end() || !found->second.run) {
        action->setEnabled(false); // nobody handles it
        return;
    }
    const SCommand& command = found->second;
    action->setEnabled(!command.enabled || command.enabled());
    action->setVisible(!command.visible || command.visible());
    action->setCheckable(bool(command.checked));
    if (command.checked)
        action->setChecked(command.checked());
    const QString text = command.text ? command.text() : QString();
    const auto menuText = m_menuTexts.find(id);
    if (!text.isEmpty())
        action->setText(text);
    else if (menuText != m_menuTexts.end())
        action->setText(menuText->second);
}

void CMainFrame::UpdateCommands(std::initializer_list<int> ids) {
    for (const int id : ids)
        UpdateCommand(id);
}

void CMainFrame::UpdateCommands() {
    for (const auto& [id, action] : m_actions)
        UpdateCommand(id);
    HideLoneToolbarSeparators();
}

void CMainFrame::UpdateRecentFiles() {
    for (int id = kCmdFileMruFirst; id <= kCmdFileMruLast; ++id)
        UpdateCommand(id);
}

void CMainFrame::OnSettingsChanged() {
    UpdateCommands({kCmdViewAutoClip, kCmdViewWordWrap, kCmdEditCheckSpelling, kCmdLangEnglish,
                    kCmdLangRussian, kCmdLangGerman});
}

void CMainFrame::HideLoneToolbarSeparators() {
    if (m_wndToolBar == nullptr)
        return;
    // A separator shows only between two visible buttons, and never right after another one.
    std::map<QAction*, bool> shown;
    QAction* pending = nullptr; // the first separator after the last visible button
    bool buttonBefore = false;
    for (QAction* action : m_wndToolBar->actions()) {
        if (action->isSeparator()) {
            shown[action] = false;
            if (buttonBefore && pending == nullptr)
                pending = action;
        } else if (action->isVisible()) {
            if (pending != nullptr)
                shown[pending] = true;
            pending = nullptr;
            buttonBefore = true;
        }
    }
    for (const auto& [separator, visible] : shown) {
        if (separator->isVisible() != visible)
            separator->setVisible(visible);
    }
}

void CMainFrame::AddLatinMnemonics(QMenuBar* bar) {
    // A Cyrillic mnemonic also answers the Latin key that types its letter, so that a Latin
    // keyboard reaches every menu: Alt+f opens «Файл» as f types ф.
    for (QAction* popup : bar->actions()) {
        const QString text = popup->text();
        const qsizetype amp = text.indexOf(u'&');
        if (amp < 0 || amp + 1 >= text.size() || text[amp + 1] == u'&')
            continue;
        const QChar letter = text[amp + 1].toLower();
        if (!IsInCyrillicBlock(letter.unicode()))
            continue;
        for (char16_t key = u'a'; key <= u'z'; ++key) {
            if (CyrillicOfLatinKey(QChar(key)) != letter)
                continue;
            auto* shortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key(Qt::Key_A + (key - u'a'))), bar);
            connect(shortcut, &QShortcut::activated, bar, [bar, popup] { bar->setActiveAction(popup); });
            break;
        }
    }
}

void CMainFrame::GoToLine() {
    if (m_pEditView == nullptr || m_pDoc == nullptr)
        return;
    int line = 0, column = 0;
    m_pDoc->FileLineColumn(m_pEditView->textCursor(), line, column);
    const int count = m_pDoc->FileLineCount();
    QInputDialog dialog(this);
    dialog.setWindowTitle(CurrentResources().String(kStrGoToLineTitle));
    dialog.setLabelText(CurrentResources().String(kStrGoToLineLabel).arg(count));
    dialog.setInputMode(QInputDialog::IntInput);
    dialog.setIntRange(1, count);
    dialog.setIntValue(line + 1);
    if (Modal::Exec(dialog) != QDialog::Accepted)
        return;
    // The caret at the line's start, the line in the middle of the view.
    m_pEditView->setTextCursor(QTextCursor(m_pDoc->FileLineBlock(dialog.intValue() - 1)));
    m_pEditView->centerCursor();
    m_pEditView->setFocus();
}

void CMainFrame::UpdateIndicators() {
    const SKeyLocks locks = KeyLockState();
    const bool lit[3] = {locks.caps, locks.num, locks.scroll};
    const int ids[3] = {kStrIndicatorCaps, kStrIndicatorNum, kStrIndicatorScroll};
    for (int i = 0; i < 3; ++i) {
        if (m_indicators[i] != nullptr)
            m_indicators[i]->setText(lit[i] ? CurrentResources().String(ids[i]) : QString());
    }
}

void CMainFrame::SetInterfaceLanguage(int id) {
    m_settings.interLang.Set(id);
    ELanguage language = kLangEnglish;
    if (id == kCmdLangRussian)
        language = kLangRussian;
    else if (id == kCmdLangGerman)
        language = kLangGerman;
    // A module that cannot be loaded leaves the interface as it is; the next switch tries again.
    if (SetCurrentResources(language))
        SetStandardTextsLanguage(language);

    LoadMenu();
    m_paneMessage->setText(CurrentResources().String(kStrIdle));
    statusBar()->clearMessage();
    LoadContextMenu();
    UpdateCaretPane();
    if (m_pFindBar != nullptr)
        m_pFindBar->Retranslate();
    UpdateNoticeBars();
    if (m_pDoc != nullptr && m_paneFormat != nullptr)
        m_paneFormat->setText(m_pDoc->FormatText());
    if (m_pEditView != nullptr)
        m_pEditView->viewport()->update();
    UpdateCommands();
    UpdateIndicators();
}
