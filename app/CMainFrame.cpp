#include "CMainFrame.h"

#include "CFindBar.h"
#include "CLtDoc.h"
#include "CLtView.h"
#include "CNoticeBar.h"
#include "CPanel.h"
#include "CPictureEx.h"
#include "DFileMp3.h"
#include "DFileRenamer.h"
#include "DSettings.h"
#include "DocStrings.h"
#include "Journal.h"
#include "LatinMnemonics.h"
#include "LtMessageBox.h"
#include "Modal.h"
#include "Mp3Batch.h"
#include "ResourceIds.h"
#include "Settings.h"
#include "WindowPlacement.h"

#include "CProfile.h"
#include "CResourceModuleGui.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDialog>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTextCursor>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kModeButtonIndex = 8; // the In Russian button among the toolbar's items
constexpr int kNormalSettleMs = 300;
// How long a placement applied to a frame stays open to a frame that changes size.
constexpr int kPendingPlacementMs = 1000;
constexpr int kLongLinesMessageMs = 15000; // long enough to be read after the file appears

// Calls back when a lock key is let go anywhere in the program: the indicators follow the keys
// instead of asking the keyboard on a timer.
class CLockKeyWatcher : public QObject {
public:
    CLockKeyWatcher(QObject* parent, std::function<void()> changed)
        : QObject(parent), m_changed(std::move(changed)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyRelease) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_CapsLock || key == Qt::Key_NumLock || key == Qt::Key_ScrollLock)
                m_changed();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_changed;
};

} // namespace

CMainFrame::CMainFrame(CLtApp* app, CSettings& settings)
    : m_pApp(app), m_settings(settings), m_pendingEnd(new QTimer(this)), m_pendingCheck(new QTimer(this)),
      m_normalSettle(new QTimer(this)) {
    m_pendingEnd->setSingleShot(true);
    m_pendingEnd->setInterval(kPendingPlacementMs);
    connect(m_pendingEnd, &QTimer::timeout, this, [this] {
        m_pendingCheck->stop();
        m_pendingOuter = QRect();
    });
    m_pendingCheck->setInterval(50);
    connect(m_pendingCheck, &QTimer::timeout, this, &CMainFrame::ApplyPendingPlacement);
    // A new rectangle counts as the normal placement once it has stood for a moment as normal.
    m_normalSettle->setSingleShot(true);
    m_normalSettle->setInterval(kNormalSettleMs);
    connect(m_normalSettle, &QTimer::timeout, this, &CMainFrame::CommitNormalPlacement);
    // Check marks that show a setting follow it, whoever changed it.
    connect(&m_settings, &CSettings::Changed, this, &CMainFrame::OnSettingsChanged);
    setWindowIcon(QPixmap::fromImage(CurrentResources().Icon(kIconMain)));
    // The toolbar's position is chosen by the settings, not by a menu of the bars.
    setContextMenuPolicy(Qt::NoContextMenu);
}

CMainFrame::~CMainFrame() = default;

bool CMainFrame::OnCreate() {
    const bool large = m_settings.toolbarLarge.Load() != 0;
    const bool vertical = m_settings.toolbarVertical.Load() != 0;
    m_settings.keysCtrlShift.Load();
    m_settings.blueRus.Load();
    m_settings.blueOrig.Load();
    m_settings.keepEightBit.Load();

    CreateActions();
    if (!CreateToolBar(large, vertical))
        return false;
    if (large)
        CreateModePicture();

    QStatusBar* bar = statusBar();
    m_paneMessage = new QLabel(bar);
    bar->addWidget(m_paneMessage, 1);
    m_paneCaret = new QLabel(bar);
    m_paneCaret->setObjectName(QStringLiteral("CaretPane"));
    bar->addPermanentWidget(m_paneCaret);
    // The document's encoding and line ends, what Save will write.
    m_paneFormat = new QLabel(bar);
    m_paneFormat->setAlignment(Qt::AlignCenter);
    m_paneFormat->setFrameShape(QFrame::Panel);
    m_paneFormat->setFrameShadow(QFrame::Sunken);
    m_paneFormat->setMinimumWidth(
        m_paneFormat->fontMetrics().horizontalAdvance(QStringLiteral("UTF-16LE BOM · CRLF")) + 12);
    bar->addPermanentWidget(m_paneFormat);
    const int indicatorIds[3] = {kStrIndicatorCaps, kStrIndicatorNum, kStrIndicatorScroll};
    for (int i = 0; i < 3; ++i) {
        auto* pane = new QLabel(bar);
        pane->setAlignment(Qt::AlignCenter);
        pane->setFrameShape(QFrame::Panel);
        pane->setFrameShadow(QFrame::Sunken);
        const QString text = CurrentResources().String(indicatorIds[i]);
        if (text.isEmpty())
            return false;
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(text) + 12);
        bar->addPermanentWidget(pane);
        m_indicators[i] = pane;
    }
    m_paneMessage->setText(CurrentResources().String(kStrIdle));
    LoadMenu();

    qApp->installEventFilter(new CLockKeyWatcher(this, [this] { UpdateIndicators(); }));
    qApp->installEventFilter(new CLatinMnemonics(this));
    UpdateIndicators();
    return true;
}

bool CMainFrame::CreateToolBar(bool large, bool vertical) {
    const int id = large ? kToolbarLarge : kToolbarSmall;
    const std::vector<int> buttons = CurrentResources().ToolbarButtons(id);
    const QImage strip = CurrentResources().Toolbar(id);
    const QImage strip2x = CurrentResources().Toolbar2x(id);
    if (buttons.empty() || strip.isNull())
        return false;
    m_wndToolBar = new QToolBar(this);
    m_wndToolBar->setObjectName(QStringLiteral("ToolBar"));
    const int side = strip.height();
    m_wndToolBar->setIconSize(QSize(side, side));
    m_wndToolBar->setMovable(true);
    m_wndToolBar->setFloatable(true);
    m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    int image = 0;
    for (const int command : buttons) {
        if (command == 0) {
            m_wndToolBar->addSeparator();
            continue;
        }
        QAction* action = Action(command);
        if (action == nullptr)
            return false;
        if ((image + 1) * side <= strip.width()) {
            // Both sizes, so that a screen scaled by 2 (or 1.5) draws the sharp picture.
            QIcon icon(QPixmap::fromImage(strip.copy(image * side, 0, side, side)));
            if ((image + 1) * side * 2 <= strip2x.width() && strip2x.height() == side * 2) {
                QPixmap large = QPixmap::fromImage(strip2x.copy(image * side * 2, 0, side * 2, side * 2));
                large.setDevicePixelRatio(2);
                icon.addPixmap(large);
            }
            action->setIcon(icon);
        }
        ++image;
        m_wndToolBar->addAction(action);
    }
    addToolBar(vertical ? Qt::LeftToolBarArea : Qt::TopToolBarArea, m_wndToolBar);
    m_nToolbarSide = side;
    m_wndToolBar->installEventFilter(this);
    return true;
}

void CMainFrame::CreateModePicture() {
    QAction* button = Action(kCmdViewRussian);
    QWidget* buttonWidget = button != nullptr ? m_wndToolBar->widgetForAction(button) : nullptr;
    if (buttonWidget == nullptr || m_wndToolBar->actions().indexOf(button) != kModeButtonIndex)
        return;
    m_picMode = new CPictureEx(m_wndToolBar);
    m_picMode->setObjectName(QStringLiteral("ModePicture"));
    // Clicks go through to the button beneath, as they did through the static control.
    m_picMode->setAttribute(Qt::WA_TransparentForMouseEvents);
    buttonWidget->installEventFilter(this);
    OnRussianModeChanged(g_inRussian);
}

void CMainFrame::PlaceModePicture() {
    if (m_picMode == nullptr)
        return;
    QWidget* button = m_wndToolBar->widgetForAction(Action(kCmdViewRussian));
    if (button == nullptr || !button->isVisible()) {
        m_picMode->hide();
        return;
    }
    QRect rect = button->geometry();
    rect.setLeft(rect.left() + 3);
    rect.setTop(rect.top() + 3);
    // Where the toolbar's pictures had to shrink, the button's own picture shows the mode: the
    // animation would not fit.
    if (rect.width() < m_picMode->PictureSize().width() ||
        rect.height() < m_picMode->PictureSize().height()) {
        m_picMode->hide();
        return;
    }
    m_picMode->setGeometry(rect);
    m_picMode->raise();
    m_picMode->show();
}

void CMainFrame::OnRussianModeChanged(bool on) {
    if (m_picMode == nullptr)
        return;
    if (m_picMode->LoadPicture(on ? kGifModeOn : kGifModeOff)) {
        m_picMode->SetBackColor(m_wndToolBar->palette().color(QPalette::Button));
        m_picMode->Play();
    }
    PlaceModePicture();
}

void CMainFrame::FitToolBarIcons() {
    // A vertical toolbar taller than the window would hide its last buttons behind a chevron: its
    // pictures get smaller instead, down to half their size.
    if (m_wndToolBar->orientation() != Qt::Vertical)
        return;
    const int room = m_wndToolBar->height();
    int side = m_nToolbarSide;
    m_wndToolBar->setIconSize(QSize(side, side));
    while (side > m_nToolbarSide / 2 && m_wndToolBar->sizeHint().height() > room) {
        side -= std::max(1, m_nToolbarSide / 8);
        m_wndToolBar->setIconSize(QSize(side, side));
    }
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pPanel) {
        if (event->type() == QEvent::Show)
            PlacePanel();
        if (event->type() == QEvent::Show || event->type() == QEvent::Hide)
            UpdateCommand(kCmdViewToolkit);
        return QMainWindow::eventFilter(watched, event);
    }
    if (watched == m_wndToolBar) {
        if (event->type() == QEvent::Resize && !m_bFittingToolBar) {
            m_bFittingToolBar = true;
            FitToolBarIcons();
            m_bFittingToolBar = false;
        }
        return QMainWindow::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
        PlaceModePicture();
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::SetActiveView(CLtView* view, CLtDoc* doc) {
    m_pEditView = view;
    m_pDoc = doc;
    // The panel and the view share one splitter; a wider window widens the view only.
    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setObjectName(QStringLiteral("PanelSplitter"));
    m_pPanel = new CPanel(m_settings, m_splitter);
    m_splitter->addWidget(m_pPanel);
    m_splitter->addWidget(view);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setCollapsible(0, false);
    m_splitter->setCollapsible(1, false);
    m_pPanel->installEventFilter(this);
    connect(m_splitter, &QSplitter::splitterMoved, this, [this] { m_nPanelWidth = m_pPanel->width(); });
    // The Find bar stands under the editor and the panel.
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_pBytesBar = new CNoticeBar(central);
    m_pBytesBar->setObjectName(QStringLiteral("BytesBar"));
    m_pDiskBar = new CNoticeBar(central);
    m_pDiskBar->setObjectName(QStringLiteral("DiskBar"));
    column->addWidget(m_pBytesBar);
    column->addWidget(m_pDiskBar);
    column->addWidget(m_splitter, 1);
    m_pFindBar = new CFindBar(view, central);
    column->addWidget(m_pFindBar);
    setCentralWidget(central);
    connect(view, &QPlainTextEdit::cursorPositionChanged, this, &CMainFrame::UpdateCaretPane);
    // Select All moves the caret to the end without a cursorPositionChanged.
    connect(view, &QPlainTextEdit::selectionChanged, this, &CMainFrame::UpdateCaretPane);
    UpdateCaretPane();
    connect(view, &CLtView::RussianModeChanged, this, &CMainFrame::OnRussianModeChanged);
    connect(doc, &CLtDoc::TitleChanged, this, &CMainFrame::UpdateFrameTitle);
    auto showFormat = [this] {
        if (m_paneFormat != nullptr && m_pDoc != nullptr)
            m_paneFormat->setText(m_pDoc->FormatText());
    };
    connect(doc, &CLtDoc::FormatChanged, this, showFormat);
    showFormat();
    connect(doc, &CLtDoc::LongLinesCut, this, [this] {
        statusBar()->showMessage(CurrentResources().String(kStrLongLinesCut), kLongLinesMessageMs);
    });
    connect(doc, &CLtDoc::NoticesChanged, this, [this] {
        m_bBytesBarClosed = false;
        UpdateNoticeBars();
    });
    connect(m_pBytesBar, &CNoticeBar::Chosen, this, [this](int index) {
        if (index < 0)
            m_bBytesBarClosed = true;
        else
            m_pDoc->OnFileReopenWithEncoding();
    });
    connect(m_pDiskBar, &CNoticeBar::Chosen, this, [this](int index) {
        const bool reload = index == 0 && m_pDoc->DiskChange() == CLtDoc::EDiskChange::kChanged;
        if (reload)
            m_pDoc->ReloadFromDisk();
        else
            m_pDoc->KeepMine();
    });
    UpdateNoticeBars();
    LoadContextMenu();
    RecalcLayout();
    UpdateFrameTitle();
    BindCommands();
}

void CMainFrame::UpdateNoticeBars() {
    if (m_pDoc == nullptr || m_pBytesBar == nullptr)
        return;
    const CResourceModule& strings = CurrentResources();
    const std::size_t bytes = m_pDoc->UndecodableBytes();
    if (bytes == 0 || m_bBytesBarClosed)
        m_pBytesBar->Show(QString(), {});
    else
        m_pBytesBar->Show(strings.String(kStrInvalidBytes)
                              .arg(bytes)
                              .arg(QString::fromLatin1(EncodingName(m_pDoc->Format().encoding))),
                          {strings.String(kStrReopenButton)});
    switch (m_pDoc->DiskChange()) {
    case CLtDoc::EDiskChange::kNone:
        m_pDiskBar->Show(QString(), {});
        break;
    case CLtDoc::EDiskChange::kChanged:
        m_pDiskBar->Show(strings.String(kStrChangedOnDisk),
                         {strings.String(kStrReload), strings.String(kStrKeepMine)});
        break;
    case CLtDoc::EDiskChange::kGone:
        m_pDiskBar->Show(strings.String(kStrGoneFromDisk), {strings.String(kStrKeepMine)});
        break;
    }
}

void CMainFrame::UpdateCaretPane() {
    if (m_paneCaret == nullptr || m_pEditView == nullptr)
        return;
    const QTextCursor cursor = m_pEditView->textCursor();
    // The file's line and column: a long line shown in pieces is still one line.
    int line = cursor.blockNumber();
    int column = cursor.positionInBlock();
    if (m_pDoc != nullptr)
        m_pDoc->FileLineColumn(cursor, line, column);
    m_paneCaret->setText(CurrentResources().String(kStrLineColumn).arg(line + 1).arg(column + 1));
}

void CMainFrame::RecalcLayout() {
    if (m_pEditView == nullptr || m_bLaidOut)
        return;
    m_bLaidOut = true;
    m_nPanelWidth = std::max(m_settings.panelWidth.Load(), CPanel::kMinWidth);
}

void CMainFrame::PlacePanel() {
    // A panel that comes back takes the width it had, the view the rest; the splitter first
    // counts the panel as shown, so that its handle stands between the two at once.
    m_splitter->refresh();
    const int rest = std::max(0, m_splitter->width() - m_splitter->handleWidth() - m_nPanelWidth);
    m_splitter->setSizes({m_nPanelWidth, rest});
}

bool CMainFrame::IsPanelShown() const {
    return m_pPanel != nullptr && m_pPanel->IsShown();
}

int CMainFrame::PanelWidth() const {
    return m_pPanel != nullptr ? m_nPanelWidth : m_settings.panelWidth.Value();
}

void CMainFrame::UpdateFrameTitle() {
    QString name = m_pDoc != nullptr ? m_pDoc->GetTitle() : QString();
    name.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle(QStringLiteral("%1[*] - %2").arg(name, DocString(kDocWindowTitle)));
    setWindowModified(m_pDoc != nullptr && m_pDoc->IsModified());
    if (m_pEditView != nullptr && m_pDoc != nullptr)
        m_pEditView->SetPrintTitle(m_pDoc->GetTitle());
}

void CMainFrame::RestoreWindowState() {
    const bool showPanel = m_settings.isPanel.Load() == 1;
    m_settings.interLang.Load();
    m_settings.beep.Load(); // brought into 0..37 as it is read
    SetInterfaceLanguage(m_settings.interLang.Value());

    SWindowPos pos;
    if (ParseWindowPos(m_settings.windowPos.Load(), pos)) {
        m_nShowState = pos.showState;
        const QRect outer = PlaceOnCurrentScreens(QRect(pos.left, pos.top, pos.width, pos.height));
        m_nLeft = outer.left();
        m_nTop = outer.top();
        m_nWidth = outer.width();
        m_nHeight = outer.height();
        if (outer.width() > 0 && outer.height() > 0) {
            // The frame's size is unknown until the window manager has framed the window; the
            // client size is corrected then, also for a window that opens maximized, at its first
            // restore, so that restoring never grows it by the frame.
            move(outer.topLeft());
            resize(outer.size());
            m_pendingOuter = outer;
            m_bPendingAfterMaximized = pos.showState == 3;
        }
        if (pos.showState == 3)
            showMaximized(); // un-maximizing returns to the stored normal placement
        else
            showNormal();
    } else {
        resize(DefaultWindowSize());
        showNormal();
    }
    update();
    if (showPanel && m_pPanel != nullptr)
        m_pPanel->ShowPanel();
}

void CMainFrame::ApplyPendingPlacement() {
    if (m_pendingOuter.isNull() || m_bPendingAfterMaximized || !isVisible() || isMaximized() || isMinimized())
        return;
    const QRect frame = frameGeometry();
    const QRect client = geometry();
    if (frame == client)
        return; // not framed yet
    // A window restored from maximized shows the maximized frame (no borders) first and its
    // normal frame a moment later: the placement follows until the frame has settled, so that
    // restoring never grows the window by the frame.
    const QSize margins = frame.size() - client.size();
    if (margins == m_appliedMargins)
        return;
    const bool first = !m_appliedMargins.isValid();
    m_appliedMargins = margins;
    const QRect outer = m_pendingOuter;
    resize(outer.size() - margins);
    move(outer.topLeft());
    if (first) {
        m_pendingEnd->start();
        m_pendingCheck->start();
    }
}

void CMainFrame::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    OnMove();
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    OnSize();
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    OnSize();
}

void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        OnSize();
    // A lock key may have changed while another program had the keyboard.
    if (event->type() == QEvent::ActivationChange)
        UpdateIndicators();
}

void CMainFrame::OnMove() {
    ApplyPendingPlacement();
    TrackNormalPlacement();
}

void CMainFrame::OnSize() {
    if (!isVisible())
        return;
    ApplyPendingPlacement();
    if (isMinimized()) {
        m_nShowState = -1;
        m_normalSettle->stop();
    } else if (isMaximized() || isFullScreen()) {
        m_nShowState = 3;
        m_bPendingAfterMaximized = false; // the next restore places the window
        // A window manager may report the maximized rectangle just before the maximized state:
        // what is still waiting to count as the normal placement is not one.
        m_normalSettle->stop();
    } else {
        m_nShowState = 1;
        TrackNormalPlacement();
    }
}

void CMainFrame::TrackNormalPlacement() {
    if (!isVisible() || isMaximized() || isMinimized() || isFullScreen())
        return;
    m_normalSettle->start();
}

void CMainFrame::CommitNormalPlacement() {
    if (!isVisible() || isMaximized() || isMinimized() || isFullScreen())
        return;
    const QRect outer = frameGeometry();
    m_nLeft = outer.left();
    m_nTop = outer.top();
    m_nWidth = outer.width();
    m_nHeight = outer.height();
}

QSize CMainFrame::DefaultWindowSize() const {
    // Two thirds of the screen, but tall enough for the whole vertical toolbar where the screen is.
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return {};
    const QSize available = screen->availableSize();
    QSize size = available * 2 / 3;
    if (m_wndToolBar != nullptr && toolBarArea(m_wndToolBar) == Qt::LeftToolBarArea) {
        const int needed = m_wndToolBar->sizeHint().height() + menuBar()->sizeHint().height() +
                           statusBar()->sizeHint().height() + 16;
        // The window manager's frame comes on top of this size.
        size.setHeight(std::min(available.height() * 9 / 10, std::max(size.height(), needed)));
    }
    return size;
}

void CMainFrame::StoreSettings() const {
    m_settings.windowPos.Set(FormatWindowPos({m_nShowState, m_nLeft, m_nTop, m_nWidth, m_nHeight}));
    m_settings.windowPos.Save();
    m_settings.isPanel.Set(IsPanelShown() ? 1 : 0);
    m_settings.isPanel.Save();
    m_settings.panelWidth.Set(PanelWidth());
    m_settings.panelWidth.Save();
    for (const CIntSetting* setting :
         {&m_settings.wrapText, &m_settings.autoClip, &m_settings.beep, &m_settings.tabStops,
          &m_settings.toolbarLarge, &m_settings.toolbarVertical, &m_settings.interLang,
          &m_settings.checkSpelling})
        setting->Save();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // The frame's size may have become known after the last resize.
    OnSize();
    CommitNormalPlacement();
    // Stored before the document is asked about, so they stay stored even if the user then
    // cancels the close. Nothing while minimized or before the window was ever sized.
    if (m_nShowState != -1)
        StoreSettings();
    if (m_pDoc != nullptr && !m_pDoc->SaveModified()) {
        event->ignore();
        return;
    }
    event->accept();
}

void CMainFrame::OnSettings() {
    DSettings dialog(m_settings, this);
    dialog.exec();
    // Whatever closed the dialog, the editor takes the current tab width again.
    if (m_pEditView != nullptr)
        m_pEditView->ApplyTabStops();
}

void CMainFrame::OnFileRenamer() {
    // Opened without a parent, as the tool stands on its own beside the editor.
    DFileRenamer dialog(m_settings);
    dialog.exec();
}

void CMainFrame::OnFileMp3() {
    // Without a parent, like the file renamer.
    DFileMp3 dialog(m_settings);
    dialog.exec();
}

void CMainFrame::OnUndoLastRun() {
    // The recent runs of both tools to choose from, each previewed and asked before it is undone.
    const CResourceModule& texts = CurrentResources();
    const std::vector<SJournalRun> runs = RecentRuns({"renamer", "rename", "mp3", "tags"}, 20);
    if (runs.empty()) {
        LtMessageBox(this, texts.String(kStrNothingToUndo), QMessageBox::Information);
        return;
    }
    QStringList items;
    for (const SJournalRun& run : runs) {
        const QString when = QDateTime::fromString(QString::fromLatin1(run.started), Qt::ISODateWithMs)
                                 .toLocalTime()
                                 .toString(QStringLiteral("yyyy-MM-dd HH:mm"));
        items << texts.String(kStrRunItem)
                     .arg(QString::fromUtf8(run.tool), when)
                     .arg(run.changes)
                     .arg(DecodeRawName(run.folder).replace(QLatin1Char('\n'), QStringLiteral("; ")));
    }
    const std::optional<QString> chosen = Modal::ChooseItem([&]() -> std::optional<QString> {
        bool ok = false;
        const QString item = QInputDialog::getItem(this, texts.String(kStrUndoLastRun),
                                                   texts.String(kStrChooseRun), items, 0, false, &ok);
        return ok ? std::optional<QString>(item) : std::nullopt;
    });
    const qsizetype index = chosen ? items.indexOf(*chosen) : -1;
    SJournalRun run;
    if (index < 0 || !ReadJournal(runs[std::size_t(index)].path, run))
        return;
    if (run.undone) {
        LtMessageBox(this, texts.String(kStrUndoneAlready), QMessageBox::Information);
        return;
    }
    if (LtMessageBox(this, UndoPreview(run, UndoTagRecord), QMessageBox::Question,
                     QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    LtMessageBox(this, UndoAndSummarise(run, UndoTagRecord), QMessageBox::Information);
}
