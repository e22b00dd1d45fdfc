// The keyboard's lock keys, for the status bar's CAP, NUM and SCRL indicators. All off where
// the window system cannot tell (the headless platform, Wayland).
#pragma once

struct SKeyLocks {
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

SKeyLocks KeyLockState();
