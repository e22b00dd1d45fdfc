#include "CSplashWnd.h"

#include "CResourceModuleGui.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

CSplashWnd::CSplashWnd()
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_bitmap(QPixmap::fromImage(CurrentResources().Bitmap(kBmpSplash))) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFixedSize(m_bitmap.isNull() ? QSize(1, 1) : m_bitmap.deviceIndependentSize().toSize());
    setCursor(Qt::ArrowCursor);
}

void CSplashWnd::Create() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect rect(QPoint(0, 0), size());
        rect.moveCenter(screen->geometry().center());
        move(rect.topLeft());
    }
    show();
    repaint();
    // Let the window system map and draw it now; start-up goes on without returning to the loop.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CSplashWnd::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_bitmap);
}
