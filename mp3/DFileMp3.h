// The tags dialog: the MP3, FLAC, Ogg Vorbis and Opus files of one folder with seven tag texts
// each, Russian texts in red; "Rename" and "Rename All" write their Latin transliterations,
// "Edit" (or a double click) opens the tag edit dialog for one file. A file whose 8-bit texts the
// detector misread is read again in the encoding the user chooses ("Read as"); "Skip" leaves
// files out of "Rename All". The folder is chosen with the folder picker and remembered as
// "LastDir", shared with the file renamer.
#pragma once

#include "DBatchDialog.h"

class QCheckBox;
class CIntSetting;

#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

struct SReadAs;

class CProgressWnd;
class DTags;

class DFileMp3 : public DBatchDialog {
    Q_OBJECT

public:
    enum { kIdEdit = 1081 };
    // Column 0 is the name, 1 to 7 the tag texts; the last one says what the texts were read in.
    enum { kColName = 0, kColumnCount = 8, kColReadIn = 8 };

    explicit DFileMp3(CSettings& settings, QWidget* parent = nullptr);
    ~DFileMp3() override;

    void FillList() override;
    void RenameSelected();
    void UndoLastRun();
    void RenameAll();
    void EditSelected();

    void ReadRowsAs(const std::vector<int>& rows, std::optional<ETextEncoding> encoding) override;
    void SkipRows(const std::vector<int>& rows, bool skip) override;
    bool IsRowSkipped(int row) const override;

    // Says when the folder holds more audio files than the list shows.
    QLabel* CapLabel() const { return m_capLabel; }
    QCheckBox* CueBomCheck() const { return m_checkCueBom; }
    // The name on disk of a row.
    QByteArray RowName(int row) const;

private:
    // The folder as the tag code reaches it: through the opened folder, not its path.
    QByteArray Io() const;
    // Transliterates one row, journalled, holding back texts without keys; false when refused.
    bool TransliterateOne(int row, const QByteArray& name, QStringList& failed);
    // The encoding column and the Latin texts as tooltips of the Russian cells.
    void ShowReading(int row, const QString& readIn);
    // After a run to Cyrillic: how many files' ID3v1 tags kept Russian they cannot hold in Unicode.
    QString V1Note() const;
    int m_v1Kept = 0;
    // The reading the user chose for a file's texts (none: the reading rule).
    SReadAs ReadingOf(const QByteArray& name) const;

    std::vector<QByteArray> m_names; // one per row
    std::vector<QString> m_readIn;   // one per row: what its texts were read in
    QLabel* m_capLabel = nullptr;
    QCheckBox* m_checkCueBom = nullptr;
    std::unique_ptr<CIntSetting> m_cueBomSetting;
};
