#include "DBatchDialog.h"

#include "CCharTable.h"
#include "CColorListCtrl.h"
#include "CProgressWnd.h"
#include "CResourceModule.h"
#include "DGetPath.h"
#include "FolderSetting.h"
#include "ImageStrip.h"
#include "LatinSpelling.h"
#include "Modal.h"
#include "ResourceIds.h"
#include "Settings.h"
#include "SpellingChoice.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

#include <atomic>
#include <set>
#include <thread>

DBatchDialog::DBatchDialog(int dialogId, CSettings& settings, CIntSetting& spelling, QWidget* parent)
    : QDialog(parent), m_texts(std::make_unique<SDialogTexts>(CurrentResources().Dialog(dialogId))),
      m_settings(settings), m_spellingSetting(spelling) {
    const CResourceModule& resources = CurrentResources();
    setWindowTitle(m_texts->title);
    setWindowIcon(QIcon(QPixmap::fromImage(resources.Icon(kIconMain))));

    QFont bold(QStringLiteral("Arial"));
    bold.setPixelSize(12);
    bold.setBold(true);

    m_setPath = new QPushButton(ControlText(kIdSetPath), this);
    m_pathEdit = new QLineEdit(this);
    m_pathEdit->setReadOnly(true);
    m_pathEdit->setFont(bold);
    m_label = new QLabel(ControlText(kIdLabel), this);
    m_label->setFont(bold);
    m_list = new CColorListCtrl(this);
    m_list->setFont(bold);
    m_list->SetImageList(FolderImageIcons());
    // Fifty misread names are fixed at once, not one by one.
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_labelRow = new QHBoxLayout;
    m_labelRow->addWidget(m_label, 1);
    m_comboSpelling = AddBatchSpellingChoice(this, *m_labelRow, m_settings, m_spellingSetting);

    connect(m_setPath, &QPushButton::clicked, this, &DBatchDialog::ChooseFolder);
    connect(m_list, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (SelectedRows().empty())
            return;
        const std::unique_ptr<QMenu> menu(MakeRowMenu());
        menu->exec(m_list->viewport()->mapToGlobal(at));
    });
}

DBatchDialog::~DBatchDialog() = default;

const ILatinSpelling& DBatchDialog::Spelling() const {
    return LatinSpelling(g_charTable, LatinSchemeFromNumber(m_comboSpelling->currentIndex()));
}

bool DBatchDialog::CyrillicTarget() const {
    return m_comboTarget != nullptr && m_comboTarget->currentIndex() == 1;
}

void DBatchDialog::AddTargetChoice(const char* settingName) {
    const CResourceModule& resources = CurrentResources();
    m_targetSetting = std::make_unique<CIntSetting>(&m_settings, settingName, 0, 0, 1, 0);
    m_comboTarget = new QComboBox(this);
    m_comboTarget->addItem(resources.String(kStrTargetLatin));
    m_comboTarget->addItem(resources.String(kStrTargetCyrillic));
    m_comboTarget->setCurrentIndex(m_targetSetting->Load());
    auto* label = new QLabel(resources.String(kStrTargetLabel) + u':', this);
    label->setBuddy(m_comboTarget);
    // After the dialog's label, before the spelling: the spelling belongs to the Latin target.
    m_labelRow->insertWidget(1, label);
    m_labelRow->insertWidget(2, m_comboTarget);
    m_comboSpelling->setEnabled(!CyrillicTarget());
    connect(m_comboTarget, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_targetSetting->Set(index);
        m_targetSetting->Save();
        m_comboSpelling->setEnabled(!CyrillicTarget());
        FillList();
    });
}

QString DBatchDialog::ControlText(int id) const {
    return m_texts->Control(id);
}

void DBatchDialog::SetPath(const QByteArray& path) {
    m_strPath = WithSlash(path);
    m_pathEdit->setText(DecodeRawName(m_strPath));
    FillList();
}

void DBatchDialog::done(int result) {
    RememberFolder(m_settings, m_strPath);
    QDialog::done(result);
}

void DBatchDialog::ChooseFolder() {
    const std::optional<QByteArray> chosen = Modal::ChooseFolder([this]() -> std::optional<QByteArray> {
        DGetPath picker(this);
        picker.SetPath(m_strPath);
        if (picker.exec() != QDialog::Accepted || picker.GetPath().isEmpty())
            return std::nullopt;
        return picker.GetPath();
    });
    if (chosen)
        SetPath(*chosen);
}

std::vector<int> DBatchDialog::SelectedRows() const {
    std::set<int> rows;
    for (const QModelIndex& index : m_list->selectionModel()->selectedIndexes())
        rows.insert(index.row());
    return {rows.begin(), rows.end()};
}

QMenu* DBatchDialog::MakeRowMenu() {
    const CResourceModule& texts = CurrentResources();
    auto* menu = new QMenu(this);
    const std::vector<int> rows = SelectedRows();
    QMenu* readAs = menu->addMenu(texts.String(kStrReadAs));
    connect(readAs->addAction(texts.String(kStrAsDetected)), &QAction::triggered, this,
            [this, rows] { ReadRowsAs(rows, std::nullopt); });
    readAs->addSeparator();
    for (const ETextEncoding encoding : {ETextEncoding::kUtf8, ETextEncoding::kCp1251, ETextEncoding::kKoi8r,
                                         ETextEncoding::kCp866, ETextEncoding::kCp1252}) {
        const QString name = encoding == ETextEncoding::kCp1252 ? texts.String(kStrNotRussian)
                                                                : QString::fromLatin1(EncodingName(encoding));
        connect(readAs->addAction(name), &QAction::triggered, this,
                [this, rows, encoding] { ReadRowsAs(rows, encoding); });
    }
    bool allSkipped = !rows.empty();
    for (const int row : rows)
        allSkipped = allSkipped && IsRowSkipped(row);
    QAction* skip = menu->addAction(texts.String(kStrSkip));
    skip->setCheckable(true);
    skip->setChecked(allSkipped);
    connect(skip, &QAction::triggered, this, [this, rows](bool checked) { SkipRows(rows, checked); });
    AddRowMenuEntries(*menu);
    return menu;
}

QString DBatchDialog::ReadInText(const QString& readIn, bool chosen, bool skipped) {
    const CResourceModule& texts = CurrentResources();
    QString text = readIn;
    if (chosen)
        text += QStringLiteral(" (%1)").arg(texts.String(kStrChosen));
    if (skipped)
        text += QStringLiteral(" — %1").arg(texts.String(kStrSkipped));
    return text;
}

void DBatchDialog::Report(const QString& text, const QString& details, bool warning) {
    Modal::MessageBox(this, windowTitle(), text, warning ? QMessageBox::Warning : QMessageBox::Information,
                      QMessageBox::Ok, details);
}

void DBatchDialog::ReportFailures(const QStringList& lines, const QString& before, const QString& header) {
    if (lines.isEmpty()) {
        if (!before.isEmpty())
            Report(before);
        return;
    }
    QStringList parts;
    for (const QString& part : {before, header})
        if (!part.isEmpty())
            parts << part;
    parts << lines.mid(0, kFailuresShown).join(QLatin1Char('\n'));
    QString text = parts.join(QStringLiteral("\n\n"));
    const bool cut = lines.size() > kFailuresShown;
    if (cut)
        text += QLatin1Char('\n') +
                CurrentResources().String(kStrMoreFailures).arg(lines.size() - kFailuresShown);
    Report(text, cut ? lines.join(QLatin1Char('\n')) : QString(), true);
}

bool DBatchDialog::UndoLatestRunHere(const std::vector<QByteArray>& tools, const FRecordUndo& other) {
    const CResourceModule& texts = CurrentResources();
    SJournalRun run;
    if (!m_folder.IsOpen() || !LatestRun(tools, RealFolderPath(m_folder.Fd(), m_strPath), run)) {
        Report(texts.String(kStrNoRunHere));
        return false;
    }
    if (run.undone) {
        Report(texts.String(kStrUndoneAlready));
        return false;
    }
    if (Modal::MessageBox(this, windowTitle(), UndoPreview(run, other), QMessageBox::Question,
                          QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return false;
    Report(UndoAndSummarise(run, other));
    return true;
}

void DBatchDialog::KeepChoicesOfThisFolder() {
    if (m_choicesFolder != m_strPath)
        m_choices.clear();
    m_choicesFolder = m_strPath;
}

void DBatchDialog::WaitForWorker(CProgressWnd& progress) {
    progress.PumpMessages(true, true);
}

void DBatchDialog::Wake() {
    // A posted call wakes the waiting thread's event loop; it does nothing more.
    QMetaObject::invokeMethod(
        this, [] {}, Qt::QueuedConnection);
}

int DBatchDialog::RunOnWorker(int count, const std::function<void(int)>& job,
                              const std::function<void(int)>& showDone) {
    std::atomic<int> done{0};
    std::atomic<bool> stop{false};
    std::thread worker([&] {
        for (int i = 0; i < count && !stop.load(std::memory_order_acquire); ++i) {
            if (m_observer)
                m_observer->BeforeRunEntry(i);
            job(i);
            done.store(i + 1, std::memory_order_release);
            Wake();
        }
    });
    CProgressWnd progress(Settings(), this, true, kShowProgressAfterMs);
    progress.LayoutForLines(1, 300);
    progress.SetProgressRange(0, count, 1);
    int shown = 0;
    auto show = [&](int upTo) {
        showDone(upTo);
        shown = upTo;
        progress.SetProgressPos(shown);
    };
    while (true) {
        const int upTo = done.load(std::memory_order_acquire);
        if (upTo > shown) {
            show(upTo);
            if (m_observer)
                m_observer->RunStep(shown, progress);
        }
        if (shown == count)
            break;
        if (progress.IsCancelled()) {
            stop.store(true, std::memory_order_release);
            break;
        }
        WaitForWorker(progress);
    }
    worker.join();
    if (done.load(std::memory_order_acquire) > shown)
        show(done.load(std::memory_order_acquire));
    progress.HideProgress();
    return shown;
}
