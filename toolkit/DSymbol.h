// The character list inside the Toolkit panel: one line per row of g_charTable, the row's letter
// as a picture and its keys as "a,b,c". A click opens a line for editing and the edited text
// becomes the row's keys at once; the context menu restores the built-in keys or changes the
// list's font. It is the only place where the user changes the keys.
#pragma once

#include <QStyledItemDelegate>
#include <QWidget>

class CCharTable;
class CSettings;
class QListWidget;

// Fills the list from the table: item r shows the picture of row r and the row label.
void FillKeyList(const CCharTable& table, QListWidget& list);
// Reads every item's text back into its row, then rebuilds the typed forms.
void ReadKeyList(CCharTable& table, const QListWidget& list);
// Marks the items whose first key other rows' first keys also spell (Latin written with it does
// not read back as the same letters): a coloured text and a tooltip naming the sequence.
void MarkKeySequences(const CCharTable& table, QListWidget& list);
// An edited label as it is accepted: at most three keys, so the text ends before a third comma.
QString CutLabel(const QString& text);

class DSymbol : public QWidget {
    Q_OBJECT

public:
    static constexpr int kListId = 1003;
    static constexpr int kImageWidth = 32;
    static constexpr int kImageHeight = 17;

    explicit DSymbol(CSettings& settings, QWidget* parent = nullptr);

    QListWidget* List() const { return m_list; }

    void OnDefaultKeys();
    void OnListFont();
    // The "Latin spelling" choice of the context menu: set and stored at once.
    void OnLatinSpelling(int scheme);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void OnEndLabelEdit(int row, const QString& text);

    CSettings& m_settings;
    QListWidget* m_list;
};

// Ends a label edit the way the list wants it: the text goes to the list's owner, which decides
// what the item shows. Esc never reaches here, so a cancelled edit changes nothing.
class CLabelDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

signals:
    void LabelEdited(int row, const QString& text) const;
};
