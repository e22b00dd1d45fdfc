#include "CProgressWnd.h"

#include "CResourceModule.h"
#include "Settings.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <climits>

namespace {

constexpr int kMargin = 10;
constexpr int kEdge = 2; // the width of a sunken edge, which the button's size allows for

QWidget* MainWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMainWindow*>(widget))
            return widget;
    }
    return nullptr;
}

int ClampToInt(long long value) {
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

} // namespace

CProgressWnd::CProgressWnd(CSettings& settings, QWidget* owner, bool smooth, int showAfterMs)
    : CProgressWnd(settings, owner, CurrentResources().String(kStrProgressTitle), smooth, showAfterMs) {}

CProgressWnd::CProgressWnd(CSettings& settings, QWidget* owner, const QString& title, bool smooth,
                           int showAfterMs)
    : QWidget(owner ? owner->window() : MainWindow(),
              Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_settings(settings), m_title(title), m_cancelLabel(CurrentResources().String(kStrProgressCancel)),
      m_owner(owner), m_showAfterMs(std::max(showAfterMs, 0)) {
    m_since.start();
    m_showTimer.setSingleShot(true);
    connect(&m_showTimer, &QTimer::timeout, this, &CProgressWnd::ShowProgress);
    Create(owner, smooth);
}

CProgressWnd::~CProgressWnd() {
    if (m_pumping)
        qApp->removeEventFilter(this);
    SavePosition();
}

void CProgressWnd::Create(QWidget* owner, bool smooth) {
    Q_UNUSED(owner);
    setWindowTitle(m_title);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setCursor(Qt::BusyCursor);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);

    m_text = new QLabel(this);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setWordWrap(false);
    m_bar = new QProgressBar(this);
    m_bar->setTextVisible(false);
    m_bar->setRange(m_lower, m_upper);
    m_bar->setValue(0);
    // Every bar here fills smoothly; a segmented one is a look of the old system, not a choice.
    Q_UNUSED(smooth);
    m_cancelButton = new QPushButton(m_cancelLabel, this);
    m_cancelButton->setAutoDefault(false);
    connect(m_cancelButton, &QPushButton::clicked, this, &CProgressWnd::OnCancelButton);

    LayoutForLines(m_textLines, 390);
    if (m_rememberPosition)
        RestorePosition();
    ShowProgress();
}

void CProgressWnd::LayoutForLines(int lines, int width) {
    lines = std::max(lines, 1);
    width = std::max(width, 1);
    const QFontMetrics metrics(font());
    const int textHeight = metrics.lineSpacing() * (lines - 1) + metrics.height();
    const QRect text(kMargin, kMargin, width, textHeight);

    const int buttonWidth = metrics.horizontalAdvance(m_cancelLabel + QStringLiteral("  ")) + 4 * kEdge;
    const int buttonHeight = metrics.height() + 3 * kEdge;
    const QRect button(text.right() + 1 - buttonWidth, text.bottom() + 1 + kMargin, buttonWidth,
                       buttonHeight);
    const QRect bar(QPoint(text.left(), button.top() + kEdge),
                    QPoint(button.left() - kMargin - 1, button.bottom() - kEdge));

    setFixedSize(width + 2 * kMargin, textHeight + buttonHeight + 3 * kMargin);
    m_bar->setGeometry(bar);
    m_cancelButton->setGeometry(button);
    m_text->setGeometry(text);
    update();
}

void CProgressWnd::SetProgressRange(int lower, int upper, int step) {
    m_lower = lower;
    m_upper = upper;
    m_step = step;
    // An empty range shows an empty bar; QProgressBar would turn it into a busy animation.
    if (lower < upper)
        m_bar->setRange(lower, upper);
    else
        m_bar->setRange(0, 1);
    m_bar->setValue(std::clamp(m_pos, m_bar->minimum(), m_bar->maximum()));
}

int CProgressWnd::SetProgressPos(int pos) {
    ShowProgress();
    m_pos = pos;
    int percent = 0;
    if (m_lower < m_upper) {
        const double exact =
            (static_cast<double>(pos) - m_lower) * 100.0 / (static_cast<double>(m_upper) - m_lower) + 0.5;
        percent =
            static_cast<int>(std::clamp(exact, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
    }
    if (percent != m_lastPercent) {
        m_lastPercent = percent;
        setWindowTitle(m_title + QStringLiteral(" [") + QString::number(percent) + QStringLiteral("%]"));
    }
    const int previous = m_bar->value();
    m_bar->setValue(m_lower < m_upper ? std::clamp(pos, m_lower, m_upper) : 0);
    // Drawn now: after a cancel nothing pumps the events any more, and the bar should still move.
    if (isVisible())
        m_bar->repaint();
    return previous;
}

int CProgressWnd::StepProgress() {
    ShowProgress();
    return SetProgressPos(ClampToInt(static_cast<long long>(m_pos) + m_step));
}

void CProgressWnd::PumpMessages(bool cancelOnEsc, bool waitForEvents) {
    if (m_cancelled || m_pumping)
        return;
    if (m_showAfterMs > 0)
        ShowProgress(); // the work has now taken long enough to show
    if (waitForEvents && !isVisible() && m_showAfterMs > 0 && !m_showTimer.isActive())
        m_showTimer.start(int(std::max<qint64>(1, m_showAfterMs - m_since.elapsed())));
    m_pumping = true;
    m_cancelOnEsc = cancelOnEsc;
    qApp->installEventFilter(this);
    QCoreApplication::processEvents(waitForEvents ? QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents
                                                  : QEventLoop::AllEvents);
    qApp->removeEventFilter(this);
    m_pumping = false;
}

bool CProgressWnd::IsOwn(const QObject* object) const {
    const auto* widget = qobject_cast<const QWidget*>(object);
    return widget && (widget == this || isAncestorOf(widget));
}

bool CProgressWnd::eventFilter(QObject* watched, QEvent* event) {
    if (!m_pumping)
        return false;
    switch (event->type()) {
    case QEvent::KeyPress:
        if (m_cancelOnEsc && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            if (!m_cancelled)
                OnCancelButton();
            return true;
        }
        break;
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
        // Window-system objects pass the input on to the widgets, where it is sorted out.
        if (!watched->isWidgetType())
            return false;
        break;
    case QEvent::Shortcut:
        break;
    case QEvent::Close:
        // The user closing the owner from its title bar would end it in the middle of the batch.
        if (!event->spontaneous())
            return false;
        break;
    default:
        return false;
    }
    return !IsOwn(watched);
}

void CProgressWnd::closeEvent(QCloseEvent* event) {
    if (event->spontaneous()) {
        // The title bar's close (or Alt+F4) means the same as Cancel.
        OnCancelButton();
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void CProgressWnd::OnCancelButton() {
    SavePosition();
    m_cancelled = true;
    HideProgress();
    if (QWidget* owner = Owner()) {
        owner->window()->raise();
        owner->window()->activateWindow();
    }
}

QWidget* CProgressWnd::Owner() const {
    return m_owner ? m_owner.data() : MainWindow();
}

void CProgressWnd::ShowProgress() {
    if (isVisible() || m_since.elapsed() < m_showAfterMs)
        return;
    show();
    repaint();
}

void CProgressWnd::HideProgress() {
    if (isVisible())
        hide();
}

// The position of the window's inside, not of its frame: before the window is first shown the
// frame is not known yet, and a frame corner restored as an inside corner moved the window by
// the title bar's height on every run.
void CProgressWnd::SavePosition() {
    const QPoint corner = geometry().topLeft();
    m_settings.progressX.Set(corner.x());
    m_settings.progressY.Set(corner.y());
    m_settings.progressX.Save();
    m_settings.progressY.Save();
}

void CProgressWnd::RestorePosition() {
    const int x = m_settings.progressX.Load();
    const int y = m_settings.progressY.Load();
    if (x >= 0 && y >= 0 && QGuiApplication::screenAt(QPoint(x, y))) {
        setGeometry(QRect(QPoint(x, y), size()));
        return;
    }
    QRect over;
    const QWidget* owner = Owner();
    if (owner && owner->window()->isVisible())
        over = owner->window()->frameGeometry();
    else if (const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen())
        over = screen->availableGeometry();
    if (over.isValid())
        move(over.center() - QPoint(width() / 2, height() / 2));
}
