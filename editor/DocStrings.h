// Fields of the document type strings (string 128 of the current resource module).
#pragma once

#include <QString>

// The field, or the empty text when the module lacks it.
QString DocString(int field);
// The filter of the open and save dialogs: the document's text files, then all files.
QString DocFileFilter();
