#include "DFileMp3.h"

#include "CCharTable.h"
#include "CColorListCtrl.h"
#include "CProfile.h"
#include "CProgressWnd.h"
#include "CResourceModuleGui.h"
#include "CueSheet.h"
#include "DTags.h"
#include "FileTag.h"
#include "FolderSetting.h"
#include "ImageStrip.h"
#include "Journal.h"
#include "LatinSpelling.h"
#include "Modal.h"
#include "Mp3Batch.h"
#include "Mp3Tags.h"
#include "RawNames.h"
#include "ResourceIds.h"
#include "SafeFile.h"
#include "Settings.h"
#include "SpellingChoice.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>
#include <atomic>
#include <thread>

namespace {

constexpr int kDialogId = kDlgFileMp3;

// One line of the failure message: the file and why.
QString FailureLine(const QString& name, const QString& reason) {
    return reason.isEmpty() ? name : name + QStringLiteral(": ") + reason;
}

// Texts held back for want of a key, named by the field of the file's own format.
QStringList HoldBackTexts(ICellGrid& grid, int row, const QByteArray& name, const ILatinSpelling& spelling,
                          std::vector<int>& columns) {
    QStringList held = HoldBackTextsWithoutKeys(grid, row, spelling, &columns);
    if (IsFileTagName(name)) {
        for (qsizetype i = 0; i < held.size(); ++i)
            held[i] = QLatin1String(TagFieldOf(name, columns[std::size_t(i)])) + QStringLiteral(": ") +
                      held[i].section(QStringLiteral(": "), 1);
    }
    return held;
}

} // namespace

DFileMp3::DFileMp3(CSettings& settings, QWidget* parent)
    : DBatchDialog(kDialogId, settings, settings.mp3Spelling, parent) {
    const CResourceModule& resources = CurrentResources();
    auto* rename = new QPushButton(ControlText(kIdRename), this);
    auto* renameAll = new QPushButton(ControlText(kIdRenameAll), this);
    auto* edit = new QPushButton(ControlText(kIdEdit), this);
    auto* undo = new QPushButton(resources.String(kStrUndoLastRun), this);
    auto* close = new QPushButton(ControlText(2), this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_pathEdit, 0, 0);
    grid->addWidget(m_setPath, 0, 1);
    AddTargetChoice("Mp3Target");
    // 8-bit CUE sheets become UTF-8 when rewritten; some Windows players want them marked so.
    m_cueBomSetting = std::make_unique<CIntSetting>(&Settings(), "Mp3CueBom", 0, 0, 1, 0);
    m_checkCueBom = new QCheckBox(resources.String(kStrCueBom), this);
    m_checkCueBom->setChecked(m_cueBomSetting->Load() != 0);
    SetCueSheetsWithBom(m_checkCueBom->isChecked());
    LabelRow()->addWidget(m_checkCueBom);
    connect(m_checkCueBom, &QCheckBox::toggled, this, [this](bool on) {
        m_cueBomSetting->Set(on ? 1 : 0);
        m_cueBomSetting->Save();
        SetCueSheetsWithBom(on);
    });
    grid->addLayout(LabelRow(), 1, 0, 1, 2);
    grid->addWidget(m_list, 2, 0, 1, 2);
    m_capLabel = new QLabel(this);
    m_capLabel->setStyleSheet(QStringLiteral("color: #c00000"));
    m_capLabel->hide();
    grid->addWidget(m_capLabel, 3, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(rename);
    buttons->addStretch(1);
    buttons->addWidget(renameAll);
    buttons->addStretch(1);
    buttons->addWidget(edit);
    buttons->addStretch(1);
    buttons->addWidget(undo);
    buttons->addStretch(1);
    buttons->addWidget(close);
    grid->addLayout(buttons, 4, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    resize(860, 460);

    connect(rename, &QPushButton::clicked, this, &DFileMp3::RenameSelected);
    connect(renameAll, &QPushButton::clicked, this, &DFileMp3::RenameAll);
    connect(edit, &QPushButton::clicked, this, &DFileMp3::EditSelected);
    connect(undo, &QPushButton::clicked, this, &DFileMp3::UndoLastRun);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list, &QTableWidget::cellDoubleClicked, this, [this](int, int) { EditSelected(); });

    m_list->InsertColumn(kColName, resources.String(kStrColFileName), 150);
    for (int i = 0; i < kTagColumnCount; ++i)
        m_list->InsertColumn(i + 1, resources.String(kTagColumns[i].headerId), kTagColumns[i].width);
    m_list->InsertColumn(kColReadIn, resources.String(kStrReadIn), 100);
    m_list->horizontalHeader()->setSectionResizeMode(kColReadIn, QHeaderView::ResizeToContents);
    // Shown beside the name, where a wrong guess is seen before the texts are read.
    m_list->horizontalHeader()->moveSection(kColReadIn, kColName + 1);
    m_list->SetAlternateRows(true);

    SetPath(LastFolder(Settings()));
}

DFileMp3::~DFileMp3() = default;

QByteArray DFileMp3::RowName(int row) const {
    return row >= 0 && row < int(m_names.size()) ? m_names[std::size_t(row)] : QByteArray();
}

void DFileMp3::FillList() {
    KeepChoicesOfThisFolder();
    std::vector<SListedEntry> entries;
    m_folder = OpenFolderPath(m_strPath);
    if (m_folder.IsOpen())
        ReadFolderAt(m_folder.Fd(), entries);
    // By name, as the command line lists them: the file system's own order is no order to a reader.
    std::sort(entries.begin(), entries.end(),
              [](const SListedEntry& a, const SListedEntry& b) { return a.name < b.name; });
    std::vector<QByteArray> names;
    int total = 0;
    for (const SListedEntry& entry : entries) {
        if (!IsTagFileName(entry.name))
            continue;
        ++total;
        if (names.size() < std::size_t(kMaxColorRows))
            names.push_back(entry.name);
    }
    m_list->DeleteAllItems();
    m_list->InitCellColors(kColumnCount + 1);
    m_names.clear();
    m_readIn.clear();
    // The colour grid holds kMaxColorRows rows: the rest is not shown, and the dialog says so.
    m_capLabel->setText(CurrentResources().String(kStrOnlyFirstAudio).arg(kMaxColorRows).arg(total));
    m_capLabel->setVisible(total > kMaxColorRows);
    if (names.empty())
        return;
    std::vector<QString> messages;
    CleanLeftovers(m_strPath, messages);

    CProgressWnd progress(Settings(), this, true, kShowProgressAfterMs);
    progress.LayoutForLines(1, 300);
    progress.SetProgressRange(0, int(names.size()), 1);
    const CColorListCtrl::CBulkChange bulk(*m_list);
    // The tags are read on a worker while this thread puts the rows read so far into the list,
    // many at a time and without a repaint per cell.
    const int count = int(names.size());
    CCellTable read(kColumnCount);
    for (int row = 0; row < count; ++row)
        read.AddRow();
    std::vector<QString> readIn(static_cast<std::size_t>(count));
    std::vector<ReadAs> readAs;
    for (const QByteArray& name : names)
        readAs.push_back(ReadingOf(name));
    const bool cyrillic = CyrillicTarget();
    std::atomic<int> ready{0};
    std::atomic<bool> stop{false};
    std::thread reader([&] {
        for (int row = 0; row < count && !stop.load(std::memory_order_relaxed); ++row) {
            ReadTagRow(Io(), names[std::size_t(row)], read, row, readAs[std::size_t(row)],
                       &readIn[std::size_t(row)], cyrillic);
            ready.store(row + 1, std::memory_order_release);
            Wake();
        }
    });
    const QIcon icon = FolderImageIcons()[kImgFile];
    int shown = 0;
    while (shown < count && !progress.IsCancelled()) {
        const int upTo = ready.load(std::memory_order_acquire);
        if (upTo == shown) {
            WaitForWorker(progress);
            continue;
        }
        // Colours first: a row not yet in the list is not repainted for them.
        for (int row = shown; row < upTo; ++row) {
            for (int column = 0; column < kColumnCount; ++column)
                m_list->SetCellColor(row, column, read.CellCode(row, column));
        }
        m_list->setRowCount(upTo);
        while (shown < upTo) {
            const int row = shown++;
            const QByteArray& name = names[std::size_t(row)];
            m_list->setItem(row, kColName, new QTableWidgetItem(icon, ShownName(DecodeRawName(name))));
            for (int column = 1; column < kColumnCount; ++column) {
                const QString text = read.CellText(row, column);
                if (!text.isEmpty())
                    m_list->setItem(row, column, new QTableWidgetItem(text));
            }
            m_names.push_back(name);
            m_readIn.push_back(QString());
            ShowReading(row, readIn[std::size_t(row)]);
            if (Observer())
                Observer()->RowFilled(row, progress);
            if (progress.IsCancelled())
                break;
        }
        m_list->setRowCount(shown);
        progress.SetProgressPos(shown);
        progress.PumpMessages(true);
    }
    stop = true;
    reader.join();
}

QByteArray DFileMp3::Io() const {
    return m_folder.IsOpen() ? "/proc/self/fd/" + QByteArray::number(m_folder.Fd()) + '/' : m_strPath;
}

namespace {

CJournal Mp3Journal(const CFolderFd& folder, const QByteArray& path, const ILatinSpelling& spelling,
                    bool cyrillic = false) {
    return CJournal("mp3", RealFolderPath(folder.Fd(), path),
                    cyrillic ? QByteArray("Cyrillic (Unicode)")
                             : QString::fromStdU16String(spelling.Describe()).toUtf8());
}

// The Cyrillic target leaves ID3v1 tags as they are: the file's holds Russian it could not take.
bool Id3v1KeepsRussian(const QByteArray& folder, const QByteArray& name, ReadAs readAs) {
    if (IsFileTagName(name))
        return false;
    const std::unique_ptr<CMp3Tag> tag = OpenTag(folder, name);
    return tag->IsMpeg() && Id3v1HoldsRussian(*tag, readAs);
}

} // namespace

bool DFileMp3::TransliterateOne(int row, const QByteArray& name, QStringList& failed) {
    std::vector<int> held;
    const bool cyrillic = CyrillicTarget();
    const QStringList reasons =
        cyrillic ? QStringList() : HoldBackTexts(*m_list, row, name, Spelling(), held);
    QString reason;
    const bool written = RewriteTagRow(Io(), name, *m_list, row, cyrillic ? nullptr : &Spelling(), &reason,
                                       ReadingOf(name)) != ERowResult::kFailed;
    if (cyrillic && Id3v1KeepsRussian(Io(), name, ReadingOf(name)))
        ++m_v1Kept;
    ShowReading(row, m_readIn[std::size_t(row)]);
    for (const int column : held)
        m_list->SetCellColor(row, column, kCodeRussian);
    if (!written)
        failed << FailureLine(m_list->GetItemText(row, kColName), reason);
    for (const QString& line : reasons)
        failed << FailureLine(m_list->GetItemText(row, kColName), line);
    return written && reasons.isEmpty();
}

void DFileMp3::RenameSelected() {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty() || RowName(rows.front()).isEmpty())
        return;
    CJournal journal = Mp3Journal(m_folder, m_strPath, Spelling(), CyrillicTarget());
    const CTagJournalScope journalling(journal);
    QStringList failed;
    m_v1Kept = 0;
    for (const int selected : rows) {
        const QByteArray name = RowName(selected);
        if (!name.isEmpty())
            TransliterateOne(selected, name, failed);
    }
    ReportFailures(failed, V1Note(), CurrentResources().String(kStrNotWritten));
}

void DFileMp3::RenameAll() {
    std::vector<int> rows;
    for (int row = 0; row < m_list->GetItemCount(); ++row) {
        if (!RowName(row).isEmpty() && m_list->GetCellColor(row, kColName) != kCodeRussian &&
            !IsRowSkipped(row))
            rows.push_back(row);
    }
    const int count = int(rows.size());
    if (count == 0)
        return;
    // The files are rewritten on a worker, from a copy of their rows; this thread keeps the
    // progress window answering and copies each row back as its file is done. Cancel stops the
    // worker after the file in hand: every file is done and journalled, or untouched.
    CCellTable table(kColumnCount);
    std::vector<QByteArray> names;
    std::vector<ReadAs> readAs;
    for (const int row : rows) {
        const int at = table.AddRow();
        for (int column = 0; column < kColumnCount; ++column) {
            table.SetCellText(at, column, m_list->GetItemText(row, column));
            table.SetCellCode(at, column, m_list->GetCellColor(row, column));
        }
        names.push_back(RowName(row));
        readAs.push_back(ReadingOf(names.back()));
    }
    std::vector<QString> reasons(static_cast<std::size_t>(count));
    std::vector<char> failedRows(static_cast<std::size_t>(count), 0);
    std::vector<QStringList> held(static_cast<std::size_t>(count));
    const ILatinSpelling& spelling = Spelling();
    const QByteArray io = Io();
    const bool cyrillic = CyrillicTarget();
    CJournal journal = Mp3Journal(m_folder, m_strPath, spelling, cyrillic);
    const CTagJournalScope journalling(journal);
    std::atomic<int> v1Kept{0};
    auto job = [&](int i) {
        const std::size_t at = std::size_t(i);
        std::vector<int> heldColumns;
        if (!cyrillic)
            held[at] = HoldBackTexts(table, i, names[at], spelling, heldColumns);
        QString reason;
        const ERowResult result =
            RewriteTagRow(io, names[at], table, i, cyrillic ? nullptr : &spelling, &reason, readAs[at]);
        if (result == ERowResult::kFailed)
            failedRows[at] = 1;
        if (cyrillic && Id3v1KeepsRussian(io, names[at], readAs[at]))
            ++v1Kept;
        reasons[at] = reason;
        for (const int column : heldColumns)
            table.SetCellCode(i, column, kCodeRussian);
    };
    QStringList failed;
    int shown = 0;
    auto showDone = [&](int upTo) {
        const CColorListCtrl::CBulkChange bulk(*m_list);
        for (; shown < upTo; ++shown) {
            const std::size_t at = std::size_t(shown);
            const int row = rows[at];
            for (int column = 0; column < kColumnCount; ++column) {
                m_list->SetItemText(row, column, table.CellText(shown, column));
                m_list->SetCellColor(row, column, table.CellCode(shown, column));
            }
            ShowReading(row, m_readIn[std::size_t(row)]);
            const QString name = m_list->GetItemText(row, kColName);
            if (failedRows[at])
                failed << FailureLine(name, reasons[at]);
            for (const QString& line : held[at])
                failed << FailureLine(name, line);
        }
    };
    RunOnWorker(count, job, showDone);
    QString stopped;
    if (shown < count)
        stopped = CurrentResources().String(kStrRunStopped).arg(shown).arg(count - shown);
    m_v1Kept = v1Kept.load();
    if (!V1Note().isEmpty())
        stopped += (stopped.isEmpty() ? QString() : QStringLiteral("\n")) + V1Note();
    ReportFailures(failed, stopped, CurrentResources().String(kStrNotWritten));
}

QString DFileMp3::V1Note() const {
    return m_v1Kept > 0 ? CurrentResources().String(kStrId3v1LeftAlone).arg(m_v1Kept) : QString();
}

void DFileMp3::UndoLastRun() {
    if (UndoLatestRunHere({"mp3", "tags"}, UndoTagRecord))
        FillList();
}

void DFileMp3::EditSelected() {
    const int row = m_list->GetSelectedRow();
    const QByteArray name = RowName(row);
    if (name.isEmpty() || m_list->GetCellColor(row, kColName) == kCodeRussian)
        return;
    DTags dialog(Settings());
    dialog.SetList(m_list);
    dialog.SetRow(row);
    dialog.InitDialog();
    const int result = Modal::Exec(dialog);
    if (result != QDialog::Accepted)
        return;
    CJournal journal = Mp3Journal(m_folder, m_strPath, Spelling());
    const CTagJournalScope journalling(journal);
    QString reason;
    if (WriteTagRow(Io(), name, *m_list, row, &reason, ReadingOf(name)) == ERowResult::kFailed)
        ReportFailures({FailureLine(m_list->GetItemText(row, kColName), reason)}, QString(),
                       CurrentResources().String(kStrNotWritten));
}

void DFileMp3::ShowReading(int row, const QString& readIn) {
    if (row < 0 || row >= int(m_readIn.size()))
        return;
    m_readIn[std::size_t(row)] = readIn;
    const SRowChoice choice = ChoiceOf(RowName(row));
    m_list->SetItemText(row, kColReadIn, ReadInText(readIn, choice.readAs.has_value(), choice.skipped));
    m_list->SetCellColor(row, kColReadIn,
                         choice.readAs    ? kCodeOverridden
                         : choice.skipped ? kCodeSkipped
                                          : int(kCodePlain));
    // What "Rename" would write, before it writes it.
    const ILatinSpelling& spelling = Spelling();
    for (int column = 1; column <= kTagColumnCount; ++column) {
        QTableWidgetItem* item = m_list->item(row, column);
        if (!item)
            continue;
        QString tip;
        if (m_list->GetCellColor(row, column) == kCodeRussian && CyrillicTarget()) {
            // The same text, now in Unicode.
            tip = item->text();
        } else if (m_list->GetCellColor(row, column) == kCodeRussian) {
            std::u16string latin = item->text().toStdU16String();
            spelling.ToLatin(latin);
            tip = QString::fromStdU16String(latin);
        }
        item->setToolTip(tip);
    }
}

void DFileMp3::ReadRowsAs(const std::vector<int>& rows, std::optional<ETextEncoding> encoding) {
    for (const int row : rows) {
        const QByteArray name = RowName(row);
        if (name.isEmpty())
            continue;
        SRowChoice& choice = Choice(name);
        choice.readAs = encoding;
        // A reading chosen for many rows at once is a guess for their 8-bit texts; a good UTF-8
        // text is read in it only when the user chose it for this row alone.
        choice.readAsAlone = rows.size() == 1;
        QString readIn;
        ReadTagRow(Io(), name, *m_list, row, ReadingOf(name), &readIn, CyrillicTarget());
        ShowReading(row, readIn);
    }
}

void DFileMp3::SkipRows(const std::vector<int>& rows, bool skip) {
    for (const int row : rows) {
        const QByteArray name = RowName(row);
        if (name.isEmpty())
            continue;
        Choice(name).skipped = skip;
        ShowReading(row, m_readIn[std::size_t(row)]);
    }
}

SReadAs DFileMp3::ReadingOf(const QByteArray& name) const {
    const SRowChoice choice = ChoiceOf(name);
    return SReadAs(choice.readAs, choice.readAsAlone);
}

bool DFileMp3::IsRowSkipped(int row) const {
    return ChoiceOf(RowName(row)).skipped;
}
