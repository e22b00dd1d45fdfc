#include "DFileRenamer.h"

#include "CCharTable.h"
#include "CColorListCtrl.h"
#include "CProfile.h"
#include "CResourceModuleGui.h"
#include "DGetPath.h"
#include "ImageStrip.h"
#include "Journal.h"
#include "RawNames.h"
#include "RawPath.h"
#include "ResourceIds.h"
#include "Settings.h"
#include "SpellingChoice.h"

#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace {

constexpr int kDialogId = kDlgRenamer;
// Strings of the renamer's reports.

QByteArray WithSlash(QByteArray path) {
    if (!path.endsWith('/'))
        path += '/';
    return path;
}

} // namespace

DFileRenamer::DFileRenamer(QWidget* parent) : QDialog(parent) {
    const CResourceModule& resources = CurrentResources();
    const SDialogTexts texts = resources.Dialog(kDialogId);
    setWindowTitle(texts.title);
    setWindowIcon(QIcon(QPixmap::fromImage(resources.Icon(kIconMain))));

    QFont bold(QStringLiteral("Arial"));
    bold.setPixelSize(12);
    bold.setBold(true);

    auto* setPath = new QPushButton(texts.Control(kIdSetPath), this);
    m_pathEdit = new QLineEdit(this);
    m_pathEdit->setReadOnly(true);
    m_pathEdit->setFont(bold);
    auto* label = new QLabel(texts.Control(kIdLabel), this);
    label->setFont(bold);
    m_list = new CColorListCtrl(this);
    m_list->setFont(bold);
    m_list->SetImageList(FolderImageIcons());
    auto* rename = new QPushButton(texts.Control(kIdRename), this);
    auto* renameAll = new QPushButton(texts.Control(kIdRenameAll), this);
    auto* undo = new QPushButton(resources.String(kStrUndoLastRun), this);
    m_summary = new QLabel(this);
    auto* close = new QPushButton(texts.Control(2), this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_pathEdit, 0, 0);
    grid->addWidget(setPath, 0, 1);
    auto* above = new QHBoxLayout;
    above->addWidget(label, 1);
    m_comboSpelling = AddBatchSpellingChoice(this, *above, AppSettings().renamerSpelling);
    grid->addLayout(above, 1, 0);
    connect(m_comboSpelling, &QComboBox::currentIndexChanged, this, &DFileRenamer::FillList);
    grid->addWidget(m_list, 2, 0, 5, 1);
    grid->addWidget(rename, 2, 1);
    grid->addWidget(renameAll, 3, 1);
    grid->addWidget(undo, 4, 1);
    grid->setRowStretch(5, 1);
    grid->addWidget(close, 6, 1, Qt::AlignBottom);
    grid->addWidget(m_summary, 7, 0, 1, 2);
    resize(600, 440);

    connect(setPath, &QPushButton::clicked, this, &DFileRenamer::ChooseFolder);
    connect(rename, &QPushButton::clicked, this, &DFileRenamer::RenameSelected);
    connect(renameAll, &QPushButton::clicked, this, &DFileRenamer::RenameAll);
    connect(undo, &QPushButton::clicked, this, &DFileRenamer::UndoLastRun);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { OpenRow(row); });

    const int half = m_list->viewport()->width() / 2;
    m_list->InsertColumn(kColName, resources.String(kStrColFileName), half);
    m_list->InsertColumn(kColTranslit, resources.String(kStrColTranslit), half);
    m_list->InsertColumn(kColOrigName, QStringLiteral("Orig.Name"), 0);
    m_list->InsertColumn(kColKind, QStringLiteral("Dir/File"), 0);
    m_list->setColumnHidden(kColOrigName, true);
    m_list->setColumnHidden(kColKind, true);
    m_list->horizontalHeader()->setSectionResizeMode(kColName, QHeaderView::Stretch);
    m_list->horizontalHeader()->setSectionResizeMode(kColTranslit, QHeaderView::Stretch);
    m_list->SetAlternateRows(false);

    SetPath(LastFolder());
}

DFileRenamer::~DFileRenamer() = default;

const ILatinSpelling& DFileRenamer::Spelling() const {
    return LatinSpelling(g_charTable, LatinSchemeFromNumber(m_comboSpelling->currentIndex()));
}

void DFileRenamer::SetPath(const QByteArray& path) {
    m_strPath = WithSlash(path);
    FillList();
}

void DFileRenamer::done(int result) {
    RememberFolder(m_strPath);
    QDialog::done(result);
}

void DFileRenamer::AddRow(const SRenameEntry& entry) {
    const int row = m_list->InsertItem(
        m_list->GetItemCount(), entry.shown,
        entry.isFolder ? (entry.onDisk == ".." ? kImgOpenFolder : kImgClosedFolder) : kImgFile);
    m_list->SetItemText(row, kColKind, entry.isFolder ? QStringLiteral("Dir") : QStringLiteral("File"));
    m_list->SetCellColor(row, kColName, entry.code);
    if (entry.codePage != 0)
        m_list->SetItemText(row, kColOrigName,
                            QString::fromLatin1(entry.onDisk)); // as a system without Cyrillic shows it
    if (entry.refusal != ERefusal::kNone) {
        // What the run would refuse shows in red, with the reason.
        const QString reason = QStringLiteral("[%1]").arg(RefusalText(entry));
        m_list->SetItemText(row, kColTranslit,
                            entry.proposal.isEmpty() ? reason
                                                     : entry.proposal + QStringLiteral("  ") + reason);
        m_list->SetCellColor(row, kColTranslit, kCodeRussian);
    } else if (!entry.proposal.isEmpty()) {
        m_list->SetItemText(row, kColTranslit, entry.proposal);
        m_list->SetCellColor(row, kColTranslit, kCodeProposal);
    }
    m_entries.push_back(entry);
}

void DFileRenamer::FillList() {
    m_list->DeleteAllItems();
    m_list->InitCellColors(3);
    m_entries.clear();
    m_pathEdit->setText(DecodeRawName(m_strPath));
    std::vector<SRenameEntry> entries;
    m_folder = OpenFolderPath(m_strPath);
    if (m_folder.IsOpen())
        ListForRenaming(Spelling(), m_folder.Fd(), entries);
    int toRename = 0;
    int refused = 0;
    for (const SRenameEntry& entry : entries) {
        toRename += entry.refusal == ERefusal::kNone && !entry.proposal.isEmpty();
        refused += entry.refusal != ERefusal::kNone;
    }
    m_summary->setText(CurrentResources().String(kStrWouldRefuse).arg(toRename).arg(refused));
    // The root has nowhere to go up to.
    if (m_strPath != "/") {
        SRenameEntry up;
        up.onDisk = "..";
        up.shown = QStringLiteral("..");
        up.isFolder = true;
        AddRow(up);
    }
    for (const SRenameEntry& entry : entries)
        AddRow(entry);
}

void DFileRenamer::OpenRow(int row) {
    if (row < 0 || row >= int(m_entries.size()) || !m_entries[std::size_t(row)].isFolder)
        return;
    const QByteArray name = m_entries[std::size_t(row)].onDisk;
    if (name == "..") {
        const QByteArray trimmed = m_strPath.left(m_strPath.size() - 1);
        const qsizetype slash = trimmed.lastIndexOf('/');
        if (slash >= 0)
            m_strPath = trimmed.left(slash + 1);
    } else {
        m_strPath += name + '/';
    }
    FillList();
}

bool DFileRenamer::RenameRow(int row, CJournal& journal) {
    SRenameEntry& entry = m_entries[std::size_t(row)];
    return m_folder.IsOpen() &&
           RenameEntry(m_folder.Fd(), RealFolderPath(m_folder.Fd(), m_strPath), entry, journal);
}

namespace {

CJournal RenamerJournal(const QByteArray& folder, const ILatinSpelling& spelling) {
    return CJournal("renamer", folder, QString::fromStdU16String(spelling.Describe()).toUtf8());
}

} // namespace

void DFileRenamer::RenameSelected() {
    const int row = m_list->GetSelectedRow();
    if (row < 0 || row >= int(m_entries.size()) || m_entries[std::size_t(row)].onDisk == ".." ||
        (m_entries[std::size_t(row)].proposal.isEmpty() &&
         m_entries[std::size_t(row)].refusal == ERefusal::kNone))
        return;
    CJournal journal = RenamerJournal(RealFolderPath(m_folder.Fd(), m_strPath), Spelling());
    if (!RenameRow(row, journal)) {
        const SRenameEntry& entry = m_entries[std::size_t(row)];
        Report(CurrentResources().String(kStrRefused).arg(entry.shown, RefusalText(entry)));
    }
    FillList();
}

void DFileRenamer::RenameAll() {
    int renamed = 0;
    QStringList refused;
    CJournal journal = RenamerJournal(RealFolderPath(m_folder.Fd(), m_strPath), Spelling());
    for (int row = 0; row < int(m_entries.size()); ++row) {
        const SRenameEntry& entry = m_entries[std::size_t(row)];
        if (entry.onDisk == ".." || (entry.proposal.isEmpty() && entry.refusal == ERefusal::kNone))
            continue;
        if (RenameRow(row, journal))
            ++renamed;
        else
            refused << CurrentResources().String(kStrRefused).arg(entry.shown, RefusalText(entry));
    }
    FillList();
    if (renamed > 0 || !refused.isEmpty()) {
        QString text = CurrentResources().String(kStrSummary).arg(renamed).arg(refused.size());
        if (!refused.isEmpty())
            text += QStringLiteral("\n\n") + refused.join(QLatin1Char('\n'));
        Report(text);
    }
}

void DFileRenamer::UndoLastRun() {
    Report(UndoLatestRun({"renamer", "rename"}));
    FillList();
}

void DFileRenamer::ChooseFolder() {
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

void DFileRenamer::Report(const QString& text) {
    if (m_messageHook) {
        m_messageHook(text);
        return;
    }
    QMessageBox box(QMessageBox::Information, windowTitle(), text, QMessageBox::Ok, this);
    box.exec();
}
