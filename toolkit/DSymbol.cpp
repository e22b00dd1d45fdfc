#include "DSymbol.h"

#include "CCharTable.h"
#include "CResourceModule.h"
#include "Settings.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QVBoxLayout>

#include <vector>

namespace {

constexpr int kCmdDefaultKeys = 32786;
constexpr int kCmdListFont = 32787;

// The 35 row pictures cut from bitmap 135. Images, not pixmaps: they outlive no application.
const std::vector<QImage>& RowImages() {
    static const std::vector<QImage> images = [] {
        std::vector<QImage> cut;
        const QImage strip = CurrentResources().Bitmap(135);
        for (int r = 0; r < CCharTable::kRows; ++r) {
            QImage cell(DSymbol::kImageWidth, DSymbol::kImageHeight, QImage::Format_RGB32);
            cell.fill(Qt::white);
            if (!strip.isNull())
                cell = strip.copy(r * DSymbol::kImageWidth, 0, DSymbol::kImageWidth, DSymbol::kImageHeight)
                           .convertToFormat(QImage::Format_RGB32);
            cut.push_back(cell);
        }
        return cut;
    }();
    return images;
}

QString ToQString(const std::u16string& text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

void FillKeyList(const CCharTable& table, QListWidget& list) {
    list.clear();
    const std::vector<QImage>& images = RowImages();
    for (int r = 0; r < CCharTable::kRows; ++r) {
        auto* item = new QListWidgetItem(ToQString(table.RowLabel(r)));
        item->setData(Qt::DecorationRole, images[static_cast<std::size_t>(r)]);
        item->setFlags(item->flags() | Qt::ItemIsEditable);
        list.addItem(item);
    }
}

void ReadKeyList(CCharTable& table, const QListWidget& list) {
    const int rows = std::min(list.count(), static_cast<int>(CCharTable::kRows));
    for (int i = 0; i < rows; ++i)
        table.ReadRowLabel(i, list.item(i)->text().toStdU16String());
    table.BuildTypedForms();
}

QString CutLabel(const QString& text) {
    const qsizetype first = text.indexOf(u',');
    if (first < 0)
        return text;
    const qsizetype second = text.indexOf(u',', first + 1);
    if (second < 0)
        return text;
    const qsizetype third = text.indexOf(u',', second + 1);
    return third < 0 ? text : text.left(third);
}

void CLabelDelegate::setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const {
    if (const auto* line = qobject_cast<QLineEdit*>(editor))
        emit LabelEdited(index.row(), line->text());
}

DSymbol::DSymbol(QWidget* parent) : QWidget(parent), m_list(new QListWidget(this)) {
    m_list->setObjectName(QString::number(kListId));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setIconSize(QSize(kImageWidth, kImageHeight));
    m_list->setUniformItemSizes(true);
    m_list->setSpacing(0);
    // One click opens the line; the click itself is the only trigger.
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    if (g_listFont)
        m_list->setFont(*g_listFont);
    auto* delegate = new CLabelDelegate(m_list);
    m_list->setItemDelegate(delegate);
    connect(delegate, &CLabelDelegate::LabelEdited, this, &DSymbol::OnEndLabelEdit);
    connect(m_list, &QListWidget::clicked, m_list, [this](const QModelIndex& index) { m_list->edit(index); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list);

    // Filling, reading back and filling again shows the keys the way the list can hold them (a key
    // behind an empty slot is dropped) and leaves the table agreeing with the list.
    FillKeyList(g_charTable, *m_list);
    ReadKeyList(g_charTable, *m_list);
    FillKeyList(g_charTable, *m_list);
}

void DSymbol::OnEndLabelEdit(int row, const QString& text) {
    QListWidgetItem* item = m_list->item(row);
    if (item == nullptr)
        return;
    item->setText(CutLabel(text));
    ReadKeyList(g_charTable, *m_list);
}

void DSymbol::contextMenuEvent(QContextMenuEvent* event) {
    const std::vector<SMenuItem> menus = CurrentResources().Menu(139);
    if (menus.empty())
        return;
    QMenu menu(this);
    for (const SMenuItem& entry : menus.front().items) {
        if (entry.separator) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(entry.text);
        action->setData(entry.id);
    }
    const QAction* chosen = menu.exec(event->globalPos());
    if (chosen == nullptr)
        return;
    if (chosen->data().toInt() == kCmdDefaultKeys)
        OnDefaultKeys();
    else if (chosen->data().toInt() == kCmdListFont)
        OnListFont();
}

void DSymbol::OnDefaultKeys() {
    g_charTable.SetDefaultKeys();
    FillKeyList(g_charTable, *m_list);
}

void DSymbol::OnListFont() {
    if (!g_listLogFont ||
        !g_listLogFont->RunFontDialog(QApplication::activeWindow(), CLogFont::kFontCommandFlags))
        return;
    g_listFont = std::make_unique<QFont>();
    if (!g_listLogFont->MakeFont(*g_listFont, kListCharSet))
        return;
    m_list->setFont(*g_listFont);
}
