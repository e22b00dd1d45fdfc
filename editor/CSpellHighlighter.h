// The red wavy underline under misspelt words of the editor. Only blocks near the visible part of
// the text are checked; the others are left unmarked until they are scrolled to, so that neither
// opening a large file nor typing in it waits for the dictionary.
#pragma once

#include <QSyntaxHighlighter>
#include <QTextCursor>

class CSpellChecker;
class QPlainTextEdit;
class QTimer;

class CSpellHighlighter : public QSyntaxHighlighter {
    Q_OBJECT

public:
    // Blocks this many before and after the visible ones are checked too.
    static constexpr int kMargin = 40;

    CSpellHighlighter(CSpellChecker& checker, QPlainTextEdit* view);

    void SetEnabled(bool on);
    bool IsEnabled() const { return m_bEnabled; }
    // The word [start, end) of the block text that holds `position` (of the document), when it is
    // one the checker looks at; false otherwise.
    static bool WordAt(const QTextBlock& block, int position, int& start, int& end);

protected:
    void highlightBlock(const QString& text) override;

private:
    bool IsNearView(const QTextBlock& block) const;
    // Checks the blocks come into view that were passed over while far from it.
    void CheckVisible();
    // The word just typed, left unmarked until the caret leaves it, is checked then.
    void OnCaretMoved();

    CSpellChecker& m_checker;
    QPlainTextEdit* m_view;
    QTimer* m_visibleTimer;
    bool m_bEnabled = false;
    QTextCursor m_typed; // at the end of the word left unmarked (the caret then), or null
};
