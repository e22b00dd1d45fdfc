// The file renamer dialog: the sub-folders and files of one folder, names holding Russian text
// in red with their Latin proposals in green, renamed one at a time or all at once. Its folder is
// chosen with the folder picker and remembered as "LastDir", shared with the MP3 tool.
#pragma once

#include "RawNames.h"
#include "RenamerEngine.h"

#include <QByteArray>
#include <QDialog>

#include <functional>
#include <vector>

class CColorListCtrl;
class ILatinSpelling;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class DFileRenamer : public QDialog {
    Q_OBJECT

public:
    // Control ids of dialog 211, and the list's columns.
    enum {
        kIdSetPath = 1000,
        kIdPath = 1001,
        kIdList = 1060,
        kIdRename = 1061,
        kIdRenameAll = 1063,
        kIdLabel = 1064,
        kIdUndo = 1400 // "Undo Last Run"
    };
    enum { kColName = 0, kColTranslit = 1, kColOrigName = 2, kColKind = 3 };

    explicit DFileRenamer(QWidget* parent = nullptr);
    ~DFileRenamer() override;

    // The folder shown, as bytes on disk, always ending in "/".
    QByteArray Path() const { return m_strPath; }
    void SetPath(const QByteArray& path);

    void FillList();
    void OpenRow(int row); // what a double click on the row does
    void RenameSelected();
    void RenameAll();
    void UndoLastRun();
    void ChooseFolder();

    // Tests answer the folder picker and see the messages instead of a window.
    void SetFolderPickerHook(std::function<bool(QByteArray& path)> hook) { m_pickerHook = std::move(hook); }
    void SetMessageHook(std::function<void(const QString&)> hook) { m_messageHook = std::move(hook); }

    CColorListCtrl* List() const { return m_list; }
    // The Latin spelling chosen above the list, and what it writes with.
    QComboBox* SpellingCombo() const { return m_comboSpelling; }
    const ILatinSpelling& Spelling() const;

    void done(int result) override;

private:
    void AddRow(const SRenameEntry& entry);
    void Report(const QString& text);
    // Renames one row's entry, journalled in the run's journal; false when refused.
    bool RenameRow(int row, CJournal& journal);

    QByteArray m_strPath;
    CFolderFd m_folder; // the folder listed: renames happen in it, even if its path changes meanwhile
    std::vector<SRenameEntry> m_entries; // one per row, ".." included
    CColorListCtrl* m_list = nullptr;
    QComboBox* m_comboSpelling = nullptr;
    QLineEdit* m_pathEdit = nullptr;
    QLabel* m_summary = nullptr; // what "Rename All" would do
    std::function<bool(QByteArray&)> m_pickerHook;
    std::function<void(const QString&)> m_messageHook;
};
