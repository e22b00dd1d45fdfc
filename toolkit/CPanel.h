// The Toolkit panel: a strip at the left edge of the editor's area holding the character list.
// The frame creates it once the view exists; the Toolkit command shows and hides it, and the
// user drags its right border to change its width. While shown, the view starts right of it.
#pragma once

#include "CLtView.h"
#include "DSymbol.h"

#include <QFrame>

class CPanel : public QFrame, public IToolkitPanel {
    Q_OBJECT

public:
    // The sizing border along the right edge, part of the panel's width.
    static constexpr int kBorder = 5;
    static constexpr int kMinWidth = 2 * kBorder + DSymbol::kImageWidth;

    explicit CPanel(CLtView* view, QWidget* parent = nullptr);

    // The first layout: the panel takes its starting width and stays hidden.
    void Create(int width);

    bool IsShown() const override { return m_bShown; }
    int GetWidth() const override { return m_nPanelWidth; }
    void ShowPanel() override;
    void HidePanel() override;
    // Places the panel on the left strip of the view's layout rectangle and the view beside it.
    void LayoutPanel();

    DSymbol& Symbol() { return m_dlgSymbol; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool OnSizingBorder(int x) const { return x >= width() - kBorder; }

    bool m_bShown = false;
    int m_nPanelWidth = 0;
    CLtView* m_pView;
    DSymbol m_dlgSymbol;
    int m_nDragOffset = -1; // distance from the grab point to the right edge while dragging
};

// The frame's central area: the editor view and the Toolkit panel over it. Every resize gives the
// view the whole area as its layout rectangle, then lets the panel take its strip.
class CPanelArea : public QWidget {
    Q_OBJECT

public:
    // Takes the view as its child and registers the panel with it.
    explicit CPanelArea(CLtView* view, QWidget* parent = nullptr);

    CPanel* Panel() const { return m_pPanel; }
    void Layout();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    CLtView* m_pView;
    CPanel* m_pPanel;
};
