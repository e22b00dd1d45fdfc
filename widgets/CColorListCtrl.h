// A report-view list whose cells are drawn in colours chosen by a per-cell colour code and whose
// rows lie on one of two light greys, alternating when asked to. The MP3 dialog and the file
// renamer show their files in it; their owners keep the codes (0 normal, 4 red for Russian text
// or a file without a tag, 9 dark green for a proposed Latin name) in the colour-code grid,
// which is also what the tag operations read and write through ICellGrid.
//
// The grid holds kMaxColorRows rows of the column count given to the first InitCellColors;
// rows and columns beyond it read as code 0 and are not stored.
#pragma once

#include "ICellGrid.h"

#include <QColor>
#include <QIcon>
#include <QTableWidget>

#include <vector>

inline constexpr int kMaxColorRows = 3000;

class CColorListCtrl : public QTableWidget, public ICellGrid {
    Q_OBJECT

public:
    explicit CColorListCtrl(QWidget* parent = nullptr);
    ~CColorListCtrl() override;

    // The first call with a non-zero count makes the grid of kMaxColorRows x columns; every call
    // then clears the grid. The column count never changes after that first call.
    void InitCellColors(int columns);
    void SetCellColor(int row, int column, int code);
    int GetCellColor(int row, int column) const;
    static QColor ColorFromCode(int code);

    bool HasCellColors() const { return !m_pCellColors.empty(); }
    int ColorColumns() const { return m_nColorColumns; }

    // Odd rows on the odd-row grey; all rows on the even-row grey when off (the default).
    void SetAlternateRows(bool alternate);
    // The background of one row.
    QColor RowColor(int row) const { return m_bAlternateRows && (row & 1) ? m_crOddRow : m_crEvenRow; }

    // The list operations the owners use.
    void InsertColumn(int column, const QString& header, int width);
    // The images rows may show, by index (usually FolderImageIcons()).
    void SetImageList(const std::vector<QIcon>& images);
    // Inserts an empty row at `row` (clamped to the end) with the text in column 0 and image
    // `image` of the image list (none when -1); the row's index.
    int InsertItem(int row, const QString& text, int image = -1);
    void SetItemText(int row, int column, const QString& text);
    QString GetItemText(int row, int column) const;
    int GetItemCount() const { return rowCount(); }
    void DeleteAllItems();
    // The selected row, -1 when none.
    int GetSelectedRow() const;

    // While one lives, many rows change at once: the list is not repainted, and the columns that
    // fit their contents are measured once when the last one ends, not after every cell (which
    // measures up to a thousand rows each time). They nest.
    class CBulkChange {
    public:
        explicit CBulkChange(CColorListCtrl& list);
        ~CBulkChange();
        CBulkChange(const CBulkChange&) = delete;
        CBulkChange& operator=(const CBulkChange&) = delete;

    private:
        CColorListCtrl& m_list;
    };

    // ICellGrid: the cell texts and colour codes.
    int RowCount() const override { return rowCount(); }
    QString CellText(int row, int column) const override { return GetItemText(row, column); }
    void SetCellText(int row, int column, const QString& text) override { SetItemText(row, column, text); }
    int CellCode(int row, int column) const override { return GetCellColor(row, column); }
    void SetCellCode(int row, int column, int code) override { SetCellColor(row, column, code); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    class CCellDelegate;
    friend class CCellDelegate;

    bool m_bAlternateRows = false;
    QColor m_crOddRow{220, 220, 220};
    QColor m_crEvenRow{247, 247, 247};
    int m_nColorColumns = 0;
    std::vector<unsigned char> m_pCellColors; // kMaxColorRows rows of m_nColorColumns codes
    std::vector<QIcon> m_images;
    int m_bulkDepth = 0;
    bool m_updatesBeforeBulk = true;
    std::vector<int> m_fittedColumns; // set to a fixed width during a bulk change
};
