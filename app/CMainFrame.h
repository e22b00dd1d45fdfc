// The main window: menu, toolbar with the animated mode picture, status bar and the editor view.
// It restores its placement at the end of start-up, stores its placement and the window settings
// when it is closed, carries the interface-language switch and binds every command id to its
// action and handler; each action's enabled and checked state follows the signals of what it
// depends on (selection, undo stack, clipboard, document, settings).
#pragma once

#include <QMainWindow>
#include <QRect>

#include <functional>
#include <initializer_list>
#include <map>
#include <vector>

class CFindBar;
class CNoticeBar;
class CLtApp;
class CSettings;
class CLtDoc;
class CLtView;
class CPanel;
class CPictureEx;
class QLabel;
class QMenu;
class QMenuBar;
class QSplitter;
class QTimer;
class QToolBar;
struct SMenuItem;

class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    // app: runs the application's commands (New, Open, recent files, About, Exit).
    CMainFrame(CLtApp* app, CSettings& settings);
    ~CMainFrame() override;

    // Builds the commands, toolbar, mode picture and status bar. False when a bar cannot be
    // built; start-up fails then.
    bool OnCreate();
    // The view announces itself once it exists; from then on its commands are bound.
    void SetActiveView(CLtView* view, CLtDoc* doc);
    // End of start-up: interface language, placement, shows the window.
    void RestoreWindowState();
    // The first layout with a view: the panel takes its stored width.
    void RecalcLayout();
    void SetInterfaceLanguage(int id);

    // Runs the command's handler when its action is enabled and visible, as a menu or key would.
    void RouteCommand(int id);
    // Brings every command's state up to date at once: after the view arrives, after a language
    // switch, and for what announces itself nowhere (mail availability). Everything else follows
    // its signals.
    void UpdateCommands();
    // The settings behind check marks changed: their actions follow. The one place a settings
    // change signal is to connect to.
    void OnSettingsChanged();

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
    // The bars above the text: bytes the encoding cannot read, the file changed on disk.
    CNoticeBar* BytesBar() const { return m_pBytesBar; }
    CNoticeBar* DiskBar() const { return m_pDiskBar; }
    void UpdateNoticeBars();
    void UpdateFrameTitle();

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PlacePanel();
    void OnMove();
    void OnSize();
    void StoreSettings() const;
    void ApplyPendingPlacement();
    void TrackNormalPlacement();
    void CommitNormalPlacement();
    QSize DefaultWindowSize() const;

    // One command: its handler and where its state comes from. A command without a handler
    // stays disabled; without `enabled` it is always on; without `checked` it has no check mark.
    struct SCommand {
        SCommand(std::function<void()> runs = {}, std::function<bool()> on = {},
                 std::function<bool()> check = {}, std::function<bool()> shown = {},
                 std::function<QString()> menuText = {})
            : run(std::move(runs)), enabled(std::move(on)), checked(std::move(check)),
              visible(std::move(shown)), text(std::move(menuText)) {}

        std::function<void()> run;
        std::function<bool()> enabled;
        std::function<bool()> checked;
        std::function<bool()> visible;
        std::function<QString()> text; // a menu text in place of the resource's when not empty
    };

    void CreateActions();
    void BindCommands();
    void BindStateSignals();
    void UpdateCommand(int id);
    void UpdateCommands(std::initializer_list<int> ids);
    void UpdateRecentFiles();
    void ApplyPrompts();
    void LoadMenu();
    void LoadContextMenu();
    void FillMenu(QMenu* menu, const std::vector<SMenuItem>& items, bool ownActions);
    void UpdateIndicators();
    void UpdateCaretPane();
    void HideLoneToolbarSeparators();
    void AddLatinMnemonics(QMenuBar* bar);
    void GoToLine();
    bool CreateToolBar(bool large, bool vertical);
    void CreateModePicture();
    void PlaceModePicture();
    void FitToolBarIcons();
    void OnRussianModeChanged(bool on);

    void OnSettings();
    void OnFileRenamer();
    void OnFileMp3();
    void OnUndoLastRun();

    CLtApp* m_pApp;
    CSettings& m_settings; // the application's
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
    std::map<int, SCommand> m_commands;
    std::map<int, QString> m_menuTexts; // the current menu's text of each command
    QSplitter* m_splitter = nullptr;    // the panel and the view, from the view's arrival
    CPanel* m_pPanel = nullptr;         // left in the splitter
    CFindBar* m_pFindBar = nullptr;     // under the splitter
    CNoticeBar* m_pBytesBar = nullptr;  // over the splitter
    CNoticeBar* m_pDiskBar = nullptr;
    bool m_bBytesBarClosed = false; // closed by the user until the next file
    bool m_bEightBitSave = false;   // Save was chosen with Ctrl held
    int m_nPanelWidth = 0;          // the panel's width, kept while it is hidden
    bool m_bLaidOut = false;
    // The outer rectangle asked for before the window manager framed the window; it is applied
    // again once the frame's size is known.
    QRect m_pendingOuter;
    QSize m_appliedMargins; // the frame's size around the client when it was last applied
    // A window opened maximized takes its normal placement at its first restore, not before.
    bool m_bPendingAfterMaximized = false;
    // Ends the pending placement a moment after it was applied; until then it is checked
    // against the frame every few milliseconds, as a window manager may report a new frame
    // without a move or a resize.
    QTimer* m_pendingEnd;
    QTimer* m_pendingCheck;
    // Runs out when a normal rectangle has stood long enough to be the normal placement.
    QTimer* m_normalSettle;
};
