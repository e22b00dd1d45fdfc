// The tag edit dialog "Edit Audio File Tags": the seven texts of one row of the tags dialog's list in
// edit fields; OK puts each back into its cell transliterated to Latin, Cancel touches nothing.
// Writing the cells to the file is the MP3 dialog's business.
#pragma once

#include "Mp3Tags.h"

#include <QDialog>

#include <array>

class CSettings;
class ICellGrid;
class QLineEdit;

class DTags : public QDialog {
    Q_OBJECT

public:
    // Edit ids of dialog 214, by column 1 to 7.
    static constexpr std::array<int, kTagColumnCount> kEditIds = {1073, 1075, 1074, 1076, 1070, 1071, 1072};
    static constexpr std::array<int, kTagColumnCount> kLabelIds = {1067, 1068, 1069, 1077, 1078, 1079, 1080};

    // Writes the fields with the MP3 tool's Latin spelling.
    explicit DTags(const CSettings& settings, QWidget* parent = nullptr);

    // The grid (not owned) and its row, before the dialog runs.
    void SetList(ICellGrid* list) { m_pList = list; }
    void SetRow(int row) { m_nRow = row; }

    // The fields from the row's cells; showing the dialog does it.
    void InitDialog();
    QLineEdit* Field(int column) const { return m_edits[std::size_t(column - 1)]; }

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    ICellGrid* m_pList = nullptr;
    const CSettings& m_settings;
    int m_nRow = -1;
    bool m_initialised = false;
    std::array<QLineEdit*, kTagColumnCount> m_edits{};
};
