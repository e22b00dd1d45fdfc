// What the two batch dialogs (the MP3 tool and the file renamer) share: the folder field with
// "Set Path", the Latin spelling above the list, the colour list itself, the folder remembered as
// "LastDir", the report of failures, and the rows' context menu: "Read as" an encoding the user
// knows better than the detector, and "Skip" to leave rows out of a whole run. Each dialog lays
// the parts out and says what a row's reading and skipping mean for it.
#pragma once

#include "IBatchObserver.h"
#include "Journal.h"

#include "RawNames.h"
#include "TextEncoding.h"

#include <QByteArray>
#include <QDialog>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class CColorListCtrl;
class CIntSetting;
class CSettings;
class ILatinSpelling;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
struct SDialogTexts;

// Colour codes of the batch lists beyond those of the engines: a row read in an encoding the user
// chose, a Latin name the user typed, a row left out.
inline constexpr int kCodeOverridden = 13;
inline constexpr int kCodeEdited = 8;
inline constexpr int kCodeSkipped = 15;

// What the user chose for one entry of the folder shown; kept while the folder stays the same.
struct SRowChoice {
    std::optional<ETextEncoding> readAs; // read in this encoding, not by the reading rule
    bool readAsAlone = false;            // readAs was chosen for this row by itself: valid UTF-8 too
    QString edited;                      // the renamer's Latin name as the user typed it
    bool skipped = false;                // left out of "Rename All"
};

class CProgressWnd;

class DBatchDialog : public QDialog {
    Q_OBJECT

public:
    ~DBatchDialog() override;

    // Control ids shared by dialogs 211 and 7177.
    enum {
        kIdSetPath = 1000,
        kIdPath = 1001,
        kIdList = 1060,
        kIdRename = 1061,
        kIdRenameAll = 1063,
        kIdLabel = 1064
    };

    // The folder shown, as bytes on disk, always ending in "/".
    QByteArray Path() const { return m_strPath; }
    void SetPath(const QByteArray& path);
    virtual void FillList() = 0;
    void ChooseFolder();

    CColorListCtrl* List() const { return m_list; }
    // The Latin spelling chosen above the list, and what it writes with.
    QComboBox* SpellingCombo() const { return m_comboSpelling; }
    const ILatinSpelling& Spelling() const;
    // What Russian is written as: Latin (in the spelling chosen) or Unicode Cyrillic. Null until
    // the dialog adds the choice.
    QComboBox* TargetCombo() const { return m_comboTarget; }
    bool CyrillicTarget() const;

    // The selected rows, in order.
    std::vector<int> SelectedRows() const;
    // The context menu of the selected rows: "Read as" ▸ the five encodings, "Skip", and what the
    // dialog adds. The caller owns it.
    QMenu* MakeRowMenu();
    // Reads the rows again in the encoding (none: by the reading rule), and marks them.
    virtual void ReadRowsAs(const std::vector<int>& rows, std::optional<ETextEncoding> encoding) = 0;
    // Leaves the rows out of "Rename All" (or takes them back in).
    virtual void SkipRows(const std::vector<int>& rows, bool skip) = 0;
    virtual bool IsRowSkipped(int row) const = 0;

    // Who is told of the fill's and the runs' progress (nobody by default); not owned.
    void SetObserver(IBatchObserver* observer) { m_observer = observer; }

    void done(int result) override;

    // Enough lines to say what went wrong, few enough to keep the box on an 800-px screen.
    static constexpr int kFailuresShown = 15;

protected:
    // spelling: the dialog's own remembered choice among the settings.
    DBatchDialog(int dialogId, CSettings& settings, CIntSetting& spelling, QWidget* parent);

    CSettings& Settings() const { return m_settings; }
    IBatchObserver* Observer() const { return m_observer; }
    // Waits on this thread until the worker says it has more (Wake) or the user acts, keeping
    // the progress window answering: no polling.
    void WaitForWorker(CProgressWnd& progress);
    // From the worker: the thread waiting in WaitForWorker goes on.
    void Wake();

    // A progress window shows only for work that takes longer than this.
    static constexpr int kShowProgressAfterMs = 500;
    // Runs job(0 .. count-1) on a worker while this thread keeps the progress window answering;
    // showDone(upTo, progress) runs here as entries are done. Cancel stops the worker after the
    // entry in hand. Returns how many entries were done.
    int RunOnWorker(int count, const std::function<void(int index)>& job,
                    const std::function<void(int upTo)>& showDone);

    // The text of a control of the dialog's template.
    QString ControlText(int id) const;
    // The label and the spelling choice in one row, for the dialog's layout to take.
    QHBoxLayout* LabelRow() const { return m_labelRow; }
    // "Write Russian as: Latin | Cyrillic (Unicode)" at the start of the label row, remembered
    // under `settingName`; the spelling choice is for Latin only. Changing it fills the list again.
    void AddTargetChoice(const char* settingName);
    // Shows a message; a long list of lines goes into the details.
    void Report(const QString& text, const QString& details = QString(), bool warning = false);
    // A run's failures, one a line, under `before` and `header`: the box lists the first
    // kFailuresShown and counts the rest, the details hold them all, and the icon is a warning.
    // Without failures, `before` alone is reported (when there is any).
    void ReportFailures(const QStringList& lines, const QString& before, const QString& header = QString());
    // Undo Last Run: the latest run of one of `tools` in the folder shown, previewed and asked
    // first, the summary after. True when something was undone (the list is then read again).
    bool UndoLatestRunHere(const std::vector<QByteArray>& tools, const FRecordUndo& other = {});
    // Dialogs add their own entries (the renamer: editing the Latin name).
    virtual void AddRowMenuEntries(QMenu& /*menu*/) {}
    // The text of the encoding column for a reading, with the user's choice marked.
    static QString ReadInText(const QString& readIn, bool chosen, bool skipped);
    // The choices for an entry (by its name on disk) of the folder shown; FillList calls
    // KeepChoicesOfThisFolder first, which forgets them when the folder is another one.
    SRowChoice& Choice(const QByteArray& name) { return m_choices[name]; }
    SRowChoice ChoiceOf(const QByteArray& name) const {
        const auto it = m_choices.find(name);
        return it == m_choices.end() ? SRowChoice() : it->second;
    }
    void KeepChoicesOfThisFolder();

    QByteArray m_strPath;
    CFolderFd m_folder; // the folder listed: changes happen in it, even if its path changes meanwhile
    CColorListCtrl* m_list = nullptr;
    QComboBox* m_comboSpelling = nullptr;
    QComboBox* m_comboTarget = nullptr;
    QLineEdit* m_pathEdit = nullptr;
    QPushButton* m_setPath = nullptr;
    QLabel* m_label = nullptr;

private:
    QHBoxLayout* m_labelRow = nullptr;
    std::map<QByteArray, SRowChoice> m_choices;
    QByteArray m_choicesFolder;
    std::unique_ptr<SDialogTexts> m_texts;
    CSettings& m_settings;
    CIntSetting& m_spellingSetting;
    IBatchObserver* m_observer = nullptr;
    std::unique_ptr<CIntSetting> m_targetSetting;
};
