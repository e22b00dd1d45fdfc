// The frame's commands: one action per command id, the menus and accelerators built from the
// current resource module, routing, update handlers and the interface-language switch.
#include "CMainFrame.h"

#include "CCharTable.h"
#include "CFindBar.h"
#include "CLtDoc.h"
#include "CLtView.h"
#include "CTypingConverter.h"
#include "KeyLockState.h"
#include "ResourceIds.h"
#include "Settings.h"
#include "StandardTexts.h"

#include "CResourceModuleGui.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>
#include <QToolBar>

#include <map>
#include <set>

namespace {

// The commands the frame handles itself.
struct SFrameCommand {
    int id;
    void (CMainFrame::*handler)();
};

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

bool IsLanguage(int id) {
    return id == kCmdLangEnglish || id == kCmdLangRussian || id == kCmdLangGerman;
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
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { UpdateMenu(menu); });
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

void CMainFrame::RouteCommand(int id) {
    for (CCmdTarget* target :
         {static_cast<CCmdTarget*>(this), static_cast<CCmdTarget*>(m_pEditView),
          static_cast<CCmdTarget*>(m_pFindBar), static_cast<CCmdTarget*>(m_pDoc), m_pApp}) {
        if (target == nullptr)
            continue;
        // Like a menu or a key, a command runs only when its update handler allows it.
        SCmdUI state(id);
        if (!target->OnUpdateCmdUI(state))
            continue;
        if (state.enabled && state.visible)
            target->OnCmdMsg(id);
        break;
    }
    UpdateCommands();
}

SCmdUI CMainFrame::RouteUpdate(int id) const {
    for (CCmdTarget* target :
         {static_cast<CCmdTarget*>(const_cast<CMainFrame*>(this)), static_cast<CCmdTarget*>(m_pEditView),
          static_cast<CCmdTarget*>(m_pFindBar), static_cast<CCmdTarget*>(m_pDoc), m_pApp}) {
        if (target == nullptr)
            continue;
        SCmdUI state(id);
        if (target->OnUpdateCmdUI(state))
            return state;
    }
    SCmdUI none(id);
    none.enabled = false; // nobody handles it
    return none;
}

void CMainFrame::UpdateAction(QAction* action, int id) const {
    const SCmdUI state = RouteUpdate(id);
    action->setEnabled(state.enabled);
    action->setVisible(state.visible);
    action->setCheckable(state.checked >= 0);
    if (state.checked >= 0)
        action->setChecked(state.checked != 0);
    if (action->parent() == this) {
        const auto text = m_menuTexts.find(id);
        if (!state.text.isEmpty())
            action->setText(state.text);
        else if (text != m_menuTexts.end())
            action->setText(text->second);
    }
}

void CMainFrame::UpdateMenu(QMenu* menu) const {
    for (QAction* action : menu->actions()) {
        if (action->isSeparator() || action->menu() != nullptr)
            continue;
        UpdateAction(action, action->data().toInt());
    }
}

void CMainFrame::UpdateCommands() {
    for (const auto& [id, action] : m_actions)
        UpdateAction(action, id);
    HideLoneToolbarSeparators();
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
        if (letter.unicode() < 0x0400 || letter.unicode() > 0x04FF)
            continue;
        for (char16_t key = u'a'; key <= u'z'; ++key) {
            if (ConvertToCyrillic(g_charTable, std::u16string(1, key)) != std::u16string(1, letter.unicode()))
                continue;
            auto* shortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key(Qt::Key_A + (key - u'a'))), bar);
            connect(shortcut, &QShortcut::activated, bar, [bar, popup] { bar->setActiveAction(popup); });
            break;
        }
    }
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
    AppSettings().interLang.Set(id);
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
    if (m_pEditView != nullptr)
        m_pEditView->viewport()->update();
    UpdateCommands();
    UpdateIndicators();
}

bool CMainFrame::OnCmdMsg(int id) {
    static const SFrameCommand kCommands[] = {
        {kCmdSettings, &CMainFrame::OnSettings},
        {kCmdFileRenamer, &CMainFrame::OnFileRenamer},
        {kCmdFileMp3, &CMainFrame::OnFileMp3},
        {kCmdUndoLastRun, &CMainFrame::OnUndoLastRun},
    };
    for (const SFrameCommand& command : kCommands) {
        if (command.id == id) {
            (this->*command.handler)();
            return true;
        }
    }
    if (IsLanguage(id)) {
        SetInterfaceLanguage(id);
        return true;
    }
    if (id == kCmdViewToolbar) {
        m_wndToolBar->setVisible(m_wndToolBar->isHidden());
        return true;
    }
    if (id == kCmdViewStatusBar) {
        statusBar()->setVisible(statusBar()->isHidden());
        return true;
    }
    return false;
}

bool CMainFrame::OnUpdateCmdUI(SCmdUI& cmdUI) {
    switch (cmdUI.id) {
    case kCmdSettings:
    case kCmdFileRenamer:
    case kCmdFileMp3:
    case kCmdUndoLastRun:
        return true;
    case kCmdLangEnglish:
    case kCmdLangRussian:
    case kCmdLangGerman:
        cmdUI.SetCheck(AppSettings().interLang.Value() == cmdUI.id ? 1 : 0);
        return true;
    case kCmdViewToolbar:
        cmdUI.SetCheck(m_wndToolBar->isHidden() ? 0 : 1);
        return true;
    case kCmdViewStatusBar:
        cmdUI.SetCheck(statusBar()->isHidden() ? 0 : 1);
        return true;
    default:
        return false;
    }
}
