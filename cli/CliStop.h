// Ctrl-C and SIGTERM during a batch run: while a CStopOnSignal lives, the first of them only asks
// the run to stop, which it does after the file in hand (so every file is done and journalled or
// untouched); a second one ends the program at once, as without it.
#pragma once

class CStopOnSignal {
public:
    CStopOnSignal();
    ~CStopOnSignal();
    CStopOnSignal(const CStopOnSignal&) = delete;
    CStopOnSignal& operator=(const CStopOnSignal&) = delete;

    // The signal that asked to stop, 0 while none did.
    static int Requested();
    // The exit status of a run stopped by the signal: 128 + its number.
    static int ExitStatus() { return 128 + Requested(); }
};
