// The Toolkit panel: the strip at the left of the editor holding the character list. The frame
// puts it beside the view in one splitter; the Toolkit command shows and hides it, and the
// splitter's handle changes its width.
#pragma once

#include "DSymbol.h"

#include <QFrame>

class CPanel : public QFrame {
    Q_OBJECT

public:
    // Narrow enough to leave the list's pictures whole.
    static constexpr int kMinWidth = 10 + DSymbol::kImageWidth;

    explicit CPanel(CSettings& settings, QWidget* parent = nullptr);

    // Shown by the user's choice; true also while the window itself is not on screen.
    bool IsShown() const { return !isHidden(); }
    void ShowPanel() { show(); }
    void HidePanel() { hide(); }

    DSymbol& Symbol() { return m_dlgSymbol; }

private:
    DSymbol m_dlgSymbol;
};
