// The editor view: the one edit window of the program, showing the document's whole text.
// For now a plain text editor with the standard edit commands and the In Russian switch; typing
// conversion comes with the editor itself. The main frame owns the view.
#pragma once

#include "CCmdTarget.h"

#include <QPlainTextEdit>

class QMenu;

// The In Russian mode: on at start, never stored.
extern bool g_inRussian;

class CLtView : public QPlainTextEdit, public CCmdTarget {
    Q_OBJECT

public:
    explicit CLtView(QWidget* parent = nullptr);
    ~CLtView() override;

    // The context menu; the main frame fills it from menu 139 of the current resource module
    // when the view is created and again after each language switch.
    QMenu* ContextMenu() const { return m_menuContext; }

    void ToggleRussianMode();

    bool OnCmdMsg(int id) override;
    bool OnUpdateCmdUI(SCmdUI& cmdUI) override;

signals:
    // The mode changed; the frame shows it in its mode picture.
    void RussianModeChanged(bool on);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QMenu* m_menuContext; // child of the view
};
