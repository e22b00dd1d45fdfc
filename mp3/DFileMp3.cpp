#include "DFileMp3.h"

#include "CCharTable.h"
#include "CColorListCtrl.h"
#include "CProfile.h"
#include "CProgressWnd.h"
#include "CResourceModule.h"
#include "DGetPath.h"
#include "DTags.h"
#include "ImageStrip.h"
#include "Mp3Tags.h"
#include "RawNames.h"
#include "Settings.h"
#include "SpellingChoice.h"

#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>

namespace {

constexpr int kDialogId = 7177;
constexpr int kStrNotWritten = 165; // "The tags of these files could not be written:"

QString Text(const SDialogTexts& texts, int id) {
    const auto it = texts.controls.find(id);
    return it == texts.controls.end() ? QString() : it->second;
}

QByteArray WithSlash(QByteArray path) {
    if (!path.endsWith('/'))
        path += '/';
    return path;
}

bool IsMp3Name(const QByteArray& name) {
    return name.size() > 4 && name.right(4).toLower() == ".mp3";
}

} // namespace

DFileMp3::DFileMp3(QWidget* parent) : QDialog(parent) {
    const CResourceModule& resources = CurrentResources();
    const SDialogTexts texts = resources.Dialog(kDialogId);
    setWindowTitle(texts.title);
    setWindowIcon(QIcon(QPixmap::fromImage(resources.Icon(128))));

    QFont bold(QStringLiteral("Arial"));
    bold.setPixelSize(12);
    bold.setBold(true);

    auto* setPath = new QPushButton(Text(texts, kIdSetPath), this);
    m_pathEdit = new QLineEdit(this);
    m_pathEdit->setReadOnly(true);
    m_pathEdit->setFont(bold);
    auto* label = new QLabel(Text(texts, kIdLabel), this);
    label->setFont(bold);
    m_list = new CColorListCtrl(this);
    m_list->setFont(bold);
    m_list->SetImageList(FolderImageIcons());
    auto* rename = new QPushButton(Text(texts, kIdRename), this);
    auto* renameAll = new QPushButton(Text(texts, kIdRenameAll), this);
    auto* edit = new QPushButton(Text(texts, kIdEdit), this);
    auto* close = new QPushButton(Text(texts, 2), this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_pathEdit, 0, 0);
    grid->addWidget(setPath, 0, 1);
    auto* above = new QHBoxLayout;
    above->addWidget(label, 1);
    m_comboSpelling = AddBatchSpellingChoice(this, *above, g_mp3Spelling);
    grid->addLayout(above, 1, 0, 1, 2);
    grid->addWidget(m_list, 2, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(rename);
    buttons->addStretch(1);
    buttons->addWidget(renameAll);
    buttons->addStretch(1);
    buttons->addWidget(edit);
    buttons->addStretch(1);
    buttons->addWidget(close);
    grid->addLayout(buttons, 3, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    resize(760, 460);

    connect(setPath, &QPushButton::clicked, this, &DFileMp3::ChooseFolder);
    connect(rename, &QPushButton::clicked, this, &DFileMp3::RenameSelected);
    connect(renameAll, &QPushButton::clicked, this, &DFileMp3::RenameAll);
    connect(edit, &QPushButton::clicked, this, &DFileMp3::EditSelected);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list, &QTableWidget::cellDoubleClicked, this, [this](int, int) { EditSelected(); });

    m_list->InsertColumn(kColName, resources.String(132), 150);
    for (int i = 0; i < kTagColumnCount; ++i)
        m_list->InsertColumn(i + 1, resources.String(kTagColumns[i].headerId), kTagColumns[i].width);
    m_list->SetAlternateRows(true);

    QByteArray last = GetProfileString(QStringLiteral("Settings"), QStringLiteral("LastDir")).toUtf8();
    if (last.isEmpty() || !QFileInfo::exists(QString::fromUtf8(last)))
        last = QDir::currentPath().toUtf8();
    SetPath(last);
}

DFileMp3::~DFileMp3() = default;

const ILatinSpelling& DFileMp3::Spelling() const {
    return LatinSpelling(g_charTable, LatinSchemeFromNumber(m_comboSpelling->currentIndex()));
}

void DFileMp3::SetPath(const QByteArray& path) {
    m_strPath = WithSlash(path);
    m_pathEdit->setText(DecodeRawName(m_strPath));
    FillList();
}

QByteArray DFileMp3::RowName(int row) const {
    return row >= 0 && row < int(m_names.size()) ? m_names[std::size_t(row)] : QByteArray();
}

void DFileMp3::done(int result) {
    WriteProfileString(QStringLiteral("Settings"), QStringLiteral("LastDir"), QString::fromUtf8(m_strPath));
    QDialog::done(result);
}

void DFileMp3::FillList() {
    std::vector<SRawEntry> entries;
    ReadFolderRaw(m_strPath, entries);
    std::vector<QByteArray> names;
    for (const SRawEntry& entry : entries) {
        if (IsMp3Name(entry.name) && names.size() < std::size_t(kMaxColorRows))
            names.push_back(entry.name);
    }
    m_list->DeleteAllItems();
    m_list->InitCellColors(kColumnCount);
    m_names.clear();
    if (names.empty())
        return;

    CProgressWnd progress(this);
    progress.LayoutForLines(1, 300);
    progress.SetProgressRange(0, int(names.size()), 1);
    for (int row = 0; row < int(names.size()); ++row) {
        progress.StepProgress();
        progress.PumpMessages(true);
        const QByteArray& name = names[std::size_t(row)];
        m_list->InsertItem(row, DecodeRawName(name), kImgFile);
        m_names.push_back(name);
        ReadRow(m_strPath, name, *m_list, row);
        if (m_fillStepHook)
            m_fillStepHook(row, progress);
        if (progress.IsCancelled())
            break;
    }
}

void DFileMp3::RenameSelected() {
    const int row = m_list->GetSelectedRow();
    const QByteArray name = RowName(row);
    if (name.isEmpty())
        return;
    if (TransliterateRow(m_strPath, name, *m_list, row, Spelling()) == ERowResult::kFailed)
        ReportFailures({m_list->GetItemText(row, kColName)});
}

void DFileMp3::RenameAll() {
    const int count = m_list->GetItemCount();
    CProgressWnd progress(this);
    progress.LayoutForLines(1, 300);
    progress.SetProgressRange(0, count, 1);
    QStringList failed;
    // Runs to the last file: a half-done rewrite helps nobody.
    for (int row = 0; row < count; ++row) {
        progress.StepProgress();
        progress.PumpMessages(true);
        const QByteArray name = RowName(row);
        if (!name.isEmpty() && m_list->GetCellColor(row, kColName) != kCodeRussian &&
            TransliterateRow(m_strPath, name, *m_list, row, Spelling()) == ERowResult::kFailed)
            failed << m_list->GetItemText(row, kColName);
    }
    progress.HideProgress();
    ReportFailures(failed);
}

void DFileMp3::EditSelected() {
    const int row = m_list->GetSelectedRow();
    const QByteArray name = RowName(row);
    if (name.isEmpty() || m_list->GetCellColor(row, kColName) == kCodeRussian)
        return;
    DTags dialog;
    dialog.SetList(m_list);
    dialog.SetRow(row);
    const int result = m_tagsHook ? (dialog.InitDialog(), m_tagsHook(dialog)) : dialog.exec();
    if (result != QDialog::Accepted)
        return;
    if (WriteRow(m_strPath, name, *m_list, row) == ERowResult::kFailed)
        ReportFailures({m_list->GetItemText(row, kColName)});
}

void DFileMp3::ChooseFolder() {
    QByteArray path = m_strPath;
    bool chosen = false;
    if (m_pickerHook) {
        chosen = m_pickerHook(path);
    } else {
        DGetPath picker(this);
        picker.SetPath(m_strPath);
        chosen = picker.exec() == QDialog::Accepted && !picker.GetPath().isEmpty();
        path = picker.GetPath();
    }
    if (chosen)
        SetPath(path);
}

void DFileMp3::ReportFailures(const QStringList& names) {
    if (names.isEmpty())
        return;
    const QString text =
        CurrentResources().String(kStrNotWritten) + QStringLiteral("\n\n") + names.join(QLatin1Char('\n'));
    if (m_messageHook) {
        m_messageHook(text);
        return;
    }
    QMessageBox box(QMessageBox::Warning, windowTitle(), text, QMessageBox::Ok, this);
    box.exec();
}
