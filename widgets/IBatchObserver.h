// What a batch dialog's long work tells whoever watches it, entry by entry: the filling of the
// list and the runs. The dialogs work without one; tests hand in their own to cancel at a chosen
// moment or to slow a run down, so that no hook of theirs lives in the dialogs themselves.
#pragma once

class CProgressWnd;

class IBatchObserver {
public:
    virtual ~IBatchObserver() = default;
    // On the dialog's thread, once row `row` of the list is filled in.
    virtual void RowFilled(int /*row*/, CProgressWnd& /*progress*/) {}
    // On the dialog's thread, as a run has `done` entries done.
    virtual void RunStep(int /*done*/, CProgressWnd& /*progress*/) {}
    // On the worker, before entry `index` of a run.
    virtual void BeforeRunEntry(int /*index*/) {}
};
