#include "DFileRenamer.h"

#include "CColorListCtrl.h"
#include "CProgressWnd.h"
#include "CResourceModuleGui.h"
#include "FolderSetting.h"
#include "ImageStrip.h"
#include "Journal.h"
#include "LatinSpelling.h"
#include "PlaylistLinks.h"
#include "RawNames.h"
#include "ResourceIds.h"
#include "Settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

constexpr int kDialogId = kDlgRenamer;
// A fill or run quicker than this shows no progress window.
CJournal RenamerJournal(const QByteArray& folder, const ILatinSpelling& spelling, bool cyrillic) {
    return CJournal("renamer", folder,
                    cyrillic ? QByteArray("Cyrillic (Unicode)")
                             : QString::fromStdU16String(spelling.Describe()).toUtf8());
}

// "3 entries", in the plural form the language wants (Russian has three).
QString EntryCount(int count) {
    if (count == 1)
        return CurrentResources().String(kStrPlaylistEntryOne);
    const int tens = count % 100;
    const int ones = count % 10;
    const EStringId id = tens >= 11 && tens <= 14 ? kStrPlaylistEntries5
                         : ones == 1              ? kStrPlaylistEntries1
                         : ones >= 2 && ones <= 4 ? kStrPlaylistEntries2
                                                  : kStrPlaylistEntries5;
    return CurrentResources().String(id).arg(count);
}

// Why a planned playlist is not rewritten, empty when it is. `journalled` counts the old bytes the
// run's journal keeps so far: past its budget a playlist is refused, so that the journal stays readable.
QString PlaylistRefusal(const SPlaylistUpdate& update, qsizetype& journalled) {
    if (!update.refusal.isEmpty())
        return update.refusal;
    if ((journalled += update.oldBytes.size()) > kPlaylistJournalBudget)
        return CurrentResources().String(kStrPlaylistBudget).arg(kPlaylistJournalBudget >> 20);
    return {};
}

} // namespace

DFileRenamer::DFileRenamer(CSettings& settings, QWidget* parent)
    : DBatchDialog(kDialogId, settings, settings.renamerSpelling, parent) {
    const CResourceModule& resources = CurrentResources();
    auto* rename = new QPushButton(ControlText(kIdRename), this);
    auto* renameAll = new QPushButton(ControlText(kIdRenameAll), this);
    auto* undo = new QPushButton(resources.String(kStrUndoLastRun), this);
    m_summary = new QLabel(this);
    auto* close = new QPushButton(ControlText(2), this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_pathEdit, 0, 0);
    grid->addWidget(m_setPath, 0, 1);
    grid->addLayout(LabelRow(), 1, 0);
    connect(m_comboSpelling, &QComboBox::currentIndexChanged, this, &DFileRenamer::FillList);
    AddTargetChoice("RenamerTarget");
    m_composeSetting = std::make_unique<CIntSetting>(&settings, "RenamerNfc", 0, 0, 1, 0);
    m_compose = new QCheckBox(resources.String(kStrComposeNames), this);
    m_compose->setChecked(m_composeSetting->Load() != 0);
    LabelRow()->addWidget(m_compose);
    connect(m_compose, &QCheckBox::toggled, this, [this](bool on) {
        m_composeSetting->Set(on ? 1 : 0);
        m_composeSetting->Save();
        FillList();
    });
    grid->addWidget(m_list, 2, 0, 5, 1);
    grid->addWidget(rename, 2, 1);
    grid->addWidget(renameAll, 3, 1);
    grid->addWidget(undo, 4, 1);
    grid->setRowStretch(5, 1);
    grid->addWidget(close, 6, 1, Qt::AlignBottom);
    grid->addWidget(m_summary, 7, 0, 1, 2);
    m_playlistLine = new QLabel(this);
    m_playlistLine->setTextFormat(Qt::PlainText); // file names are never markup
    m_playlistLine->setWordWrap(true);
    m_playlistLine->hide();
    grid->addWidget(m_playlistLine, 8, 0, 1, 2);
    // Planning reads every playlist: done once the marks have stopped changing, not per change.
    m_playlistTimer = new QTimer(this);
    m_playlistTimer->setSingleShot(true);
    m_playlistTimer->setInterval(150);
    connect(m_playlistTimer, &QTimer::timeout, this, &DFileRenamer::ShowPlaylists);
    resize(680, 440);

    connect(rename, &QPushButton::clicked, this, &DFileRenamer::RenameSelected);
    connect(renameAll, &QPushButton::clicked, this, &DFileRenamer::RenameAll);
    connect(undo, &QPushButton::clicked, this, &DFileRenamer::UndoLastRun);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    // A double click opens a folder row; on a file's Latin name it edits the name.
    connect(m_list, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
        const SRenameEntry* entry = Entry(row);
        if (entry && !entry->isFolder && column == kColTranslit)
            StartEditing(row);
        else
            OpenRow(row);
    });
    // F2 edits the row's Latin name whichever cell is current; nothing else is ever edited.
    m_list->installEventFilter(this);
    connect(m_list, &QTableWidget::itemChanged, this, &DFileRenamer::OnItemChanged);

    const int half = m_list->viewport()->width() / 2;
    m_list->InsertColumn(kColName, resources.String(kStrColFileName), half);
    m_list->InsertColumn(kColTranslit, resources.String(kStrColTranslit), half);
    m_list->InsertColumn(kColOrigName, QStringLiteral("Orig.Name"), 0);
    m_list->InsertColumn(kColKind, QStringLiteral("Dir/File"), 0);
    m_list->InsertColumn(kColReadIn, resources.String(kStrReadIn), 110);
    m_list->setColumnHidden(kColOrigName, true);
    m_list->setColumnHidden(kColKind, true);
    m_list->horizontalHeader()->setSectionResizeMode(kColName, QHeaderView::Stretch);
    m_list->horizontalHeader()->setSectionResizeMode(kColTranslit, QHeaderView::Stretch);
    // "KOI8-R (chosen)" whole, in every language.
    m_list->horizontalHeader()->setSectionResizeMode(kColReadIn, QHeaderView::ResizeToContents);
    m_list->SetAlternateRows(false);

    SetPath(LastFolder(Settings()));
}

DFileRenamer::~DFileRenamer() = default;

const SRenameEntry* DFileRenamer::Entry(int row) const {
    return row >= 0 && row < int(m_entries.size()) ? &m_entries[std::size_t(row)] : nullptr;
}

void DFileRenamer::AddRows(std::vector<SRenameEntry>& entries) {
    const QScopedValueRollback<bool> showing(m_showing, true);
    const CColorListCtrl::CBulkChange bulk(*m_list);
    CProgressWnd progress(Settings(), this, true, kShowProgressAfterMs);
    progress.LayoutForLines(1, 300);
    progress.SetProgressRange(0, int(entries.size()), 1);
    const std::vector<QIcon> icons = FolderImageIcons();
    const QString dir = QStringLiteral("Dir");
    const QString file = QStringLiteral("File");
    // All rows at once: a row inserted at a time moves every row after it in the model.
    m_list->setRowCount(int(entries.size()));
    m_entries.reserve(entries.size());
    int row = 0;
    for (; row < int(entries.size()); ++row) {
        if (row % 256 == 255) {
            progress.SetProgressPos(row);
            progress.PumpMessages(true);
            if (progress.IsCancelled())
                break;
        }
        SRenameEntry& entry = entries[std::size_t(row)];
        const int image =
            entry.isFolder ? (entry.onDisk == ".." ? kImgOpenFolder : kImgClosedFolder) : kImgFile;
        m_list->setItem(row, kColName,
                        new QTableWidgetItem(icons[std::size_t(image)], ShownName(entry.shown)));
        m_list->setItem(row, kColKind, new QTableWidgetItem(entry.isFolder ? dir : file));
        m_entries.push_back(std::move(entry));
        ShowRow(row);
    }
    // A cancelled fill keeps the rows shown so far; the run works on those.
    m_list->setRowCount(row);
}

void DFileRenamer::ShowAllRows() {
    const CColorListCtrl::CBulkChange bulk(*m_list);
    for (int row = 0; row < int(m_entries.size()); ++row)
        ShowRow(row);
    ShowSummary();
}

void DFileRenamer::ShowRow(int row) {
    const QScopedValueRollback<bool> showing(m_showing, true);
    const SRenameEntry& entry = m_entries[std::size_t(row)];
    m_list->SetItemText(row, kColName, ShownName(entry.shown));
    m_list->SetCellColor(row, kColName, entry.code);
    m_list->SetItemText(row, kColOrigName,
                        entry.codePage != 0 ? ShownName(QString::fromLatin1(
                                                  entry.onDisk)) // as a system without Cyrillic shows it
                                            : QString());
    QString translit;
    int code = kCodeNormal;
    if (entry.refusal != ERefusal::kNone) {
        // What the run would refuse shows in red, with the reason.
        const QString reason = QStringLiteral("[%1]").arg(RefusalText(entry));
        translit =
            entry.proposal.isEmpty() ? reason : ShownName(entry.proposal) + QStringLiteral("  ") + reason;
        code = kCodeRussian;
    } else if (!entry.proposal.isEmpty()) {
        translit = ShownName(entry.proposal);
        code = entry.skipped ? kCodeSkipped : !entry.edited.isEmpty() ? kCodeEdited : int(kCodeProposal);
    }
    m_list->SetItemText(row, kColTranslit, translit);
    m_list->SetCellColor(row, kColTranslit, code);
    if (QTableWidgetItem* item = m_list->item(row, kColTranslit)) {
        // Only an entry's Latin name is typed over, never "..".
        const bool editable = entry.onDisk != "..";
        item->setFlags(editable ? item->flags() | Qt::ItemIsEditable : item->flags() & ~Qt::ItemIsEditable);
    }
    const bool nonAscii = std::any_of(entry.onDisk.begin(), entry.onDisk.end(),
                                      [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    QString readIn = nonAscii || entry.readAs ? QString::fromLatin1(EncodingName(entry.encoding)) : QString();
    if (entry.repaired)
        readIn += QStringLiteral(" (%1)").arg(CurrentResources().String(kStrRepaired));
    m_list->SetItemText(row, kColReadIn, ReadInText(readIn, entry.readAs.has_value(), entry.skipped));
    m_list->SetCellColor(row, kColReadIn,
                         entry.readAs    ? kCodeOverridden
                         : entry.skipped ? kCodeSkipped
                                         : int(kCodeNormal));
}

void DFileRenamer::ShowSummary() {
    int toRename = 0;
    int refused = 0;
    for (const SRenameEntry& entry : m_entries) {
        if (entry.skipped)
            continue;
        toRename += entry.refusal == ERefusal::kNone && !entry.proposal.isEmpty();
        refused += entry.refusal != ERefusal::kNone;
    }
    m_summary->setText(CurrentResources().String(kStrWouldRefuse).arg(toRename).arg(refused));
    // Most folders hold no playlist: then nothing is planned at all.
    if (m_playlistRows.empty()) {
        m_playlistTimer->stop();
        m_playlistLine->hide();
    } else {
        m_playlistTimer->start();
    }
}

void DFileRenamer::ShowPlaylists() {
    if (!m_folder.IsOpen())
        return;
    const QByteArray folderPath = WithSlash(RealFolderPath(m_folder.Fd(), m_strPath));
    CRenameMap renames;
    for (const SRenameEntry& entry : m_entries) {
        if (!entry.skipped && entry.onDisk != ".." && entry.refusal == ERefusal::kNone &&
            !entry.proposal.isEmpty())
            renames.Add(folderPath + entry.onDisk, folderPath + entry.proposal.toUtf8());
    }
    QStringList follow;
    QStringList refused;
    qsizetype journalled = 0;
    for (const int row : m_playlistRows) {
        if (renames.IsEmpty())
            break;
        const SRenameEntry& entry = m_entries[std::size_t(row)];
        const SPlaylistUpdate update = PlanPlaylist(folderPath + entry.onDisk, renames, false);
        if (update.read && update.entries == 0)
            continue;
        const QString name = ShownName(entry.shown);
        const QString why = PlaylistRefusal(update, journalled);
        if (why.isEmpty())
            follow << QStringLiteral("%1 (%2)").arg(name, EntryCount(update.entries));
        else if (update.read)
            refused << QStringLiteral("%1 (%2): %3").arg(name, EntryCount(update.entries), why);
        else
            refused << QStringLiteral("%1: %2").arg(name, why);
    }
    QStringList lines;
    if (!follow.isEmpty())
        lines << CurrentResources().String(kStrPlaylistsFollow).arg(follow.join(QStringLiteral(", ")));
    // Reasons hold commas of their own.
    if (!refused.isEmpty())
        lines << CurrentResources().String(kStrPlaylistsRefused).arg(refused.join(QStringLiteral("; ")));
    m_playlistLine->setText(lines.join(QLatin1Char('\n')));
    m_playlistLine->setVisible(!lines.isEmpty());
}

void DFileRenamer::FillList() {
    KeepChoicesOfThisFolder();
    m_list->DeleteAllItems();
    m_list->InitCellColors(kColumnCount);
    m_entries.clear();
    m_pathEdit->setText(DecodeRawName(m_strPath));
    std::vector<SRenameEntry> entries;
    m_folder = OpenFolderPath(m_strPath);
    if (m_folder.IsOpen())
        ListForRenaming(
            Spelling(), m_folder.Fd(), entries, std::nullopt,
            {CyrillicTarget() ? ENameTarget::kCyrillic : ENameTarget::kLatin, m_compose->isChecked()});
    // The proposals are Latin names, or the names' Russian in UTF-8.
    if (QTableWidgetItem* header = m_list->horizontalHeaderItem(kColTranslit))
        header->setText(CurrentResources().String(CyrillicTarget() ? kStrColNewName : kStrColTranslit));
    // The root has nowhere to go up to.
    if (m_strPath != "/") {
        SRenameEntry up;
        up.onDisk = "..";
        up.shown = QStringLiteral("..");
        up.isFolder = true;
        m_entries.push_back(up);
    }
    bool chosen = false;
    for (SRenameEntry& entry : entries) {
        const SRowChoice choice = ChoiceOf(entry.onDisk);
        entry.readAs = choice.readAs;
        entry.readAsWhole = choice.readAs.has_value() && !choice.readAsAlone;
        entry.edited = choice.edited;
        entry.skipped = choice.skipped;
        chosen = chosen || choice.readAs || !choice.edited.isEmpty() || choice.skipped;
        m_entries.push_back(std::move(entry));
    }
    if (chosen)
        Repropose();
    std::vector<SRenameEntry> shown;
    shown.swap(m_entries);
    AddRows(shown);
    // What another folder's playlists did is not shown for this one, even for a moment.
    m_playlistLine->hide();
    m_playlistRows.clear();
    for (int row = 0; row < int(m_entries.size()); ++row) {
        const SRenameEntry& entry = m_entries[std::size_t(row)];
        if (!entry.isFolder && !entry.isLink && IsPlaylistName(entry.onDisk))
            m_playlistRows.push_back(row);
    }
    ShowSummary();
}

void DFileRenamer::Repropose() {
    for (SRenameEntry& entry : m_entries) {
        if (entry.onDisk != "..")
            ReadAndPropose(Spelling(), entry);
    }
    if (m_folder.IsOpen())
        PredictRefusals(m_folder.Fd(), m_entries);
}

void DFileRenamer::ReadRowsAs(const std::vector<int>& rows, std::optional<ETextEncoding> encoding) {
    for (const int row : rows) {
        if (!Entry(row) || Entry(row)->onDisk == "..")
            continue;
        SRenameEntry& entry = m_entries[std::size_t(row)];
        SRowChoice& choice = Choice(entry.onDisk);
        // A new reading gives a new transliteration: what was typed for the old one goes.
        choice.readAs = entry.readAs = encoding;
        // Chosen for many rows at once, a reading is a guess for the names that are not UTF-8; a
        // good UTF-8 name is read in it only when the user chose it for this row alone.
        choice.readAsAlone = rows.size() == 1;
        entry.readAsWhole = encoding.has_value() && !choice.readAsAlone;
        choice.edited = entry.edited = QString();
    }
    Repropose();
    ShowAllRows();
}

void DFileRenamer::SkipRows(const std::vector<int>& rows, bool skip) {
    for (const int row : rows) {
        if (!Entry(row) || Entry(row)->onDisk == "..")
            continue;
        SRenameEntry& entry = m_entries[std::size_t(row)];
        Choice(entry.onDisk).skipped = entry.skipped = skip;
    }
    // A skipped entry claims no name: the others' predictions change with it.
    Repropose();
    ShowAllRows();
}

bool DFileRenamer::IsRowSkipped(int row) const {
    return Entry(row) && Entry(row)->skipped;
}

bool DFileRenamer::EditProposal(int row, const QString& name) {
    if (!Entry(row) || Entry(row)->onDisk == "..")
        return false;
    SRenameEntry& entry = m_entries[std::size_t(row)];
    SRenameEntry tried = entry;
    tried.edited = name;
    tried.refusal = name.isEmpty() ? ERefusal::kNone : CheckTypedName(name, entry.shown);
    const QByteArray bytes = name.toUtf8();
    struct stat info {};
    if (tried.refusal == ERefusal::kNone && !name.isEmpty() && bytes != entry.onDisk && m_folder.IsOpen() &&
        fstatat(m_folder.Fd(), bytes.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0)
        tried.refusal = ERefusal::kTaken;
    if (tried.refusal != ERefusal::kNone) {
        const QString reason = tried.refusal == ERefusal::kTaken ? CurrentResources().String(kStrNameIsTaken)
                                                                 : RefusalText(tried);
        Report(CurrentResources().String(kStrEditRefused).arg(name, reason));
        ShowRow(row);
        return false;
    }
    Choice(entry.onDisk).edited = entry.edited = name;
    Repropose();
    ShowAllRows();
    return true;
}

void DFileRenamer::StartEditing(int row) {
    if (!Entry(row) || Entry(row)->onDisk == "..")
        return;
    if (QTableWidgetItem* item = m_list->item(row, kColTranslit)) {
        {
            // The editor starts from the Latin name alone, without a refusal's reason.
            const QScopedValueRollback<bool> showing(m_showing, true);
            item->setText(m_entries[std::size_t(row)].proposal);
        }
        m_list->setCurrentItem(item);
        m_list->editItem(item);
    }
}

bool DFileRenamer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_F2) {
        StartEditing(m_list->currentRow());
        return true;
    }
    return DBatchDialog::eventFilter(watched, event);
}

void DFileRenamer::OnItemChanged(QTableWidgetItem* item) {
    if (m_showing || item->column() != kColTranslit)
        return;
    const int row = item->row();
    const SRenameEntry* entry = Entry(row);
    if (!entry || item->text() == entry->proposal)
        return;
    EditProposal(row, item->text());
}

void DFileRenamer::AddRowMenuEntries(QMenu& menu) {
    const std::vector<int> rows = SelectedRows();
    if (rows.size() != 1 || !Entry(rows.front()) || Entry(rows.front())->onDisk == "..")
        return;
    QAction* edit = menu.addAction(CurrentResources().String(kStrEditName));
    edit->setShortcut(QKeySequence(Qt::Key_F2));
    const int row = rows.front();
    connect(edit, &QAction::triggered, this, [this, row] { StartEditing(row); });
}

void DFileRenamer::OpenRow(int row) {
    if (!Entry(row) || !Entry(row)->isFolder)
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

void DFileRenamer::RenameRows(const std::vector<int>& rows, bool single) {
    std::vector<SRenameEntry> jobs;
    for (const int row : rows) {
        const SRenameEntry* entry = Entry(row);
        if (entry && entry->onDisk != ".." &&
            !(entry->proposal.isEmpty() && entry->refusal == ERefusal::kNone))
            jobs.push_back(*entry);
    }
    const int count = int(jobs.size());
    // The renames run on a worker; this thread keeps the progress window answering. Cancel stops
    // the worker after the entry in hand: every entry is renamed and journalled, or untouched.
    std::vector<char> renamedJobs(jobs.size(), 0);
    const QByteArray folderPath = RealFolderPath(m_folder.Fd(), m_strPath);
    CJournal journal = RenamerJournal(folderPath, Spelling(), CyrillicTarget());
    const int folderFd = m_folder.IsOpen() ? m_folder.Fd() : -1;
    const int finished = RunOnWorker(
        count,
        [&](int i) {
            const std::size_t at = std::size_t(i);
            renamedJobs[at] = folderFd >= 0 && RenameEntry(folderFd, jobs[at], journal);
        },
        [](int) {});
    int renamed = 0;
    QStringList refused;
    for (int i = 0; i < finished; ++i) {
        const SRenameEntry& entry = jobs[std::size_t(i)];
        if (renamedJobs[std::size_t(i)])
            ++renamed;
        else
            refused << CurrentResources().String(kStrRefused).arg(ShownName(entry.shown), RefusalText(entry));
    }
    // The folder's playlists and CUE sheets follow the names, after them and in the same journal.
    CRenameMap renames;
    for (int i = 0; i < finished; ++i) {
        const SRenameEntry& entry = jobs[std::size_t(i)];
        if (renamedJobs[std::size_t(i)])
            renames.Add(WithSlash(folderPath) + entry.onDisk,
                        WithSlash(folderPath) + entry.proposal.toUtf8());
    }
    if (!renames.IsEmpty()) {
        const CJournalScope scope(journal);
        qsizetype journalled = 0;
        for (const int row : m_playlistRows) {
            const SRenameEntry& entry = m_entries[std::size_t(row)];
            const SPlaylistUpdate update = PlanPlaylist(WithSlash(folderPath) + entry.onDisk, renames, true);
            if (update.read && update.entries == 0)
                continue;
            QString error = PlaylistRefusal(update, journalled);
            if (!error.isEmpty() || !WritePlaylist(update, journal, error))
                refused << CurrentResources().String(kStrRefused).arg(ShownName(entry.shown), error);
        }
    }
    FillList();
    const QString stopped =
        finished < count ? CurrentResources().String(kStrRunStopped).arg(finished).arg(count - finished)
                         : QString();
    if (single && stopped.isEmpty() && renamed + refused.size() <= 1) {
        ReportFailures(refused, QString());
        return;
    }
    if (renamed > 0 || !refused.isEmpty() || !stopped.isEmpty()) {
        QString text = CurrentResources().String(kStrSummary).arg(renamed).arg(refused.size());
        if (!stopped.isEmpty())
            text = stopped + QLatin1Char(' ') + text;
        ReportFailures(refused, text);
    }
}

void DFileRenamer::RenameSelected() {
    RenameRows(SelectedRows(), true);
}

void DFileRenamer::RenameAll() {
    std::vector<int> rows;
    for (int row = 0; row < int(m_entries.size()); ++row) {
        if (!m_entries[std::size_t(row)].skipped)
            rows.push_back(row);
    }
    RenameRows(rows, false);
}

void DFileRenamer::UndoLastRun() {
    // A `rename` run from the shell may have rewritten playlists too.
    if (UndoLatestRunHere({"renamer", "rename"}, UndoContentRecord))
        FillList();
}
