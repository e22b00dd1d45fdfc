#include "DSymbol.h"

#include "CCharTable.h"
#include "CResourceModuleGui.h"
#include "LatinSpelling.h"
#include "Modal.h"
#include "ResourceIds.h"
#include "SettingsGui.h"
#include "UnicodeText.h"

#include <QActionGroup>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QVBoxLayout>

#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const QColor kSequenceColour(0xA0, 0x50, 0x00);

// The 35 row pictures cut from bitmap 135. Images, not pixmaps: they outlive no application.
const std::vector<QImage>& RowImages() {
    static const std::vector<QImage> images = [] {
        std::vector<QImage> cut;
        const QImage strip = CurrentResources().Bitmap(kBmpCharRows);
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
    MarkKeySequences(table, list);
}

void MarkKeySequences(const CCharTable& table, QListWidget& list) {
    const int rows = std::min(list.count(), static_cast<int>(CCharTable::kLetterRows));
    for (int r = 0; r < rows; ++r) {
        QListWidgetItem* item = list.item(r);
        const std::vector<int> sequence = table.FirstKeyAsSequence(r);
        if (sequence.empty()) {
            item->setData(Qt::ForegroundRole, QVariant());
            item->setToolTip(QString());
            continue;
        }
        QStringList keys, letters;
        for (const int other : sequence) {
            keys << ToQString(table.m_keys[static_cast<std::size_t>(CCharTable::Index(other, 0))]);
            letters << QString(QChar(table.m_cyrLower[static_cast<std::size_t>(other)]));
        }
        item->setForeground(kSequenceColour);
        item->setToolTip(CurrentResources()
                             .String(kStrTipKeySequence)
                             .arg(ToQString(table.m_keys[static_cast<std::size_t>(CCharTable::Index(r, 0))]),
                                  keys.join(u" + "_s), letters.join(u" + "_s)));
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

DSymbol::DSymbol(CSettings& settings, QWidget* parent)
    : QWidget(parent), m_settings(settings), m_list(new QListWidget(this)) {
    m_list->setObjectName(QString::number(kListId));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setIconSize(QSize(kImageWidth, kImageHeight));
    m_list->setUniformItemSizes(true);
    m_list->setSpacing(0);
    // One click opens the line; the click itself is the only trigger.
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    if (const std::optional<QFont> font = ListFont(m_settings))
        m_list->setFont(*font);
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
    // A key that typed invisible characters would hide or reorder the text around it.
    if (const char32_t c = FirstInvisibleControl(text.toStdU16String())) {
        const QString code =
            QStringLiteral("U+") + QString::number(uint(c), 16).toUpper().rightJustified(4, u'0');
        Modal::MessageBox(this, window()->windowTitle(),
                          CurrentResources().String(kStrKeyInvisible).arg(code), QMessageBox::Warning,
                          QMessageBox::Ok);
        return;
    }
    item->setText(CutLabel(text));
    ReadKeyList(g_charTable, *m_list);
    MarkKeySequences(g_charTable, *m_list);
}

void DSymbol::contextMenuEvent(QContextMenuEvent* event) {
    const std::vector<SMenuItem> menus = CurrentResources().Menu(kMenuPopups);
    if (menus.empty())
        return;
    QMenu menu(this);
    const std::function<void(QMenu&, const std::vector<SMenuItem>&)> fill =
        [this, &fill](QMenu& into, const std::vector<SMenuItem>& items) {
            for (const SMenuItem& entry : items) {
                if (entry.separator) {
                    into.addSeparator();
                } else if (!entry.items.empty()) {
                    fill(*into.addMenu(entry.text), entry.items);
                } else if (entry.id < kCmdSpellingFirst || entry.id > kCmdSpellingLast) {
                    into.addAction(entry.text)->setData(entry.id);
                } else if (into.findChild<QActionGroup*>(QString(), Qt::FindDirectChildrenOnly) == nullptr) {
                    // The resource's spelling items only mark the place: the choices are the
                    // table's, named as everywhere else, one of several as radio items.
                    auto* group = new QActionGroup(&into);
                    for (const SLatinSchemeInfo& info : kLatinSchemes) {
                        QAction* action = into.addAction(CurrentResources().String(info.nameString));
                        action->setData(info.menuCommand);
                        action->setActionGroup(group);
                        action->setCheckable(true);
                        action->setChecked(int(info.scheme) == m_settings.latinSpelling.Value());
                    }
                }
            }
        };
    fill(menu, menus.front().items);
    const QAction* chosen = menu.exec(event->globalPos());
    if (chosen == nullptr)
        return;
    const int id = chosen->data().toInt();
    if (id == kCmdDefaultKeys)
        OnDefaultKeys();
    else if (id == kCmdListFont)
        OnListFont();
    for (const SLatinSchemeInfo& info : kLatinSchemes) {
        if (id == info.menuCommand)
            OnLatinSpelling(int(info.scheme));
    }
}

void DSymbol::OnLatinSpelling(int scheme) {
    StoreSpelling(m_settings.latinSpelling, scheme);
}

void DSymbol::OnDefaultKeys() {
    g_charTable.SetDefaultKeys();
    FillKeyList(g_charTable, *m_list);
}

void DSymbol::OnListFont() {
    std::optional<CLogFont>& logFont = m_settings.listLogFont;
    if (!logFont || !logFont->RunFontDialog(QApplication::activeWindow(), CLogFont::kFontCommandFlags))
        return;
    QFont font;
    if (!logFont->MakeFont(font, kListCharSet))
        return;
    m_list->setFont(font);
}
