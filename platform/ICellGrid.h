// A table of texts with a colour code per cell, addressed by row and column. The MP3 tag
// operations read and write their rows through it, so that they run the same against the colour
// list of the MP3 dialog and against a plain table in lettrino-cli.
#pragma once

#include <QString>

#include <utility>
#include <vector>

class ICellGrid {
public:
    virtual ~ICellGrid() = default;

    virtual int RowCount() const = 0;
    // Empty outside the table.
    virtual QString CellText(int row, int column) const = 0;
    // Ignored outside the table.
    virtual void SetCellText(int row, int column, const QString& text) = 0;
    // The cell's colour code, 0 to 255; 0 outside the table.
    virtual int CellCode(int row, int column) const = 0;
    // Stored as one byte; ignored outside the table.
    virtual void SetCellCode(int row, int column, int code) = 0;
};

// The grid without a window: a fixed number of columns, rows added at the end.
class CCellTable : public ICellGrid {
public:
    explicit CCellTable(int columns) : m_columns(columns > 0 ? columns : 0) {}

    // A new empty row at the end; its index.
    int AddRow() {
        m_cells.resize(m_cells.size() + static_cast<std::size_t>(m_columns));
        return RowCount() - 1;
    }
    void Clear() { m_cells.clear(); }

    int RowCount() const override { return m_columns ? static_cast<int>(m_cells.size()) / m_columns : 0; }
    QString CellText(int row, int column) const override {
        const SCell* cell = At(row, column);
        return cell ? cell->text : QString();
    }
    void SetCellText(int row, int column, const QString& text) override {
        if (SCell* cell = At(row, column))
            cell->text = text;
    }
    int CellCode(int row, int column) const override {
        const SCell* cell = At(row, column);
        return cell ? cell->code : 0;
    }
    void SetCellCode(int row, int column, int code) override {
        if (SCell* cell = At(row, column))
            cell->code = static_cast<unsigned char>(code);
    }

private:
    struct SCell {
        QString text;
        unsigned char code = 0;
    };

    const SCell* At(int row, int column) const {
        if (row < 0 || column < 0 || column >= m_columns || row >= RowCount())
            return nullptr;
        return &m_cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(m_columns) +
                        static_cast<std::size_t>(column)];
    }
    SCell* At(int row, int column) { return const_cast<SCell*>(std::as_const(*this).At(row, column)); }

    int m_columns;
    std::vector<SCell> m_cells;
};
