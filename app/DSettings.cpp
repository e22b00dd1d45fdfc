#include "DSettings.h"

#include "LtMessageBox.h"
#include "Settings.h"
#include "SpellingChoice.h"

#include "CProfile.h"
#include "CResourceModule.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>
#include <initializer_list>

namespace {

constexpr int kLarge = 1023;
constexpr int kVertical = 1024;
constexpr int kCtrlShift = 1031;
constexpr int kTabStops = 1033;
constexpr int kBlueRus = 1047;
constexpr int kBlueOrig = 1048;
constexpr int kBeep = 1056;
constexpr int kKeepEightBit = 1057;
// Ticking "Beep" selects this sound; a stored value such as the default 2 is replaced by it.
constexpr int kBeepOn = 15;

void Exchange(QCheckBox* box, int& value, bool save) {
    if (save)
        value = box->isChecked() ? 1 : 0;
    else
        box->setChecked(value != 0);
}

} // namespace

int LeadingNumber(const QString& text) {
    long long number = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            break;
        number = std::min<long long>(number * 10 + (c.unicode() - u'0'), INT_MAX);
    }
    return static_cast<int>(number);
}

DSettings::DSettings(CSettings& settings, QWidget* parent) : QDialog(parent), m_settings(settings) {
    const SDialogTexts texts = CurrentResources().Dialog(kDlgSettings);
    setWindowTitle(texts.title);
    UseDialogFrame(this);

    const auto check = [this, &texts](int id) {
        auto* box = new QCheckBox(texts.Control(id), this);
        box->setObjectName(QString::number(id));
        return box;
    };
    m_checkLarge = check(kLarge);
    m_checkVertical = check(kVertical);
    m_checkCtrlShift = check(kCtrlShift);
    m_checkBlueRus = check(kBlueRus);
    m_checkBlueOrig = check(kBlueOrig);
    m_checkBeep = check(kBeep);
    m_checkKeepEightBit = check(kKeepEightBit);
    m_editTabStops = new QLineEdit(this);
    m_editTabStops->setObjectName(QString::number(kTabStops));
    m_editTabStops->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_editTabStops));
    m_editTabStops->setMaximumWidth(fontMetrics().averageCharWidth() * 12);
    auto* ok = new QPushButton(texts.Control(1), this);
    ok->setDefault(true);
    ok->setAutoDefault(true);
    connect(ok, &QPushButton::clicked, this, &DSettings::accept);

    // Groups at the left and the right, the Latin spelling on a line of its own under both; a
    // longer translation widens its group and the dialog with it.
    const auto group = [this](const QString& title, std::initializer_list<QWidget*> items) {
        auto* box = new QGroupBox(title, this);
        auto* column = new QVBoxLayout(box);
        for (QWidget* item : items)
            column->addWidget(item);
        column->addStretch(1);
        return box;
    };
    auto* grid = new QGridLayout(this);
    grid->addWidget(group(texts.Control(kCtlToolbarGroup), {m_checkLarge, m_checkVertical}), 0, 0);
    grid->addWidget(group(texts.Control(kCtlTabStopsGroup), {m_editTabStops}), 1, 0);
    grid->addWidget(ok, 2, 0, Qt::AlignLeft | Qt::AlignBottom);
    grid->addWidget(group(texts.Control(kCtlOtherGroup), {m_checkCtrlShift, m_checkBlueRus, m_checkBlueOrig,
                                                          m_checkBeep, m_checkKeepEightBit}),
                    0, 1, 3, 1);
    m_comboSpelling = MakeSpellingCombo(this, 0);
    auto* spelling = new QHBoxLayout;
    spelling->addWidget(MakeSpellingLabel(this, m_comboSpelling));
    spelling->addWidget(m_comboSpelling);
    spelling->addStretch(1);
    grid->addLayout(spelling, 3, 0, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    grid->activate();

    // Tab order as the user reads the dialog.
    setTabOrder(m_checkLarge, m_checkVertical);
    setTabOrder(m_checkVertical, m_editTabStops);
    setTabOrder(m_editTabStops, ok);
    setTabOrder(ok, m_checkCtrlShift);
    setTabOrder(m_checkCtrlShift, m_checkBlueRus);
    setTabOrder(m_checkBlueRus, m_checkBlueOrig);
    setTabOrder(m_checkBlueOrig, m_checkBeep);
    setTabOrder(m_checkBeep, m_checkKeepEightBit);
    setTabOrder(m_checkKeepEightBit, m_comboSpelling);
    ok->setFocus();

    OnInitDialog();
}

QCheckBox* DSettings::CheckBox(int id) const {
    switch (id) {
    case kLarge:
        return m_checkLarge;
    case kVertical:
        return m_checkVertical;
    case kCtrlShift:
        return m_checkCtrlShift;
    case kBeep:
        return m_checkBeep;
    case kBlueRus:
        return m_checkBlueRus;
    case kBlueOrig:
        return m_checkBlueOrig;
    case kKeepEightBit:
        return m_checkKeepEightBit;
    default:
        return nullptr;
    }
}

void DSettings::DoDataExchange(bool saveAndValidate) {
    Exchange(m_checkLarge, m_bToolbarLarge, saveAndValidate);
    Exchange(m_checkVertical, m_bToolbarVertical, saveAndValidate);
    Exchange(m_checkCtrlShift, m_bCtrlShift, saveAndValidate);
    Exchange(m_checkBeep, m_bBeep, saveAndValidate);
    if (saveAndValidate)
        m_strTabStops = m_editTabStops->text();
    else
        m_editTabStops->setText(m_strTabStops);
    Exchange(m_checkBlueRus, m_bBlueRus, saveAndValidate);
    Exchange(m_checkBlueOrig, m_bBlueOrig, saveAndValidate);
    Exchange(m_checkKeepEightBit, m_bKeepEightBit, saveAndValidate);
    if (saveAndValidate)
        m_nLatinSpelling = m_comboSpelling->currentIndex();
    else
        m_comboSpelling->setCurrentIndex(m_nLatinSpelling);
}

void DSettings::OnInitDialog() {
    m_bToolbarLarge = m_settings.toolbarLarge.Value();
    m_bToolbarVertical = m_settings.toolbarVertical.Value();
    m_bCtrlShift = m_settings.keysCtrlShift.Value();
    m_bBlueRus = m_settings.blueRus.Value();
    m_bBlueOrig = m_settings.blueOrig.Value();
    m_bBeep = m_settings.beep.Value() != 0 ? 1 : 0;
    m_bKeepEightBit = m_settings.keepEightBit.Value();
    m_strTabStops = QString::number(m_settings.tabStops.Value());
    m_nLatinSpelling = m_settings.latinSpelling.Value();
    DoDataExchange(false);
}

void DSettings::accept() {
    DoDataExchange(true);
    // The editor reads these four on every keystroke, repaint or save, so they are stored at
    // once; the others reach the store when the frame closes.
    const QString section = QString::fromLatin1(kSettingsSection);
    WriteProfileInt(section, QString::fromLatin1(m_settings.keysCtrlShift.Name()), m_bCtrlShift);
    WriteProfileInt(section, QString::fromLatin1(m_settings.blueRus.Name()), m_bBlueRus);
    WriteProfileInt(section, QString::fromLatin1(m_settings.blueOrig.Name()), m_bBlueOrig);
    WriteProfileInt(section, QString::fromLatin1(m_settings.keepEightBit.Name()), m_bKeepEightBit);

    m_settings.toolbarLarge.Set(m_bToolbarLarge);
    m_settings.toolbarVertical.Set(m_bToolbarVertical);
    m_settings.keysCtrlShift.Set(m_bCtrlShift);
    m_settings.blueRus.Set(m_bBlueRus);
    m_settings.blueOrig.Set(m_bBlueOrig);
    m_settings.keepEightBit.Set(m_bKeepEightBit);
    m_settings.beep.Set(m_bBeep != 0 ? kBeepOn : 0);
    m_settings.tabStops.Set(LeadingNumber(m_strTabStops));
    StoreSpelling(m_settings.latinSpelling,
                  m_nLatinSpelling); // Convert reads it each time, like the three above
    QDialog::accept();
}
