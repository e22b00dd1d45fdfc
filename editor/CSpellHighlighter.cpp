#include "CSpellHighlighter.h"

#include "CLtDoc.h"
#include "CLtView.h"
#include "CSpellChecker.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>

namespace {

// Marks the block as checked (or passed over while far from the view).
struct SChecked : QTextBlockUserData {
    bool checked = false;
};

bool IsWordChar(QChar ch) {
    return ch.isLetterOrNumber() || ch.isMark();
}

bool IsJoiner(QChar ch) {
    return ch == u'-' || ch == u'\'' || ch == u'\u2019';
}

// Calls found(start, end) for every word of the text: letters, digits and marks, joined by a
// hyphen or an apostrophe between two of them.
template <typename F> void ForEachWord(const QString& text, F found) {
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        if (!IsWordChar(text[i])) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        while (i < n && (IsWordChar(text[i]) || (IsJoiner(text[i]) && i + 1 < n && IsWordChar(text[i + 1]))))
            ++i;
        if (!found(start, i))
            return;
    }
}

// A word touching the cut between two pieces of a long line is only part of a word.
bool CutAtSeam(const QTextBlock& block, qsizetype start, qsizetype end, qsizetype length) {
    return (start == 0 && CLtDoc::IsContinuation(block)) ||
           (end == length && block.next().isValid() && CLtDoc::IsContinuation(block.next()));
}

} // namespace

CSpellHighlighter::CSpellHighlighter(CSpellChecker& checker, QPlainTextEdit* view)
    : QSyntaxHighlighter(static_cast<QObject*>(view)), m_checker(checker), m_view(view),
      m_visibleTimer(new QTimer(this)) {
    // The view's child, not its document's: the view may be given another document.
    setDocument(view->document());
    m_visibleTimer->setSingleShot(true);
    m_visibleTimer->setInterval(20);
    connect(m_visibleTimer, &QTimer::timeout, this, &CSpellHighlighter::CheckVisible);
    // Scrolling, resizing and edits all repaint the view.
    connect(view, &QPlainTextEdit::updateRequest, this, [this] {
        if (m_bEnabled && !m_visibleTimer->isActive())
            m_visibleTimer->start();
    });
    connect(view, &QPlainTextEdit::cursorPositionChanged, this, &CSpellHighlighter::OnCaretMoved);
    connect(&checker, &CSpellChecker::WordsChanged, this, [this] {
        if (m_bEnabled)
            rehighlight();
    });
}

void CSpellHighlighter::SetEnabled(bool on) {
    if (on == m_bEnabled)
        return;
    m_bEnabled = on;
    rehighlight();
}

bool CSpellHighlighter::IsNearView(const QTextBlock& block) const {
    const QTextDocument* doc = block.document();
    // The scroll bar counts lines (blocks when not wrapping), as the view scrolls.
    const int first = doc->findBlockByLineNumber(m_view->verticalScrollBar()->value()).blockNumber();
    const int lines = m_view->viewport()->height() / std::max(1, m_view->fontMetrics().lineSpacing()) + 1;
    const int number = block.blockNumber();
    return number >= first - kMargin && number <= first + lines + kMargin;
}

void CSpellHighlighter::highlightBlock(const QString& text) {
    auto* data = static_cast<SChecked*>(currentBlockUserData());
    if (data == nullptr) {
        data = new SChecked;
        setCurrentBlockUserData(data);
    }
    data->checked = false;
    if (!m_bEnabled)
        return;
    const QTextBlock block = currentBlock();
    // A piece is marked a continuation only after its text is in: the piece before may have been
    // checked with the cut word as a whole one.
    if (const QTextBlock before = block.previous(); before.isValid() && CLtDoc::IsContinuation(block)) {
        if (auto* beforeData = static_cast<SChecked*>(before.userData()); beforeData && beforeData->checked) {
            beforeData->checked = false;
            m_visibleTimer->start();
        }
    }
    if (!IsNearView(block))
        return;
    data->checked = true;
    QTextCharFormat mark;
    mark.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
    mark.setUnderlineColor(Qt::red);
    // A word still being typed is not wrong yet.
    const QTextCursor caret = m_view->textCursor();
    const qsizetype typing = !caret.hasSelection() && caret.block() == block ? caret.positionInBlock() : -1;
    ForEachWord(text, [&](qsizetype start, qsizetype end) {
        const QString word = text.mid(start, end - start);
        if (CSpellChecker::ScriptOf(word) == CSpellChecker::EScript::kNone ||
            CutAtSeam(block, start, end, text.size()))
            return true;
        if (end == typing) {
            m_typed = caret;
            return true;
        }
        if (!m_checker.IsCorrect(word))
            setFormat(static_cast<int>(start), static_cast<int>(end - start), mark);
        return true;
    });
}

void CSpellHighlighter::OnCaretMoved() {
    if (m_typed.isNull() || m_typed.document() != document())
        return;
    const QTextCursor caret = m_view->textCursor();
    if (caret.position() == m_typed.position() && !caret.hasSelection())
        return;
    const QTextBlock block = m_typed.block();
    m_typed = QTextCursor();
    rehighlightBlock(block);
}

void CSpellHighlighter::CheckVisible() {
    if (!m_bEnabled || document() == nullptr)
        return;
    const QTextDocument* doc = document();
    const int first = doc->findBlockByLineNumber(m_view->verticalScrollBar()->value()).blockNumber();
    const int lines = m_view->viewport()->height() / std::max(1, m_view->fontMetrics().lineSpacing()) + 1;
    QTextBlock block = doc->findBlockByNumber(std::max(0, first - kMargin));
    for (int n = 0; block.isValid() && n <= lines + 2 * kMargin; ++n, block = block.next()) {
        const auto* data = static_cast<const SChecked*>(block.userData());
        if (data == nullptr || !data->checked)
            rehighlightBlock(block);
    }
}

bool CSpellHighlighter::WordAt(const QTextBlock& block, int position, int& start, int& end) {
    const QString text = block.text();
    const qsizetype at = position - block.position();
    bool found = false;
    ForEachWord(text, [&](qsizetype from, qsizetype to) {
        if (at < from)
            return false;
        if (at <= to &&
            CSpellChecker::ScriptOf(QStringView(text).mid(from, to - from)) !=
                CSpellChecker::EScript::kNone &&
            !CutAtSeam(block, from, to, text.size())) {
            start = block.position() + static_cast<int>(from);
            end = block.position() + static_cast<int>(to);
            found = true;
            return false;
        }
        return true;
    });
    return found;
}
