#include "CPanel.h"

#include <QHBoxLayout>
#include <QMouseEvent>

#include <algorithm>

CPanel::CPanel(CLtView* view, QWidget* parent) : QFrame(parent), m_pView(view), m_dlgSymbol(this) {
    setObjectName(QStringLiteral("Panel"));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setAutoFillBackground(true);
    setCursor(Qt::SizeHorCursor); // only the sizing border shows it; the list has its own cursor
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, kBorder, 0);
    layout->addWidget(&m_dlgSymbol);
    m_dlgSymbol.setCursor(Qt::ArrowCursor);
    hide();
}

void CPanel::Create(int width) {
    resize(std::max(width, kMinWidth), 0);
    // Until it is first shown and measured, this is the width the frame stores at close.
    m_nPanelWidth = this->width();
}

void CPanel::ShowPanel() {
    if (m_bShown)
        return;
    show();
    raise();
    m_bShown = true;
    LayoutPanel();
    repaint();
}

void CPanel::HidePanel() {
    if (!m_bShown)
        return;
    hide();
    m_bShown = false;
    LayoutPanel();
}

void CPanel::LayoutPanel() {
    if (m_bShown) {
        // The width is measured, so a width the user dragged is the one that stays.
        m_nPanelWidth = width();
        const QRect rc = m_pView->LayoutRect();
        setGeometry(rc.left(), rc.top(), m_nPanelWidth, rc.height());
    }
    m_pView->PlaceBesidePanel();
}

void CPanel::mousePressEvent(QMouseEvent* event) {
    const int x = event->position().toPoint().x();
    if (event->button() == Qt::LeftButton && OnSizingBorder(x)) {
        m_nDragOffset = width() - x;
        event->accept();
        return;
    }
    QFrame::mousePressEvent(event);
}

void CPanel::mouseMoveEvent(QMouseEvent* event) {
    if (m_nDragOffset < 0) {
        QFrame::mouseMoveEvent(event);
        return;
    }
    // The view keeps a visible strip, so the panel can always be dragged back.
    const int limit = std::max(kMinWidth, m_pView->LayoutRect().width() - kMinWidth);
    const int wanted = event->position().toPoint().x() + m_nDragOffset;
    resize(std::clamp(wanted, kMinWidth, limit), height());
    LayoutPanel();
}

void CPanel::mouseReleaseEvent(QMouseEvent* event) {
    if (m_nDragOffset >= 0 && event->button() == Qt::LeftButton) {
        m_nDragOffset = -1;
        return;
    }
    QFrame::mouseReleaseEvent(event);
}

CPanelArea::CPanelArea(CLtView* view, QWidget* parent)
    : QWidget(parent), m_pView(view), m_pPanel(new CPanel(view, this)) {
    view->setParent(this);
    view->show();
    m_pPanel->raise();
    view->SetPanel(m_pPanel);
}

void CPanelArea::Layout() {
    m_pView->setGeometry(rect());
    m_pView->SaveLayoutRect();
    m_pPanel->LayoutPanel();
}

void CPanelArea::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Layout();
}
