#include "DSettings.h"

#include "DialogUnits.h"
#include "LtMessageBox.h"
#include "Settings.h"
#include "SpellingChoice.h"

#include "CProfile.h"
#include "CResourceModule.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include <algorithm>
#include <climits>

namespace {

constexpr int kLarge = 1023;
constexpr int kVertical = 1024;
constexpr int kCtrlShift = 1031;
constexpr int kTabStops = 1033;
constexpr int kBlueRus = 1047;
constexpr int kBlueOrig = 1048;
constexpr int kBeep = 1056;
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

DSettings::DSettings(QWidget* parent) : QDialog(parent) {
    const SDialogTexts texts = CurrentResources().Dialog(kDlgSettings);
    setWindowTitle(texts.title);
    UseDialogFrame(this);
    const CDialogUnits du(fontMetrics());

    // The group boxes come first so that the controls they frame lie above them.
    auto* groupToolbar = new QGroupBox(texts.Control(kCtlToolbarGroup), this);
    auto* groupOther = new QGroupBox(texts.Control(kCtlOtherGroup), this);
    auto* groupTabs = new QGroupBox(texts.Control(kCtlTabStopsGroup), this);
    const auto check = [this, &texts, &du](int id, int x, int y) {
        auto* box = new QCheckBox(texts.Control(id), this);
        box->setObjectName(QString::number(id));
        box->setGeometry(du.X(x), du.Y(y), box->sizeHint().width(), du.Y(10));
        return box;
    };
    m_checkLarge = check(kLarge, 14, 23);
    m_checkVertical = check(kVertical, 14, 35);
    m_checkCtrlShift = check(kCtrlShift, 87, 23);
    m_checkBlueRus = check(kBlueRus, 87, 34);
    m_checkBlueOrig = check(kBlueOrig, 87, 46);
    m_checkBeep = check(kBeep, 87, 58);
    m_editTabStops = new QLineEdit(this);
    m_editTabStops->setObjectName(QString::number(kTabStops));
    m_editTabStops->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_editTabStops));
    m_editTabStops->setGeometry(du.Rect(15, 68, 48, 12));
    auto* ok = new QPushButton(texts.Control(1), this);
    ok->setDefault(true);
    ok->setAutoDefault(true);
    ok->setGeometry(du.Rect(18, 94, 42, 14));
    connect(ok, &QPushButton::clicked, this, &DSettings::accept);

    // Longer translations widen the groups rather than run past their frames.
    const int margin = du.X(7);
    // A group is never narrower than its own title.
    const int leftRight = std::max(
        {du.X(72), m_checkLarge->geometry().right() + margin, m_checkVertical->geometry().right() + margin,
         du.X(7) + groupToolbar->minimumSizeHint().width(), du.X(7) + groupTabs->minimumSizeHint().width()});
    const int shift = leftRight - du.X(72);
    groupToolbar->setGeometry(du.X(7), du.Y(7), leftRight - du.X(7), du.Y(45));
    groupTabs->setGeometry(du.X(7), du.Y(56), std::max(du.X(64), groupTabs->minimumSizeHint().width()),
                           du.Y(32));
    int otherRight = std::max(du.X(179), du.X(79) + groupOther->minimumSizeHint().width()) + shift;
    for (QCheckBox* box : {m_checkCtrlShift, m_checkBlueRus, m_checkBlueOrig, m_checkBeep}) {
        box->move(box->x() + shift, box->y());
        otherRight = std::max(otherRight, box->geometry().right() + margin);
    }
    groupOther->setGeometry(du.X(79) + shift, du.Y(7), otherRight - du.X(79) - shift, du.Y(101));

    // The Latin spelling on a line of its own under both groups.
    m_comboSpelling = MakeSpellingCombo(this, 0);
    auto* label = MakeSpellingLabel(this, m_comboSpelling);
    label->setGeometry(du.X(7), du.Y(117), label->sizeHint().width(), du.Y(10));
    m_comboSpelling->setGeometry(label->geometry().right() + du.X(4), du.Y(115),
                                 m_comboSpelling->sizeHint().width(), du.Y(14));
    const int right = std::max(otherRight, m_comboSpelling->geometry().right() + margin);
    setFixedSize(right + du.X(7), du.Y(136));

    // Tab order as the user reads the dialog.
    setTabOrder(m_checkLarge, m_checkVertical);
    setTabOrder(m_checkVertical, m_editTabStops);
    setTabOrder(m_editTabStops, ok);
    setTabOrder(ok, m_checkCtrlShift);
    setTabOrder(m_checkCtrlShift, m_checkBlueRus);
    setTabOrder(m_checkBlueRus, m_checkBlueOrig);
    setTabOrder(m_checkBlueOrig, m_checkBeep);
    setTabOrder(m_checkBeep, m_comboSpelling);
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
    if (saveAndValidate)
        m_nLatinSpelling = m_comboSpelling->currentIndex();
    else
        m_comboSpelling->setCurrentIndex(m_nLatinSpelling);
}

void DSettings::OnInitDialog() {
    m_bToolbarLarge = AppSettings().toolbarLarge.Value();
    m_bToolbarVertical = AppSettings().toolbarVertical.Value();
    m_bCtrlShift = AppSettings().keysCtrlShift.Value();
    m_bBlueRus = AppSettings().blueRus.Value();
    m_bBlueOrig = AppSettings().blueOrig.Value();
    m_bBeep = AppSettings().beep.Value() != 0 ? 1 : 0;
    m_strTabStops = QString::number(AppSettings().tabStops.Value());
    m_nLatinSpelling = AppSettings().latinSpelling.Value();
    DoDataExchange(false);
}

void DSettings::accept() {
    DoDataExchange(true);
    // The editor reads these three on every keystroke and repaint, so they are stored at once;
    // the others reach the store when the frame closes.
    const QString section = QString::fromLatin1(kSettingsSection);
    WriteProfileInt(section, QString::fromLatin1(AppSettings().keysCtrlShift.Name()), m_bCtrlShift);
    WriteProfileInt(section, QString::fromLatin1(AppSettings().blueRus.Name()), m_bBlueRus);
    WriteProfileInt(section, QString::fromLatin1(AppSettings().blueOrig.Name()), m_bBlueOrig);

    AppSettings().toolbarLarge.Set(m_bToolbarLarge);
    AppSettings().toolbarVertical.Set(m_bToolbarVertical);
    AppSettings().keysCtrlShift.Set(m_bCtrlShift);
    AppSettings().blueRus.Set(m_bBlueRus);
    AppSettings().blueOrig.Set(m_bBlueOrig);
    AppSettings().beep.Set(m_bBeep != 0 ? kBeepOn : 0);
    AppSettings().tabStops.Set(LeadingNumber(m_strTabStops));
    StoreSpelling(AppSettings().latinSpelling,
                  m_nLatinSpelling); // Convert reads it each time, like the three above
    QDialog::accept();
}
