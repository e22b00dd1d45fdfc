// The main window: menu, toolbar with the animated mode picture, status bar and the editor view.
// It restores its placement at the end of start-up, stores its placement and the window settings
// when it is closed, carries the interface-language switch and routes every command to itself,
// the view, the document and the application, in that order.
#pragma once

#include "CCmdTarget.h"

#include <QMainWindow>
#include <QRect>

#include <map>
#include <vector>

class CFindBar;
class CLtDoc;
class CLtView;
class CPanel;
class CPictureEx;
class QLabel;
class QMenu;
class QMenuBar;
class QTimer;
class QToolBar;
struct SMenuItem;

class CMainFrame : public QMainWindow, public CCmdTarget {
    Q_OBJECT

public:
    // app: the last target of the command route.
    explicit CMainFrame(CCmdTarget* app);
    ~CMainFrame() override;

    // Builds the commands, toolbar, mode picture and status bar. False when a bar cannot be
    // built; start-up fails then.
    bool OnCreate();
    // The view announces itself once it exists; from then on it takes part in layout and routing.
    void SetActiveView(CLtView* view, CLtDoc* doc);
    // End of start-up: interface language, placement, shows the window.
    void RestoreWindowState();
    void RecalcLayout();
    void SetInterfaceLanguage(int id);

    void RouteCommand(int id);
    SCmdUI RouteUpdate(int id) const;
    // Brings every command's enabled state and check mark up to date.
    void UpdateCommands();

    QAction* Action(int id) const;
    QToolBar* ToolBar() const { return m_wndToolBar; }
    CPictureEx* ModePicture() const { return m_picMode; }
    QLabel* MessagePane() const { return m_paneMessage; }
    QLabel* IndicatorPane(int index) const { return m_indicators[index]; }
    QLabel* FormatPane() const { return m_paneFormat; }
    CLtView* EditView() const { return m_pEditView; }
    int ShowState() const { return m_nShowState; }
    QRect StoredPlacement() const { return {m_nLeft, m_nTop, m_nWidth, m_nHeight}; }
    // The Toolkit panel's visibility and width as the frame stores them.
    bool IsPanelShown() const;
    int PanelWidth() const;
    CPanel* Panel() const { return m_pPanel; }
    CFindBar* FindBar() const { return m_pFindBar; }
    QLabel* CaretPane() const { return m_paneCaret; }
    void UpdateFrameTitle();

    bool OnCmdMsg(int id) override;
    bool OnUpdateCmdUI(SCmdUI& cmdUI) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnMove();
    void OnSize();
    void StoreSettings() const;
    void ApplyPendingPlacement();
    void TrackNormalPlacement();
    void CommitNormalPlacement();
    QSize DefaultWindowSize() const;

    void CreateActions();
    void ApplyPrompts();
    void LoadMenu();
    void LoadContextMenu();
    void FillMenu(QMenu* menu, const std::vector<SMenuItem>& items, bool ownActions);
    void UpdateAction(QAction* action, int id) const;
    void UpdateMenu(QMenu* menu) const;
    void UpdateIndicators();
    void UpdateCaretPane();
    void HideLoneToolbarSeparators();
    void AddLatinMnemonics(QMenuBar* bar);
    bool CreateToolBar(bool large, bool vertical);
    void CreateModePicture();
    void PlaceModePicture();
    void FitToolBarIcons();
    void OnRussianModeChanged(bool on);

    void OnSettings();
    void OnFileRenamer();
    void OnFileMp3();
    void OnUndoLastRun();
    // A stand-in for a tool that is still to come: its dialog's title and closing button.
    void ShowToolPlaceholder(int dialogId, int buttonId);

    CCmdTarget* m_pApp;
    CLtView* m_pEditView = nullptr;
    CLtDoc* m_pDoc = nullptr;
    QToolBar* m_wndToolBar = nullptr;
    QLabel* m_paneMessage = nullptr;
    QLabel* m_paneCaret = nullptr; // line and column of the caret
    QLabel* m_indicators[3] = {};
    QLabel* m_paneFormat = nullptr;
    int m_nShowState = -1; // 1 normal, 3 maximized, -1 minimized or never sized
    int m_nLeft = 0;
    int m_nTop = 0;
    int m_nWidth = 0;
    int m_nHeight = 0;
    CPictureEx* m_picMode = nullptr; // only with the large toolbar
    int m_nToolbarSide = 32;         // the pictures' own size
    bool m_bFittingToolBar = false;
    std::map<int, QAction*> m_actions;
    std::map<int, QString> m_menuTexts; // the current menu's text of each command
    QTimer* m_idleTimer = nullptr;
    CPanel* m_pPanel = nullptr;     // beside the view, from the view's arrival
    CFindBar* m_pFindBar = nullptr; // under the view, from the view's arrival
    bool m_bLaidOut = false;
    // The outer rectangle asked for before the window manager framed the window; it is applied
    // again once the frame's size is known.
    QRect m_pendingOuter;
    // Runs out when a normal rectangle has stood long enough to be the normal placement.
    QTimer* m_normalSettle;
};
