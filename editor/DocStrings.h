// Fields of the document type strings (string 128 of the current resource module).
#pragma once

#include <QString>

// The field, or the empty text when the module lacks it. The window title carries the program's
// version in place of the one the module names.
QString DocString(int field);
// The text with its first version number ("2.7", "1.0.3") replaced by version; unchanged
// when it names none.
QString WithVersion(QString text, const QString& version);
// The filter of the open and save dialogs: the document's text files, then all files.
QString DocFileFilter();
