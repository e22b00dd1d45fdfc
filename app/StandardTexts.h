// The toolkit's own words (the buttons of message boxes, the file dialogs) in the interface
// language, as the system gave them on Windows. Where the translations are not installed they
// stay English.
#pragma once

#include "CResourceModule.h"

void SetStandardTextsLanguage(ELanguage language);
