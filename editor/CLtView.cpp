#include "CLtView.h"

#include "CommandIds.h"

#include <QContextMenuEvent>
#include <QMenu>

bool g_inRussian = true;

CLtView::CLtView(QWidget* parent) : QPlainTextEdit(parent), m_menuContext(new QMenu(this)) {
    setFrameShape(QFrame::NoFrame);
}

CLtView::~CLtView() = default;

void CLtView::ToggleRussianMode() {
    g_inRussian = !g_inRussian;
    emit RussianModeChanged(g_inRussian);
}

bool CLtView::OnCmdMsg(int id) {
    switch (id) {
    case kCmdEditUndo:
        undo();
        return true;
    case kCmdEditCut:
        cut();
        return true;
    case kCmdEditCopy:
        copy();
        return true;
    case kCmdEditPaste:
        paste();
        return true;
    case kCmdEditSelectAll:
        selectAll();
        return true;
    case kCmdViewRussian:
        ToggleRussianMode();
        return true;
    default:
        return false;
    }
}

bool CLtView::OnUpdateCmdUI(SCmdUI& cmdUI) {
    switch (cmdUI.id) {
    case kCmdEditUndo:
        cmdUI.Enable(document()->isUndoAvailable());
        return true;
    case kCmdEditCut:
    case kCmdEditCopy:
        cmdUI.Enable(textCursor().hasSelection());
        return true;
    case kCmdEditPaste:
        cmdUI.Enable(canPaste());
        return true;
    case kCmdEditSelectAll:
        cmdUI.Enable(!document()->isEmpty());
        return true;
    case kCmdViewRussian:
        cmdUI.SetCheck(g_inRussian ? 1 : 0);
        return true;
    default:
        return false;
    }
}

void CLtView::contextMenuEvent(QContextMenuEvent* event) {
    if (m_menuContext->isEmpty()) {
        QPlainTextEdit::contextMenuEvent(event);
        return;
    }
    m_menuContext->exec(event->globalPos());
}
