#include "DTags.h"

#include "CCharTable.h"
#include "CResourceModule.h"
#include "Settings.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int kDialogId = kDlgTags;

} // namespace

DTags::DTags(const CSettings& settings, QWidget* parent) : QDialog(parent), m_settings(settings) {
    const CResourceModule& resources = CurrentResources();
    const SDialogTexts texts = resources.Dialog(kDialogId);
    setWindowTitle(texts.title);

    auto* grid = new QGridLayout(this);
    for (int i = 0; i < kTagColumnCount; ++i) {
        // The labels follow the interface language through the string table.
        auto* label = new QLabel(resources.String(kTagColumns[i].headerId), this);
        m_edits[std::size_t(i)] = new QLineEdit(this);
        m_edits[std::size_t(i)]->setObjectName(QString::number(kEditIds[std::size_t(i)]));
        label->setBuddy(m_edits[std::size_t(i)]);
        grid->addWidget(label, i, 0);
        grid->addWidget(m_edits[std::size_t(i)], i, 1);
    }
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(texts.Control(1), QDialogButtonBox::AcceptRole);
    buttons->addButton(texts.Control(2), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    grid->addWidget(buttons, kTagColumnCount, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    connect(buttons, &QDialogButtonBox::accepted, this, &DTags::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(420, sizeHint().height());
}

void DTags::InitDialog() {
    m_initialised = true;
    if (m_pList == nullptr)
        return;
    for (int column = 1; column <= kTagColumnCount; ++column)
        Field(column)->setText(m_pList->CellText(m_nRow, column));
}

void DTags::showEvent(QShowEvent* event) {
    if (!m_initialised)
        InitDialog();
    QDialog::showEvent(event);
}

void DTags::accept() {
    if (m_pList != nullptr) {
        const ILatinSpelling& spelling = LatinSpelling(
            g_charTable, LatinSchemeFromNumber(BatchSpelling(m_settings, m_settings.mp3Spelling)));
        for (int column = 1; column <= kTagColumnCount; ++column) {
            std::u16string text = Field(column)->text().toStdU16String();
            // A letter without a key would be dropped: such a text is kept as typed, not shortened.
            if (spelling.LetterWithoutKey(text) == 0)
                spelling.ToLatin(text);
            m_pList->SetCellText(m_nRow, column, QString::fromStdU16String(text));
        }
    }
    QDialog::accept();
}
