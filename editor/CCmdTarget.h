// Command routing: the frame offers every command first to itself, then to the view, the
// document and the application; the first target that knows the command runs it. Before a
// menu shows, and on idle for the toolbar, the same targets are asked for the command's state.
// A command no target knows is disabled.
#pragma once

#include <QString>

// What an update handler says about one command.
struct SCmdUI {
    explicit SCmdUI(int command) : id(command) {}

    int id;
    bool enabled = true; // a target that knows the command leaves it on unless it says otherwise
    int checked = -1;    // -1: no check mark; 0 or 1 otherwise
    bool visible = true; // false takes the item out of its menu
    QString text;        // a menu text in place of the resource's; empty keeps the resource's

    void Enable(bool on = true) { enabled = on; }
    void SetCheck(int check) { checked = check; }
    void SetText(const QString& menuText) { text = menuText; }
};

class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;
    // True when this target handles the command; it has run it then.
    virtual bool OnCmdMsg(int id) = 0;
    // True when this target handles the command; cmdUI holds its state then.
    virtual bool OnUpdateCmdUI(SCmdUI& cmdUI) = 0;
};
