// The "Latin spelling" choice as the settings dialog and the batch dialogs show it: a label and a
// combo box listing the user's keys and the four standard spellings, in ELatinScheme order.
#pragma once

class CIntSetting;
class CSettings;
class QBoxLayout;
class QComboBox;
class QLabel;
class QWidget;

QComboBox* MakeSpellingCombo(QWidget* parent, int scheme);
// "Latin spelling:" with the combo as its buddy.
QLabel* MakeSpellingLabel(QWidget* parent, QComboBox* buddy);
// A batch dialog's choice, appended to `row`: it starts with the dialog's remembered choice (else
// the Latin spelling) and stores every change at once.
QComboBox* AddBatchSpellingChoice(QWidget* parent, QBoxLayout& row, const CSettings& settings,
                                  CIntSetting& remembered);
