// The keys the editor stored, so the command line and the editor always convert alike.
#pragma once

#include <string>

// The stored text form of the keys (value "Chars" of section "Settings" in the settings store);
// empty when nothing is stored.
std::u16string StoredKeysText();
