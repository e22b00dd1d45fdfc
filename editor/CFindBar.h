// Find and Replace: a bar under the editor with the text to find, the replacement, "Match case"
// and "Whole word". Edit > Find (Ctrl+F) shows it for finding, Edit > Replace (Ctrl+H) with the
// replacement row, Edit > Find Next (F3) finds again; Esc hides it. While the In Russian mode is
// on, both fields turn typed keys into Cyrillic exactly as the editor does.
#pragma once

#include <QLineEdit>
#include <QTextDocument>
#include <QWidget>

class CLtView;
class QCheckBox;
class QLabel;
class QTimer;
class QPushButton;

// A line edit that types like the editor in the In Russian mode: the same rule, one edit (and
// one undo step) per key, the editor's typing sound.
class CTypingLineEdit : public QLineEdit {
    Q_OBJECT

public:
    CTypingLineEdit(CLtView* view, QWidget* parent) : QLineEdit(parent), m_view(view) {}

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    CLtView* m_view; // whose settings say which typing sound plays
};

class CFindBar : public QWidget {
    Q_OBJECT

public:
    explicit CFindBar(CLtView* view, QWidget* parent = nullptr);

    // Shows the bar with the selection (one line of it) as the text to find.
    void ShowFind(bool replace);
    // Selects the next match after the selection, from the top again at the end; false when the
    // text occurs nowhere.
    bool FindNext();
    // Replaces the selection when it is a match, then finds the next one.
    bool ReplaceNext();
    // Replaces every match as one undo step; the number replaced.
    int ReplaceAll();

    CTypingLineEdit* FindField() const { return m_editFind; }
    CTypingLineEdit* ReplaceField() const { return m_editReplace; }
    QCheckBox* MatchCase() const { return m_checkCase; }
    QCheckBox* WholeWord() const { return m_checkWord; }
    QLabel* Message() const { return m_labelMessage; }

    // Takes the texts of the current interface language.
    void Retranslate();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QTextDocument::FindFlags Flags() const;
    bool IsMatch(const QTextCursor& cursor) const;
    // Every match marked in the view while the bar is open (the first kMostMarked).
    void MarkMatches();
    static constexpr int kMostMarked = 2000;
    void ShowMessage(const QString& text);

    CLtView* m_view;
    CTypingLineEdit* m_editFind;
    CTypingLineEdit* m_editReplace;
    QLabel* m_labelFind;
    QLabel* m_labelReplace;
    QCheckBox* m_checkCase;
    QCheckBox* m_checkWord;
    QPushButton* m_buttonNext;
    QPushButton* m_buttonReplace;
    QPushButton* m_buttonReplaceAll;
    QPushButton* m_buttonClose;
    QLabel* m_labelMessage;
    QTimer* m_markTimer; // marks again a moment after the text or the search changes
};
