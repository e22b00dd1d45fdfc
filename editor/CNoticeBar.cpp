#include "CNoticeBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

CNoticeBar::CNoticeBar(QWidget* parent)
    : QFrame(parent), m_label(new QLabel(this)), m_row(new QHBoxLayout(this)) {
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    // The colour of tool tips: set apart from the text without a colour of our own.
    setBackgroundRole(QPalette::ToolTipBase);
    setForegroundRole(QPalette::ToolTipText);
    m_row->setContentsMargins(6, 3, 3, 3);
    auto* icon = new QLabel(this);
    const int side = style()->pixelMetric(QStyle::PM_SmallIconSize);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(side, side));
    m_row->addWidget(icon);
    m_label->setWordWrap(true);
    m_row->addWidget(m_label, 1);
    auto* close = new QToolButton(this);
    close->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    close->setAutoRaise(true);
    connect(close, &QToolButton::clicked, this, [this] {
        hide();
        emit Chosen(-1);
    });
    m_row->addWidget(close);
    hide();
}

void CNoticeBar::Show(const QString& text, const QStringList& buttons) {
    qDeleteAll(m_buttons);
    m_buttons.clear();
    m_label->setText(text);
    for (int i = 0; i < buttons.size(); ++i) {
        auto* button = new QPushButton(buttons[i], this);
        m_row->insertWidget(m_row->count() - 1, button);
        connect(button, &QPushButton::clicked, this, [this, i] { emit Chosen(i); });
        m_buttons << button;
    }
    setVisible(!text.isEmpty());
}

QString CNoticeBar::Text() const {
    return m_label->text();
}
