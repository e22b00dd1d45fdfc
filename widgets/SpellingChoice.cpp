#include "SpellingChoice.h"

#include "CResourceModule.h"
#include "LatinSpelling.h"
#include "Settings.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QLabel>

// The spellings' ids must stay inside the ranges reserved for them, clear of their neighbours.
static_assert([] {
    for (const SLatinSchemeInfo& info : kLatinSchemes) {
        if (info.nameString < kStrSpellingNameFirst || info.nameString > kStrSpellingNameLast ||
            info.menuCommand < kCmdSpellingFirst || info.menuCommand > kCmdSpellingLast)
            return false;
    }
    return true;
}());

QComboBox* MakeSpellingCombo(QWidget* parent, int scheme) {
    auto* combo = new QComboBox(parent);
    for (const SLatinSchemeInfo& info : kLatinSchemes)
        combo->addItem(CurrentResources().String(info.nameString));
    combo->setCurrentIndex(int(LatinSchemeFromNumber(scheme)));
    return combo;
}

QLabel* MakeSpellingLabel(QWidget* parent, QComboBox* buddy) {
    auto* label = new QLabel(CurrentResources().String(kStrSpellingLabel) + u':', parent);
    label->setBuddy(buddy);
    return label;
}

QComboBox* AddBatchSpellingChoice(QWidget* parent, QBoxLayout& row, const CSettings& settings,
                                  CIntSetting& remembered) {
    QComboBox* combo = MakeSpellingCombo(parent, BatchSpelling(settings, remembered));
    row.addWidget(MakeSpellingLabel(parent, combo));
    row.addWidget(combo);
    QObject::connect(combo, &QComboBox::currentIndexChanged, parent,
                     [&remembered](int index) { StoreSpelling(remembered, index); });
    return combo;
}
