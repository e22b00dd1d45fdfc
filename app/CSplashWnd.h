// The splash window: bitmap 2001 in a frameless window centred on the screen, from the start of
// start-up until the main window shows. It takes no input and has no timer.
#pragma once

#include <QPixmap>
#include <QWidget>

class CSplashWnd : public QWidget {
    Q_OBJECT

public:
    CSplashWnd();

    // Shows the window and paints it at once, before start-up goes on.
    void Create();
    const QPixmap& Bitmap() const { return m_bitmap; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_bitmap;
};
