// The text of one control of a dialog template in the current language; empty when the template
// has none for it.
#pragma once

#include "CResourceModule.h"

inline QString DialogControlText(const SDialogTexts& texts, int id) {
    const auto it = texts.controls.find(id);
    return it == texts.controls.end() ? QString() : it->second;
}
