// The file renamer dialog: the sub-folders and files of one folder, names holding Russian text
// in red with their Latin proposals in green, renamed one at a time or all at once. A name the
// detector misread is read again in the encoding the user chooses ("Read as"), a Latin name can
// be typed over the proposal (F2, or a double click on a file's proposal), and rows can be left
// out of "Rename All". Its folder is chosen with the folder picker and remembered as "LastDir",
// shared with the MP3 tool.
#pragma once

#include "DBatchDialog.h"
#include "RenamerEngine.h"

#include <functional>
#include <vector>

class CIntSetting;
class CProgressWnd;
class QCheckBox;
class QTimer;
class QTableWidgetItem;

class DFileRenamer : public DBatchDialog {
    Q_OBJECT

public:
    enum { kIdUndo = 1400 }; // "Undo Last Run"
    enum { kColName = 0, kColTranslit = 1, kColOrigName = 2, kColKind = 3, kColReadIn = 4, kColumnCount = 5 };

    explicit DFileRenamer(CSettings& settings, QWidget* parent = nullptr);
    ~DFileRenamer() override;

    void FillList() override;
    void OpenRow(int row); // what a double click on a folder row does
    void RenameSelected();
    void RenameAll();
    void UndoLastRun();

    void ReadRowsAs(const std::vector<int>& rows, std::optional<ETextEncoding> encoding) override;
    void SkipRows(const std::vector<int>& rows, bool skip) override;
    bool IsRowSkipped(int row) const override;
    // The Latin name the user typed for a row; false (with the reason shown) when it cannot be one.
    // An empty name gives the row its transliteration back.
    bool EditProposal(int row, const QString& name);
    // Opens the editor on the row's Latin name, as F2 does.
    void StartEditing(int row);

    const SRenameEntry* Entry(int row) const;
    // The "Compose decomposed names (NFC)" check box.
    QCheckBox* ComposeCheck() const { return m_compose; }
    // The line on the playlists that would follow the rows marked for renaming; hidden when none.
    QLabel* PlaylistLine() const { return m_playlistLine; }

protected:
    void AddRowMenuEntries(QMenu& menu) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The entries as the list's rows (moved into m_entries), the progress shown when it takes long.
    void AddRows(std::vector<SRenameEntry>& entries);
    void ShowRow(int row);
    void ShowAllRows();
    // Every entry read and proposed again with the user's choices, refusals predicted anew.
    void Repropose();
    void ShowSummary();
    // Plans the folder's playlists against the renames the marked rows would make (nothing written).
    void ShowPlaylists();
    void OnItemChanged(QTableWidgetItem* item);
    // Renames the rows' entries in one journalled run; one report at the end.
    void RenameRows(const std::vector<int>& rows, bool single);

    std::vector<SRenameEntry> m_entries; // one per row, ".." included
    QLabel* m_summary = nullptr;         // what "Rename All" would do
    QLabel* m_playlistLine = nullptr;    // which playlists would follow it
    QTimer* m_playlistTimer = nullptr;   // plans them once the marks stop changing
    std::vector<int> m_playlistRows;     // the rows of playlists and CUE sheets
    bool m_showing = false;              // cells change by the program, not by the user
    QCheckBox* m_compose = nullptr;
    std::unique_ptr<CIntSetting> m_composeSetting; // remembered as "RenamerNfc"
};
