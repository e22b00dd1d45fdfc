#include "CMainFrame.h"

#include "CLtDoc.h"
#include "CLtView.h"
#include "CPanel.h"
#include "CPictureEx.h"
#include "CommandIds.h"
#include "DFileMp3.h"
#include "DFileRenamer.h"
#include "DSettings.h"
#include "DocStrings.h"
#include "Settings.h"

#include "CProfile.h"
#include "CResourceModule.h"

#include <QAction>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

constexpr int kModeButtonIndex = 8; // the In Russian button among the toolbar's items
constexpr int kGifModeOn = 195;
constexpr int kGifModeOff = 199;
constexpr int kIdleMs = 200;

} // namespace

CMainFrame::CMainFrame(CCmdTarget* app) : m_pApp(app) {
    setWindowIcon(QPixmap::fromImage(CurrentResources().Icon(128)));
    // The toolbar's position is chosen by the settings, not by a menu of the bars.
    setContextMenuPolicy(Qt::NoContextMenu);
}

CMainFrame::~CMainFrame() = default;

bool CMainFrame::OnCreate() {
    const bool large = g_toolbarLarge.Load() != 0;
    const bool vertical = g_toolbarVertical.Load() != 0;
    g_keysCtrlShift.Load();
    g_blueRus.Load();
    g_blueOrig.Load();

    CreateActions();
    if (!CreateToolBar(large, vertical))
        return false;
    if (large)
        CreateModePicture();

    QStatusBar* bar = statusBar();
    m_paneMessage = new QLabel(bar);
    bar->addWidget(m_paneMessage, 1);
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

    m_idleTimer = new QTimer(this);
    connect(m_idleTimer, &QTimer::timeout, this, [this] {
        UpdateCommands();
        UpdateIndicators();
    });
    m_idleTimer->start(kIdleMs);
    return true;
}

bool CMainFrame::CreateToolBar(bool large, bool vertical) {
    const int id = large ? 128 : 129;
    const std::vector<int> buttons = CurrentResources().ToolbarButtons(id);
    const QImage strip = CurrentResources().Toolbar(id);
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
        if ((image + 1) * side <= strip.width())
            action->setIcon(QPixmap::fromImage(strip.copy(image * side, 0, side, side)));
        ++image;
        m_wndToolBar->addAction(action);
    }
    addToolBar(vertical ? Qt::LeftToolBarArea : Qt::TopToolBarArea, m_wndToolBar);
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

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
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
    auto* area = new CPanelArea(view, this);
    m_pPanel = area->Panel();
    setCentralWidget(area);
    connect(view, &CLtView::RussianModeChanged, this, &CMainFrame::OnRussianModeChanged);
    connect(doc, &CLtDoc::TitleChanged, this, &CMainFrame::UpdateFrameTitle);
    auto showFormat = [this] {
        if (m_paneFormat != nullptr && m_pDoc != nullptr)
            m_paneFormat->setText(m_pDoc->FormatText());
    };
    connect(doc, &CLtDoc::FormatChanged, this, showFormat);
    showFormat();
    LoadContextMenu();
    RecalcLayout();
    UpdateFrameTitle();
}

void CMainFrame::RecalcLayout() {
    if (m_pEditView == nullptr || m_bLaidOut)
        return;
    // The first layout with a view: the Toolkit panel takes its stored width.
    m_bLaidOut = true;
    m_pPanel->Create(g_panelWidth.Load());
}

bool CMainFrame::IsPanelShown() const {
    return m_pPanel != nullptr && m_pPanel->IsShown();
}

int CMainFrame::PanelWidth() const {
    return m_pPanel != nullptr ? m_pPanel->GetWidth() : g_panelWidth.Value();
}

void CMainFrame::UpdateFrameTitle() {
    QString name = m_pDoc != nullptr ? m_pDoc->GetTitle() : QString();
    name.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle(QStringLiteral("%1[*] - %2").arg(name, DocString(kDocWindowTitle)));
    setWindowModified(m_pDoc != nullptr && m_pDoc->IsModified());
}

void CMainFrame::RestoreWindowState() {
    const bool showPanel = g_isPanel.Load() == 1;
    g_interLang.Load();
    g_beep.Load(); // brought into 0..37 as it is read
    SetInterfaceLanguage(g_interLang.Value());

    SWindowPos pos;
    if (ParseWindowPos(g_windowPos.Load(), pos)) {
        m_nShowState = pos.showState;
        m_nLeft = pos.left;
        m_nTop = pos.top;
        m_nWidth = pos.width;
        m_nHeight = pos.height;
        const QRect outer(pos.left, pos.top, pos.width, pos.height);
        if (outer.width() > 0 && outer.height() > 0) {
            // The frame's size is unknown until the window manager has framed the window; the
            // client size is corrected then.
            move(outer.topLeft());
            resize(outer.size());
            // A window that opens maximized has no frame of its normal size to measure; restored, it
            // takes the stored size as its inner size.
            if (pos.showState != 3)
                m_pendingOuter = outer;
            m_normalHistory.assign(1, outer);
        }
        if (pos.showState == 3)
            showMaximized(); // un-maximizing returns to the stored normal placement
        else
            showNormal();
    } else {
        // The default placement: two thirds of the screen, where the window manager puts it.
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            resize(screen->availableSize() * 2 / 3);
        showNormal();
    }
    update();
    if (showPanel && m_pPanel != nullptr)
        m_pPanel->ShowPanel();
}

void CMainFrame::ApplyPendingPlacement() {
    if (m_pendingOuter.isNull() || !isVisible() || isMaximized() || isMinimized())
        return;
    const QRect frame = frameGeometry();
    const QRect client = geometry();
    if (frame == client)
        return; // not framed yet
    const QRect outer = m_pendingOuter;
    m_pendingOuter = QRect();
    resize(outer.width() - (frame.width() - client.width()),
           outer.height() - (frame.height() - client.height()));
    move(outer.topLeft());
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
    if (event->type() == QEvent::WindowStateChange) {
        if (isMaximized() && !m_normalHistory.empty()) {
            // Drop what the maximized rectangle itself left in the record of normal placements.
            const QRect maximized = frameGeometry();
            while (m_normalHistory.size() > 1 && (m_normalHistory.back().size() == maximized.size() ||
                                                  m_normalHistory.back().topLeft() == maximized.topLeft()))
                m_normalHistory.pop_back();
            const QRect normal = m_normalHistory.back();
            m_nLeft = normal.left();
            m_nTop = normal.top();
            m_nWidth = normal.width();
            m_nHeight = normal.height();
        }
        OnSize();
    }
}

void CMainFrame::OnMove() {
    ApplyPendingPlacement();
    // A maximized or minimized window's position says nothing about where it stands when normal.
    if (!isVisible() || isMaximized() || isMinimized() || isFullScreen())
        return;
    const QRect outer = frameGeometry();
    m_nLeft = outer.left();
    m_nTop = outer.top();
    if (m_normalHistory.empty() || m_normalHistory.back() != outer) {
        m_normalHistory.push_back(outer);
        if (m_normalHistory.size() > 8)
            m_normalHistory.erase(m_normalHistory.begin());
    }
}

void CMainFrame::OnSize() {
    if (!isVisible())
        return;
    ApplyPendingPlacement();
    if (isMinimized()) {
        m_nShowState = -1;
    } else if (isMaximized()) {
        m_nShowState = 3;
    } else {
        m_nShowState = 1;
        const QRect outer = frameGeometry();
        m_nWidth = outer.width();
        m_nHeight = outer.height();
        OnMove();
    }
}

void CMainFrame::StoreSettings() const {
    g_windowPos.Set(FormatWindowPos({m_nShowState, m_nLeft, m_nTop, m_nWidth, m_nHeight}));
    g_windowPos.Save();
    g_isPanel.Set(IsPanelShown() ? 1 : 0);
    g_isPanel.Save();
    g_panelWidth.Set(PanelWidth());
    g_panelWidth.Save();
    for (const CIntSetting* setting :
         {&g_wrapText, &g_autoClip, &g_beep, &g_tabStops, &g_toolbarLarge, &g_toolbarVertical, &g_interLang})
        setting->Save();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // The frame's size may have become known after the last resize.
    OnSize();
    // Stored before the document is asked about, so they stay stored even if the user then
    // cancels the close. Nothing while minimized or before the window was ever sized.
    if (m_nShowState != -1)
        StoreSettings();
    if (m_pDoc != nullptr && !m_pDoc->SaveModified()) {
        event->ignore();
        return;
    }
    m_idleTimer->stop();
    event->accept();
}

void CMainFrame::OnSettings() {
    DSettings dialog(this);
    dialog.exec();
    // Whatever closed the dialog, the editor takes the current tab width again. The dialog takes
    // any number, so the width is computed without int overflow.
    if (m_pEditView != nullptr)
        m_pEditView->setTabStopDistance(qreal(g_tabStops.Value()) *
                                        m_pEditView->fontMetrics().averageCharWidth());
}

void CMainFrame::OnFileRenamer() {
    // Opened without a parent, as the tool stands on its own beside the editor.
    DFileRenamer dialog;
    dialog.exec();
}

void CMainFrame::OnFileMp3() {
    // Without a parent, like the file renamer.
    DFileMp3 dialog;
    dialog.exec();
}

void CMainFrame::ShowToolPlaceholder(int dialogId, int buttonId) {
    const SDialogTexts texts = CurrentResources().Dialog(dialogId);
    QDialog dialog(this);
    dialog.setWindowTitle(texts.title);
    auto* layout = new QVBoxLayout(&dialog);
    auto* buttons = new QDialogButtonBox(&dialog);
    const auto text = texts.controls.find(buttonId);
    QPushButton* close = buttons->addButton(text != texts.controls.end() ? text->second : QString(),
                                            QDialogButtonBox::AcceptRole);
    close->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    layout->addStretch(1);
    layout->addWidget(buttons);
    dialog.resize(360, 120);
    dialog.exec();
}
