// The parts of a resource module that are Qt GUI types: the accelerators with their keys and the
// pictures. The module itself (CResourceModule.h) holds texts and bytes only.
#pragma once

#include "CResourceModule.h"

#include <QImage>
#include <QKeySequence>

// One entry of an accelerator table.
struct SAccelerator {
    int id = 0;
    QKeySequence key;
};
