#include "CFindBar.h"

#include "CLtDoc.h"
#include "CLtView.h"
#include "ResourceIds.h"
#include "Settings.h"
#include "Sound.h"

#include "CResourceModule.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTextBlock>
#include <QTimer>

void CTypingLineEdit::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers();
    const QString typed = event->text();
    const bool isCharacter = !typed.isEmpty() && typed[0].isPrint() &&
                             (mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) == 0;
    // As in the editor, Alt with a letter that no menu takes types nothing.
    if ((mods & Qt::AltModifier) != 0 && (mods & Qt::ControlModifier) == 0 && !typed.isEmpty() &&
        typed[0].isPrint()) {
        event->accept();
        return;
    }
    if (!isCharacter || !g_inRussian || typed.size() != 1 || typed[0].isSurrogate()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    // The key goes in converted, over the selection if there is one: one edit, as in the editor.
    PlaySoundCode(m_view->Settings().beep.Value());
    const int caret = hasSelectedText() ? selectionStart() : cursorPosition();
    const int end = hasSelectedText() ? selectionEnd() : caret;
    const QString current = text();
    const STypedLetter letter = LetterOfKey([&current](int i) { return current[i]; }, caret, typed[0]);
    const int from = letter.converts ? letter.from : caret;
    setSelection(from, end - from);
    insert(QString(letter.converts ? letter.letter : typed[0]));
    event->accept();
}

CFindBar::CFindBar(CLtView* view, QWidget* parent)
    : QWidget(parent), m_view(view), m_editFind(new CTypingLineEdit(view, this)),
      m_editReplace(new CTypingLineEdit(view, this)), m_labelFind(new QLabel(this)),
      m_labelReplace(new QLabel(this)), m_checkCase(new QCheckBox(this)), m_checkWord(new QCheckBox(this)),
      m_buttonNext(new QPushButton(this)), m_buttonReplace(new QPushButton(this)),
      m_buttonReplaceAll(new QPushButton(this)), m_buttonClose(new QPushButton(this)),
      m_labelMessage(new QLabel(this)), m_markTimer(new QTimer(this)) {
    setObjectName(QStringLiteral("FindBar"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->addWidget(m_labelFind, 0, 0);
    grid->addWidget(m_editFind, 0, 1);
    grid->addWidget(m_buttonNext, 0, 2);
    grid->addWidget(m_checkCase, 0, 3);
    grid->addWidget(m_checkWord, 0, 4);
    grid->addWidget(m_labelMessage, 0, 5);
    grid->addWidget(m_buttonClose, 0, 6);
    grid->addWidget(m_labelReplace, 1, 0);
    grid->addWidget(m_editReplace, 1, 1);
    grid->addWidget(m_buttonReplace, 1, 2);
    grid->addWidget(m_buttonReplaceAll, 1, 3, 1, 2, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(5, 1);
    m_labelFind->setBuddy(m_editFind);
    m_labelReplace->setBuddy(m_editReplace);
    m_buttonClose->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    m_buttonClose->setFlat(true);
    for (QPushButton* button : {m_buttonNext, m_buttonReplace, m_buttonReplaceAll, m_buttonClose})
        button->setAutoDefault(false);

    connect(m_editFind, &QLineEdit::returnPressed, this, &CFindBar::FindNext);
    connect(m_editReplace, &QLineEdit::returnPressed, this, &CFindBar::ReplaceNext);
    connect(m_buttonNext, &QPushButton::clicked, this, &CFindBar::FindNext);
    connect(m_buttonReplace, &QPushButton::clicked, this, &CFindBar::ReplaceNext);
    connect(m_buttonReplaceAll, &QPushButton::clicked, this, &CFindBar::ReplaceAll);
    connect(m_buttonClose, &QPushButton::clicked, this, [this] {
        hide();
        m_view->setFocus();
    });
    connect(m_editFind, &QLineEdit::textEdited, this, [this] { m_labelMessage->clear(); });
    m_markTimer->setSingleShot(true);
    m_markTimer->setInterval(150);
    connect(m_markTimer, &QTimer::timeout, this, &CFindBar::MarkMatches);
    const auto markSoon = [this] { m_markTimer->start(); };
    connect(m_editFind, &QLineEdit::textChanged, this, markSoon);
    connect(m_checkCase, &QCheckBox::toggled, this, markSoon);
    connect(m_checkWord, &QCheckBox::toggled, this, markSoon);
    // The view's own signal: it follows whichever document the view shows.
    connect(m_view, &QPlainTextEdit::textChanged, this, [this, markSoon] {
        if (isVisible())
            markSoon();
    });
    Retranslate();
    hide();
}

void CFindBar::Retranslate() {
    const CResourceModule& res = CurrentResources();
    m_labelFind->setText(res.String(kStrFindLabel));
    m_labelReplace->setText(res.String(kStrReplaceLabel));
    m_checkCase->setText(res.String(kStrMatchCase));
    m_checkWord->setText(res.String(kStrWholeWord));
    m_buttonNext->setText(res.String(kStrFindNext));
    m_buttonReplace->setText(res.String(kStrReplace));
    m_buttonReplaceAll->setText(res.String(kStrReplaceAll));
    m_buttonClose->setToolTip(res.String(kStrCloseBar));
}

void CFindBar::ShowFind(bool replace) {
    Retranslate(); // the interface language may have changed since the bar was last shown
    const QString selected = m_view->textCursor().selectedText();
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator))
        m_editFind->setText(selected);
    for (QWidget* widget :
         {static_cast<QWidget*>(m_labelReplace), static_cast<QWidget*>(m_editReplace),
          static_cast<QWidget*>(m_buttonReplace), static_cast<QWidget*>(m_buttonReplaceAll)})
        widget->setVisible(replace);
    m_labelMessage->clear();
    show();
    m_markTimer->start();
    m_editFind->setFocus();
    m_editFind->selectAll();
}

QTextDocument::FindFlags CFindBar::Flags() const {
    QTextDocument::FindFlags flags;
    if (m_checkCase->isChecked())
        flags |= QTextDocument::FindCaseSensitively;
    if (m_checkWord->isChecked())
        flags |= QTextDocument::FindWholeWords;
    return flags;
}

void CFindBar::ShowMessage(const QString& text) {
    m_labelMessage->setText(text);
}

bool CFindBar::FindNext() {
    const QString what = m_editFind->text();
    if (what.isEmpty()) {
        ShowFind(m_editReplace->isVisible());
        return false;
    }
    QTextDocument* doc = m_view->document();
    QTextCursor found = CLtDoc::Find(doc, what, m_view->textCursor().selectionEnd(), Flags());
    const bool wrapped = found.isNull();
    if (wrapped)
        found = CLtDoc::Find(doc, what, 0, Flags()); // from the top again
    if (found.isNull()) {
        ShowMessage(CurrentResources().String(kStrNotFound).arg(what));
        if (m_view->Settings().beep.Value() != 0)
            QApplication::beep();
        return false;
    }
    // Never a silent jump back: the user learns the search went round.
    if (wrapped)
        ShowMessage(CurrentResources().String(kStrFindWrapped));
    else
        m_labelMessage->clear();
    m_view->setTextCursor(found);
    m_view->ensureCursorVisible();
    return true;
}

void CFindBar::hideEvent(QHideEvent* event) {
    m_markTimer->stop();
    m_view->setExtraSelections({});
    QWidget::hideEvent(event);
}

void CFindBar::MarkMatches() {
    QList<QTextEdit::ExtraSelection> marks;
    const QString what = m_editFind->text();
    if (isVisible() && !what.isEmpty()) {
        QTextEdit::ExtraSelection mark;
        mark.format.setBackground(QColor(255, 226, 110));
        for (QTextCursor found = CLtDoc::Find(m_view->document(), what, 0, Flags());
             !found.isNull() && marks.size() < kMostMarked;
             found = CLtDoc::Find(m_view->document(), what, found.selectionEnd(), Flags())) {
            mark.cursor = found;
            marks << mark;
        }
    }
    m_view->setExtraSelections(marks);
}

bool CFindBar::IsMatch(const QTextCursor& cursor) const {
    if (!cursor.hasSelection())
        return false;
    // Searching from the selection's start finds the selection itself when it is a match.
    const QTextCursor found =
        CLtDoc::Find(m_view->document(), m_editFind->text(), cursor.selectionStart(), Flags());
    return !found.isNull() && found.selectionStart() == cursor.selectionStart() &&
           found.selectionEnd() == cursor.selectionEnd();
}

bool CFindBar::ReplaceNext() {
    if (m_editFind->text().isEmpty())
        return FindNext();
    QTextCursor cursor = m_view->textCursor();
    if (IsMatch(cursor)) {
        cursor.insertText(m_editReplace->text());
        m_view->setTextCursor(cursor);
    }
    return FindNext();
}

int CFindBar::ReplaceAll() {
    const QString what = m_editFind->text();
    if (what.isEmpty())
        return 0;
    QTextDocument* doc = m_view->document();
    QTextCursor edit(doc);
    edit.beginEditBlock();
    int count = 0;
    for (QTextCursor found = CLtDoc::Find(doc, what, 0, Flags()); !found.isNull();
         found = CLtDoc::Find(doc, what, found.selectionEnd(), Flags())) {
        found.insertText(m_editReplace->text());
        ++count;
    }
    edit.endEditBlock();
    ShowMessage(CurrentResources().String(kStrReplacedCount).arg(count));
    return count;
}

void CFindBar::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        hide();
        m_view->setFocus();
        return;
    }
    QWidget::keyPressEvent(event);
}
