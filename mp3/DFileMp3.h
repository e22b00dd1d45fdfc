// The MP3 dialog "Transliteration MP3-Tags": the MP3 files of one folder with seven tag texts
// each, Russian texts in red; "Rename" and "Rename All" write their Latin transliterations,
// "Edit" (or a double click) opens the tag edit dialog for one file. The folder is chosen with
// the folder picker and remembered as "LastDir", shared with the file renamer.
#pragma once

#include "RawNames.h"

#include <QByteArray>
#include <QDialog>
#include <QStringList>

#include <functional>
#include <vector>

class CColorListCtrl;
class ILatinSpelling;
class QComboBox;
class CProgressWnd;
class DTags;
class QLabel;
class QLineEdit;

class DFileMp3 : public QDialog {
    Q_OBJECT

public:
    // Control ids of dialog 7177.
    enum {
        kIdSetPath = 1000,
        kIdPath = 1001,
        kIdList = 1060,
        kIdRename = 1061,
        kIdRenameAll = 1063,
        kIdLabel = 1064,
        kIdEdit = 1081
    };
    enum { kColName = 0, kColumnCount = 8 };

    explicit DFileMp3(QWidget* parent = nullptr);
    ~DFileMp3() override;

    // The folder shown, as bytes on disk, always ending in "/".
    QByteArray Path() const { return m_strPath; }
    void SetPath(const QByteArray& path);

    void FillList();
    void RenameSelected();
    void UndoLastRun();
    void RenameAll();
    void EditSelected();
    void ChooseFolder();

    // Tests answer the folder picker and the tag edit dialog (the hook gives the dialog's
    // result) and see the messages instead of a window.
    void SetFolderPickerHook(std::function<bool(QByteArray& path)> hook) { m_pickerHook = std::move(hook); }
    void SetTagsDialogHook(std::function<int(DTags&)> hook) { m_tagsHook = std::move(hook); }
    void SetMessageHook(std::function<void(const QString&)> hook) { m_messageHook = std::move(hook); }
    // Called after each file while the list fills (tests cancel with it).
    void SetFillStepHook(std::function<void(int row, CProgressWnd&)> hook) {
        m_fillStepHook = std::move(hook);
    }

    CColorListCtrl* List() const { return m_list; }
    // The full list of the last failure message when it was too long to show; else empty.
    QString LastFailureDetails() const { return m_lastFailureDetails; }
    // Says when the folder holds more MP3 files than the list shows.
    QLabel* CapLabel() const { return m_capLabel; }
    // The Latin spelling chosen above the list, and what it writes with.
    QComboBox* SpellingCombo() const { return m_comboSpelling; }
    const ILatinSpelling& Spelling() const;
    // The name on disk of a row.
    QByteArray RowName(int row) const;

    void done(int result) override;

private:
    // One line per file ("name: reason"); past the first few, the rest are in the details.
    void ReportFailures(const QStringList& lines);

    QByteArray m_strPath;
    CFolderFd m_folder; // the folder listed: files are read and written through it
    // The folder as the tag code reaches it: through the opened folder, not its path.
    QByteArray Io() const;
    // Transliterates one row, journalled, holding back texts without keys; false when refused.
    bool TransliterateOne(int row, const QByteArray& name, QStringList& failed);
    std::vector<QByteArray> m_names; // one per row
    CColorListCtrl* m_list = nullptr;
    QComboBox* m_comboSpelling = nullptr;
    QLineEdit* m_pathEdit = nullptr;
    QLabel* m_capLabel = nullptr;
    QString m_lastFailureDetails;
    std::function<bool(QByteArray&)> m_pickerHook;
    std::function<int(DTags&)> m_tagsHook;
    std::function<void(const QString&)> m_messageHook;
    std::function<void(int, CProgressWnd&)> m_fillStepHook;
};
