#include "CPanel.h"

#include <QHBoxLayout>

CPanel::CPanel(CSettings& settings, QWidget* parent) : QFrame(parent), m_dlgSymbol(settings, this) {
    setObjectName(QStringLiteral("Panel"));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setAutoFillBackground(true);
    setMinimumWidth(kMinWidth);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(&m_dlgSymbol);
    hide();
}
