#include "CLtView.h"

#include "CCharTable.h"
#include "CLtDoc.h"
#include "CPrintRenderer.h"
#include "CSpellChecker.h"
#include "CSpellHighlighter.h"
#include "CTypingConverter.h"
#include "CodePage.h"
#include "LtMessageBox.h"
#include "Mojibake.h"
#include "ResourceIds.h"
#include "Settings.h"
#include "Sound.h"
#include "TextEncoding.h"
#include "Utf8.h"

#include "CResourceModule.h"
#include "Modal.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

bool g_inRussian = true;

namespace {

constexpr char kMime1251[] = "text/plain;charset=windows-1251";
constexpr char16_t kSeparators[] = u" !()?.,:;\n\t";

// One printer for the whole program, so that Print Setup's choices hold for the next Print.
QPrinter& Printer() {
    static QPrinter* printer = new QPrinter(QPrinter::HighResolution);
    return *printer;
}

// QTextDocument keeps line breaks as paragraph separators; the conversions see line feeds.
std::u16string FromSelection(const QString& selected) {
    QString text = selected;
    text.replace(QChar::ParagraphSeparator, u'\n');
    return text.toStdU16String();
}

// The text another program put on the clipboard as 8-bit Cyrillic bytes, decoded; false when
// the clipboard holds nothing to repair and the ordinary paste applies.
bool RepairedClipboardText(const QMimeData* source, QString& text) {
    if (source == nullptr)
        return false;
    if (source->hasFormat(QString::fromLatin1(kMime1251))) {
        const QByteArray bytes = source->data(QString::fromLatin1(kMime1251));
        const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
        text = QString::fromStdU16String(
            DecodeWithCodePage(kCodePage1251, data, std::strlen(bytes.constData())));
        return true;
    }
    // A program that offers Unicode text has said what its text is.
    if (source->hasFormat(QStringLiteral("text/plain;charset=utf-8")))
        return false;
    QByteArray bytes;
    if (source->hasFormat(QStringLiteral("text/plain"))) {
        bytes = source->data(QStringLiteral("text/plain"));
        bytes.truncate(static_cast<qsizetype>(std::strlen(bytes.constData())));
    }
    // An X11 STRING may arrive as Latin-1 text: its characters are the bytes another program put.
    const QString asText = IsValidUtf8(reinterpret_cast<const unsigned char*>(bytes.constData()),
                                       static_cast<std::size_t>(bytes.size()))
                               ? QString::fromUtf8(bytes)
                               : QString();
    if (!asText.isEmpty()) {
        // Text: only 8-bit Cyrillic read as Latin-1 needs repair, and only then is it changed.
        if (std::any_of(asText.cbegin(), asText.cend(), [](QChar ch) { return ch.unicode() > 0xFF; }))
            return false;
        const std::u16string original = asText.toStdU16String();
        const std::u16string repaired = RepairMojibake(original);
        text = QString::fromStdU16String(repaired);
        return repaired != original;
    }
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const std::size_t n = static_cast<std::size_t>(bytes.size());
    // The one reading rule: UTF-8 is what programs here put on the clipboard; only other bytes
    // may be 8-bit Cyrillic.
    const STextFormat format = ChooseTextFormat(data, n);
    if (n == 0 || IsUnicodeEncoding(format.encoding) || format.encoding == ETextEncoding::kCp1252)
        return false;
    text = QString::fromStdU16String(DecodeText(data, n, format));
    return true;
}

} // namespace

CLtView::CLtView(CSettings& settings, QWidget* parent)
    : QPlainTextEdit(parent), m_settings(settings), m_menuContext(new QMenu(this)) {
    setFrameShape(QFrame::NoFrame);
    // A new view starts from the stored choices; the frame stores them again when it closes.
    m_settings.wrapText.Load();
    m_settings.autoClip.Load();
    m_settings.tabStops.Load();
    m_settings.checkSpelling.Load();
    ApplyWordWrap();
    UpdateBackground();
    connect(&m_settings, &CSettings::Changed, this, &CLtView::OnSettingChanged);
    // After the window shows: the dictionaries take a moment to read.
    QTimer::singleShot(0, this, &CLtView::ApplySpelling);
}

CLtView::~CLtView() = default;

bool CLtView::IsGrey() const {
    return g_inRussian ? m_settings.blueRus.Value() != 0 : m_settings.blueOrig.Value() != 0;
}

void CLtView::UpdateBackground() {
    QPalette pal = palette();
    const QColor normal = QApplication::palette(this).color(QPalette::Base);
    pal.setColor(QPalette::Base, IsGrey() ? m_crGray : normal);
    setPalette(pal);
    viewport()->update();
}

void CLtView::OnSettingChanged(const QString& name) {
    if (name == QLatin1StringView(m_settings.wrapText.Name()))
        ApplyWordWrap();
    else if (name == QLatin1StringView(m_settings.tabStops.Name()))
        ApplyTabStops();
    else if (name == QLatin1StringView(m_settings.blueRus.Name()) ||
             name == QLatin1StringView(m_settings.blueOrig.Name()))
        UpdateBackground();
    else if (name == QLatin1StringView(m_settings.checkSpelling.Name()))
        ApplySpelling();
}

bool CLtView::IsSpellingOn() const {
    const int value = m_settings.checkSpelling.Value();
    return value < 0 ? CSpellChecker::Shared().HasDictionary() : value != 0;
}

void CLtView::ToggleSpelling() {
    m_settings.checkSpelling.Set(IsSpellingOn() ? 0 : 1);
}

void CLtView::ApplySpelling() {
    const bool on = IsSpellingOn();
    if (m_spell == nullptr && !on)
        return;
    if (m_spell == nullptr)
        m_spell = new CSpellHighlighter(CSpellChecker::Shared(), this);
    m_spell->SetEnabled(on);
}

void CLtView::setDocument(QTextDocument* document) {
    QPlainTextEdit::setDocument(document);
    if (m_spell != nullptr)
        m_spell->setDocument(document);
}

bool CLtView::AddSpellingActions(QMenu* menu, int position) {
    int start = 0, end = 0;
    if (m_spell == nullptr || !m_spell->IsEnabled() ||
        !CSpellHighlighter::WordAt(document()->findBlock(position), position, start, end))
        return false;
    CSpellChecker& checker = CSpellChecker::Shared();
    QTextCursor cursor(document());
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    const QString word = cursor.selectedText();
    if (checker.IsCorrect(word))
        return false;
    const CResourceModule& texts = CurrentResources();
    const QStringList suggestions = checker.Suggestions(word);
    for (const QString& suggestion : suggestions) {
        QAction* action = menu->addAction(suggestion);
        QFont bold = action->font();
        bold.setBold(true);
        action->setFont(bold);
        connect(action, &QAction::triggered, this, [this, cursor, suggestion]() mutable {
            // One undo step, even if the word changed length.
            cursor.beginEditBlock();
            cursor.insertText(suggestion);
            cursor.endEditBlock();
            setTextCursor(cursor);
        });
    }
    if (suggestions.isEmpty())
        menu->addAction(texts.String(kStrSpellNoSuggestions))->setEnabled(false);
    menu->addSeparator();
    connect(menu->addAction(texts.String(kStrSpellAddToDictionary)), &QAction::triggered, this, [this, word] {
        QString error;
        if (!CSpellChecker::Shared().AddToDictionary(word, &error))
            LtMessageBox(this, CurrentResources().String(kStrSpellAddFailed).arg(word, error),
                         QMessageBox::Warning);
    });
    connect(menu->addAction(texts.String(kStrSpellIgnore)), &QAction::triggered, this,
            [word] { CSpellChecker::Shared().Ignore(word); });
    menu->addSeparator();
    return true;
}

void CLtView::ApplyTabStops() {
    setTabStopDistance(TabStopDistance(m_settings.tabStops.Value(), fontMetrics().averageCharWidth()));
}

void CLtView::ApplyWordWrap() {
    setLineWrapMode(m_settings.wrapText.Value() != 0 ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    ApplyTabStops();
}

void CLtView::ToggleRussianMode() {
    g_inRussian = !g_inRussian;
    UpdateBackground();
    emit RussianModeChanged(g_inRussian);
    if (m_settings.beep.Value() != 0)
        PlaySoundCode(g_inRussian ? 24 : 29);
}

void CLtView::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers();
    const int key = event->key();
    // The modifier keys themselves count too: Ctrl pressed while Shift is down, and the reverse.
    const bool ctrl = (mods & Qt::ControlModifier) != 0 || key == Qt::Key_Control;
    const bool shift = (mods & Qt::ShiftModifier) != 0 || key == Qt::Key_Shift;
    // Alt with a letter belongs to the menus: a key that no menu takes does nothing, never types.
    if ((mods & Qt::AltModifier) != 0 && !ctrl && !event->text().isEmpty() && event->text()[0].isPrint()) {
        event->accept();
        if (m_settings.beep.Value() != 0)
            QApplication::beep();
        return;
    }
    if (ctrl) {
        if (m_settings.keysCtrlShift.Value() != 0 && shift)
            ToggleRussianMode();
    } else if (key == Qt::Key_Escape) {
        ToggleRussianMode();
    }

    const QString typed = event->text();
    const bool isCharacter = !typed.isEmpty() && !ctrl && (mods & Qt::MetaModifier) == 0 &&
                             key != Qt::Key_Escape && key != Qt::Key_Backspace && key != Qt::Key_Delete;
    if (!isCharacter) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    // Typing has no limit of its own: memory is the limit, as for reading.
    if (!g_inRussian) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    // A plain key at a caret goes in already converted: one edit per key, not an insertion and
    // then a replacement, which halves the document's work in a long text.
    if (typed.size() == 1 && !textCursor().hasSelection() && !overwriteMode() && !isReadOnly() &&
        typed[0].isPrint() && !typed[0].isSurrogate()) {
        TypeConverted(typed[0]);
        event->accept();
        return;
    }
    // The key and the letter it makes are one undo step: Ctrl+Z after "s", "h" gives back "с".
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    QPlainTextEdit::keyPressEvent(event);
    ConvertTyped();
    cursor.endEditBlock();
}

STypedLetter LetterOfKey(const std::function<QChar(int)>& charAt, int caret, QChar typed) {
    const bool key = !typed.isNull();
    const int reach = static_cast<int>(g_charTable.MaxTypedLength());
    const int start = std::max(0, caret + (key ? 1 : 0) - reach);
    std::u16string window;
    window.reserve(static_cast<std::size_t>(caret - start + 1));
    for (int i = start; i < caret; ++i)
        window.push_back(charAt(i).unicode());
    if (key)
        window.push_back(typed.unicode());
    std::size_t pos = window.size();
    STypedLetter result;
    if (!g_charTable.ConvertAtCaret(window, pos) || pos == 0)
        return result;
    result.converts = true;
    result.from = std::min(caret, start + static_cast<int>(pos) - 1);
    result.letter = QChar(window[pos - 1]);
    return result;
}

STypedLetter CLtView::LetterAtCaret(int caret, QChar typed) const {
    const QTextDocument* doc = document();
    return LetterOfKey(
        [doc](int i) {
            const QChar ch = doc->characterAt(i);
            return ch == QChar::ParagraphSeparator ? QChar(u'\n') : ch;
        },
        caret, typed);
}

void CLtView::TypeConverted(QChar typed) {
    PlaySoundCode(m_settings.beep.Value());
    QTextCursor cursor = textCursor();
    const STypedLetter letter = LetterAtCaret(cursor.position(), typed);
    if (letter.converts) {
        // The letter replaces the keys before the caret that it was typed with.
        cursor.setPosition(letter.from, QTextCursor::KeepAnchor);
        typed = letter.letter;
    }
    // Its own undo step, as every key is, never merged with the keys before it.
    cursor.beginEditBlock();
    cursor.insertText(QString(typed));
    cursor.endEditBlock();
    setTextCursor(cursor);
    ensureCursorVisible();
}

void CLtView::ConvertTyped() {
    if (!g_inRussian)
        return;
    PlaySoundCode(m_settings.beep.Value());
    QTextCursor cursor = textCursor();
    const int caret = cursor.position();
    const STypedLetter letter = LetterAtCaret(caret, QChar());
    if (!letter.converts)
        return;
    cursor.setPosition(letter.from);
    cursor.setPosition(caret, QTextCursor::KeepAnchor);
    cursor.insertText(QString(letter.letter));
    setTextCursor(cursor);
    ensureCursorVisible();
}

void CLtView::focusOutEvent(QFocusEvent* event) {
    QPlainTextEdit::focusOutEvent(event);
    // A menu or the context menu borrows the keyboard only for a moment: the editor keeps its text
    // as it was then.
    const Qt::FocusReason reason = event->reason();
    if (m_settings.autoClip.Value() == 0 || reason == Qt::PopupFocusReason ||
        reason == Qt::MenuBarFocusReason)
        return;
    selectAll();
    ensureCursorVisible();
    copy();
}

void CLtView::SelectWordAtCaret() {
    const QString text = document()->toPlainText();
    if (text.isEmpty())
        return;
    const std::u16string_view separators(kSeparators);
    const auto isSeparator = [&](QChar ch) {
        return separators.find(ch.unicode()) != std::u16string_view::npos;
    };
    const int pos = textCursor().selectionEnd();
    int start = pos;
    while (start > 0 && !isSeparator(text[start - 1]))
        --start;
    int end = pos;
    while (end < text.size() && !isSeparator(text[end]))
        ++end;
    QTextCursor cursor = textCursor();
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    ensureCursorVisible();
}

void CLtView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QPlainTextEdit::mouseDoubleClickEvent(event);
        return;
    }
    // The press before it has placed the caret already.
    SelectWordAtCaret();
    event->accept();
}

void CLtView::contextMenuEvent(QContextMenuEvent* event) {
    // The word clicked, or the caret's from the keyboard.
    const int position = event->reason() == QContextMenuEvent::Mouse
                             ? cursorForPosition(event->pos()).position()
                             : textCursor().position();
    QMenu spelling;
    const bool misspelt = AddSpellingActions(&spelling, position);
    if (m_menuContext->isEmpty()) {
        if (!misspelt) {
            QPlainTextEdit::contextMenuEvent(event);
            return;
        }
        const std::unique_ptr<QMenu> standard(createStandardContextMenu(event->pos()));
        spelling.addActions(standard->actions());
        spelling.exec(event->globalPos());
        return;
    }
    const bool selection = textCursor().hasSelection();
    for (QAction* action : m_menuContext->actions()) {
        const int id = action->data().toInt();
        if (id == kCmdEditCopy || id == kCmdEditCut || id == kCmdEditConvert)
            action->setEnabled(selection);
        if (id == kCmdViewRussian) {
            action->setCheckable(true);
            action->setChecked(g_inRussian);
        }
    }
    if (!misspelt) {
        m_menuContext->exec(event->globalPos());
        return;
    }
    spelling.addActions(m_menuContext->actions());
    spelling.exec(event->globalPos());
}

void CLtView::changeEvent(QEvent* event) {
    QPlainTextEdit::changeEvent(event);
    // Tab stops are measured in characters of the current font.
    if (event->type() == QEvent::FontChange)
        ApplyTabStops();
}

QStringList CLtView::DroppedFiles(const QMimeData* source) {
    QStringList files;
    if (source == nullptr || !source->hasUrls())
        return files;
    for (const QUrl& url : source->urls()) {
        if (url.isLocalFile())
            files << url.toLocalFile();
    }
    return files;
}

void CLtView::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedFiles(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
        return;
    }
    QPlainTextEdit::dragEnterEvent(event);
}

void CLtView::dragMoveEvent(QDragMoveEvent* event) {
    if (!DroppedFiles(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
        return;
    }
    QPlainTextEdit::dragMoveEvent(event);
}

void CLtView::dropEvent(QDropEvent* event) {
    // Files dropped on the editor are opened, not pasted as their addresses.
    const QStringList files = DroppedFiles(event->mimeData());
    if (files.isEmpty()) {
        QPlainTextEdit::dropEvent(event);
        return;
    }
    event->acceptProposedAction();
    emit FilesDropped(files);
}

bool CLtView::canInsertFromMimeData(const QMimeData* source) const {
    return source->hasFormat(QString::fromLatin1(kMime1251)) || QPlainTextEdit::canInsertFromMimeData(source);
}

QMimeData* CLtView::createMimeDataFromSelection() const {
    // The plain text Qt makes of a selection turns U+00A0 into a space and U+2028 into a line
    // break; only the paragraph ends the editor made become line breaks here.
    // The pieces a long line is shown in are one line again.
    QString text = CLtDoc::FileText(textCursor());
    text.replace(QChar::ParagraphSeparator, u'\n');
    auto* data = new QMimeData;
    data->setText(text);
    return data;
}

void CLtView::insertFromMimeData(const QMimeData* source) {
    QString text;
    if (!RepairedClipboardText(source, text)) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    // The clipboard itself stays as it was: emptying it would lose its other formats.
    QTextCursor cursor = textCursor();
    cursor.insertText(text);
    setTextCursor(cursor);
    ensureCursorVisible();
}

void CLtView::OnEditPaste() {
    paste();
}

void CLtView::OnEditCopy1251() {
    const std::u16string selected = FromSelection(CLtDoc::FileText(textCursor()));
    const SEncodedText encoded = EncodeText(selected, {ETextEncoding::kCp1251, false});
    // Never a silent "?": name what Windows-1251 lacks and let the user choose.
    if (encoded.lacking > 0 &&
        LtMessageBox(this,
                     CurrentResources()
                         .String(kStrCopyLacks)
                         .arg(encoded.lacking)
                         .arg(QuotedCharacters(QString::fromStdU16String(encoded.lackingFirst))),
                     QMessageBox::Warning, QMessageBox::Yes | QMessageBox::Cancel) != QMessageBox::Yes)
        return;
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kMime1251),
                  QByteArray(encoded.bytes.data(), static_cast<qsizetype>(encoded.bytes.size())));
    // Ordinary text beside it, so that every other program pastes the selection too.
    data->setText(QString::fromStdU16String(selected));
    QApplication::clipboard()->setMimeData(data);
}

void CLtView::OnEditConvert() {
    QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        return;
    const std::u16string sel = FromSelection(CLtDoc::FileText(cursor));
    std::u16string result;
    if (g_charTable.IsNotCyrillicStart(sel)) {
        // As if the selection had been typed key by key into an empty text.
        result = ConvertToCyrillic(g_charTable, sel);
    } else if (g_charTable.IsNotLatinStart(sel)) {
        // The chosen spelling sees the letters just outside the selection, as part of its text.
        const QTextDocument* doc = document();
        const int start = cursor.selectionStart(), end = cursor.selectionEnd();
        const auto around = [doc](int at) {
            return at < 0 ? char16_t(0) : char16_t(doc->characterAt(at).unicode());
        };
        LatinSpelling(g_charTable, LatinSchemeFromNumber(m_settings.latinSpelling.Value()))
            .AppendLatin(sel, around(start - 1), around(end), result);
    } else {
        return;
    }
    ReplaceSelection(cursor, result);
}

void CLtView::ReplaceSelection(QTextCursor cursor, const std::u16string& text) {
    const int start = cursor.selectionStart();
    cursor.beginEditBlock();
    cursor.insertText(QString::fromStdU16String(text));
    cursor.endEditBlock();
    // The result stays selected, so a second F4 turns it back.
    const int end = cursor.position();
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    ensureCursorVisible();
}

bool CLtView::OnEditRepairEncoding() {
    QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        cursor.select(QTextCursor::Document);
    const std::u16string text = FromSelection(CLtDoc::FileText(cursor));
    std::size_t repaired = 0;
    const std::u16string result = RepairMojibake(text, &repaired);
    if (repaired == 0) {
        LtMessageBox(this, CurrentResources().String(kStrNothingToRepair), QMessageBox::Information);
        return false;
    }
    ReplaceSelection(cursor, result); // one undo step, the repaired text selected
    return true;
}

QPrinter& CLtView::PagePrinter() const {
    // The stored page set-up, which every accepted print or set-up dialog writes back.
    ApplyPageSetting(Printer(), m_settings.printPage.Load());
    return Printer();
}

void CLtView::OnFilePrint() {
    QPrintDialog dialog(&PagePrinter(), window());
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_settings.printPage.Set(PageSetting(Printer()));
    PrintDocument(&Printer());
}

int CLtView::PrintDocument(QPagedPaintDevice* device) const {
    return PrintText(device, toPlainText(), PrintFont(font(), logicalDpiY()), m_strPrintTitle,
                     CurrentResources().String(kStrPrintPage), m_settings.tabStops.Value());
}

void CLtView::OnFilePrintSetup() {
    QPageSetupDialog dialog(&PagePrinter(), window());
    if (Modal::Exec(dialog) == QDialog::Accepted)
        m_settings.printPage.Set(PageSetting(Printer()));
}

void CLtView::OnFilePrintPreview() {
    QPrintPreviewDialog dialog(&PagePrinter(), window());
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* printer) { PrintDocument(printer); });
    Modal::Exec(dialog);
}

void CLtView::ToggleAutoClip() {
    m_settings.autoClip.Set(m_settings.autoClip.Value() != 0 ? 0 : 1);
}

void CLtView::ToggleWordWrap() {
    m_settings.wrapText.Set(m_settings.wrapText.Value() != 0 ? 0 : 1);
}
