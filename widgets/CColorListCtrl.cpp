#include "CColorListCtrl.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>

#include <algorithm>

namespace {

// Codes without an entry of their own (9, 11 and everything above 19) are dark green.
constexpr QRgb kDarkGreen = qRgb(0, 128, 0);
constexpr QRgb kCodeColors[20] = {
    qRgb(0, 0, 0),       qRgb(0, 0, 255),     qRgb(0, 255, 0),     qRgb(0, 255, 255),   qRgb(255, 0, 0),
    qRgb(255, 0, 255),   qRgb(255, 255, 0),   qRgb(255, 255, 255), qRgb(0, 0, 128),     kDarkGreen,
    qRgb(0, 128, 128),   kDarkGreen,          qRgb(128, 0, 0),     qRgb(128, 0, 128),   qRgb(128, 128, 0),
    qRgb(128, 128, 128), qRgb(192, 192, 192), qRgb(166, 202, 240), qRgb(255, 251, 240), qRgb(160, 160, 164)};

} // namespace

// Gives each cell its row background and the text colour of its code.
class CColorListCtrl::CCellDelegate : public QStyledItemDelegate {
public:
    explicit CCellDelegate(CColorListCtrl* list) : QStyledItemDelegate(list), m_list(list) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->backgroundBrush = m_list->RowColor(index.row());
        if (m_list->HasCellColors()) {
            const QColor text = ColorFromCode(m_list->GetCellColor(index.row(), index.column()));
            option->palette.setColor(QPalette::All, QPalette::Text, text);
        }
    }

private:
    CColorListCtrl* m_list;
};

CColorListCtrl::CColorListCtrl(QWidget* parent) : QTableWidget(parent) {
    setItemDelegate(new CCellDelegate(this));
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setSectionsClickable(false);

    // The selection stays visible when the list loses the focus, and the area below the last
    // row shows the odd-row grey.
    QPalette colours = palette();
    colours.setColor(QPalette::Inactive, QPalette::Highlight,
                     colours.color(QPalette::Active, QPalette::Highlight));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Active, QPalette::HighlightedText));
    colours.setColor(QPalette::Base, m_crOddRow);
    setPalette(colours);
}

CColorListCtrl::~CColorListCtrl() = default;

void CColorListCtrl::InitCellColors(int columns) {
    if (m_pCellColors.empty() && columns > 0) {
        m_nColorColumns = columns;
        m_pCellColors.resize(static_cast<std::size_t>(kMaxColorRows) * static_cast<std::size_t>(columns));
    }
    std::fill(m_pCellColors.begin(), m_pCellColors.end(), 0);
    viewport()->update();
}

void CColorListCtrl::SetCellColor(int row, int column, int code) {
    if (m_pCellColors.empty() || row < 0 || row >= kMaxColorRows || column < 0 || column >= m_nColorColumns)
        return;
    m_pCellColors[static_cast<std::size_t>(row) * static_cast<std::size_t>(m_nColorColumns) +
                  static_cast<std::size_t>(column)] = static_cast<unsigned char>(code);
    if (row < rowCount())
        viewport()->update(visualRect(model()->index(row, 0)).adjusted(0, 0, viewport()->width(), 0));
}

int CColorListCtrl::GetCellColor(int row, int column) const {
    if (m_pCellColors.empty() || row < 0 || row >= kMaxColorRows || column < 0 || column >= m_nColorColumns)
        return 0;
    return m_pCellColors[static_cast<std::size_t>(row) * static_cast<std::size_t>(m_nColorColumns) +
                         static_cast<std::size_t>(column)];
}

QColor CColorListCtrl::ColorFromCode(int code) {
    return QColor(code >= 0 && code < 20 ? kCodeColors[code] : kDarkGreen);
}

void CColorListCtrl::SetAlternateRows(bool alternate) {
    m_bAlternateRows = alternate;
    viewport()->update();
}

void CColorListCtrl::InsertColumn(int column, const QString& header, int width) {
    column = std::clamp(column, 0, columnCount());
    insertColumn(column);
    auto* item = new QTableWidgetItem(header);
    item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setHorizontalHeaderItem(column, item);
    // A zero width hides the column, as a list column of no width does.
    setColumnHidden(column, width <= 0);
    if (width > 0)
        setColumnWidth(column, width);
}

void CColorListCtrl::SetImageList(const std::vector<QIcon>& images) {
    m_images = images;
}

int CColorListCtrl::InsertItem(int row, const QString& text, int image) {
    row = std::clamp(row, 0, rowCount());
    insertRow(row);
    auto* item = new QTableWidgetItem(text);
    if (image >= 0 && image < static_cast<int>(m_images.size()))
        item->setIcon(m_images[static_cast<std::size_t>(image)]);
    setItem(row, 0, item);
    return row;
}

void CColorListCtrl::SetItemText(int row, int column, const QString& text) {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return;
    if (QTableWidgetItem* cell = item(row, column))
        cell->setText(text);
    else
        setItem(row, column, new QTableWidgetItem(text));
}

QString CColorListCtrl::GetItemText(int row, int column) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell ? cell->text() : QString();
}

void CColorListCtrl::DeleteAllItems() {
    const CBulkChange bulk(*this);
    setRowCount(0);
}

int CColorListCtrl::GetSelectedRow() const {
    const QModelIndexList cells = selectionModel()->selectedIndexes();
    return cells.isEmpty() ? -1 : cells.first().row();
}

CColorListCtrl::CBulkChange::CBulkChange(CColorListCtrl& list) : m_list(list) {
    if (m_list.m_bulkDepth++ > 0)
        return;
    m_list.m_updatesBeforeBulk = m_list.updatesEnabled();
    m_list.setUpdatesEnabled(false);
    QHeaderView* header = m_list.horizontalHeader();
    m_list.m_fittedColumns.clear();
    for (int column = 0; column < header->count(); ++column) {
        if (header->sectionResizeMode(column) == QHeaderView::ResizeToContents) {
            m_list.m_fittedColumns.push_back(column);
            header->setSectionResizeMode(column, QHeaderView::Fixed);
        }
    }
}

CColorListCtrl::CBulkChange::~CBulkChange() {
    if (--m_list.m_bulkDepth > 0)
        return;
    QHeaderView* header = m_list.horizontalHeader();
    for (const int column : m_list.m_fittedColumns)
        header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    m_list.m_fittedColumns.clear();
    // Measured now, not on the next pass of the event loop: the caller may read the widths.
    QMetaObject::invokeMethod(header, "resizeSections", Qt::DirectConnection);
    m_list.setUpdatesEnabled(m_list.m_updatesBeforeBulk);
}

void CColorListCtrl::paintEvent(QPaintEvent* event) {
    {
        // Each row's background runs across the whole width, also right of the last column;
        // below the last row the odd-row grey shows.
        QPainter painter(viewport());
        const QRect area = viewport()->rect();
        painter.fillRect(area, m_crOddRow);
        const int first = rowAt(area.top());
        if (first >= 0) {
            for (int row = first; row < rowCount(); ++row) {
                const int top = rowViewportPosition(row);
                if (top > area.bottom())
                    break;
                painter.fillRect(QRect(0, top, area.width(), rowHeight(row)), RowColor(row));
            }
        }
    }
    QTableWidget::paintEvent(event);
}
