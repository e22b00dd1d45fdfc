#include "CLtDoc.h"

#include "TextFile.h"

#include "CLtView.h"
#include "DocStrings.h"
#include "LtMessageBox.h"
#include "ResourceIds.h"
#include "SettingsGui.h"

#include "CodePage.h"
#include "RussianText.h"
#include "Utf8.h"

#include "CResourceModule.h"
#include "RawNames.h"
#include "TextPaths.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QInputDialog>
#include <QPlainTextDocumentLayout>
#include <QProcess>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// The line end that comes before a block, kept in the block's format where it is not the file's
// usual one. The format goes with the block through undo and redo; a line broken with Enter takes
// the line end of the line it was broken from, a pasted one the usual. A line too long to lay
// out quickly is shown in pieces: each piece after the first is joined to the one before it with
// no line end at all.
enum ELineEnd { kEndLf = 1, kEndCrLf, kEndCr, kEndParagraph, kEndFrameStart, kEndFrameEnd, kEndJoin };
constexpr int kLineEndProperty = QTextFormat::UserProperty + 1;
const char16_t* const kLineEnds[] = {u"", u"\n", u"\r\n", u"\r", u"\u2029", u"\uFDD0", u"\uFDD1", u""};
// Where a cut looks for a space before the limit: pieces stay between 9,000 and 10,000 characters.
constexpr qsizetype kSpaceReach = 1000;

// The line end at text[i], or 0; *length gets its length.
int LineEndAt(const QString& text, qsizetype i, int* length) {
    *length = 1;
    switch (text[i].unicode()) {
    case u'\n':
        return kEndLf;
    case u'\r':
        if (i + 1 < text.size() && text[i + 1] == u'\n') {
            *length = 2;
            return kEndCrLf;
        }
        return kEndCr;
    // The text document makes a paragraph of each of these: they are kept as line ends.
    case 0x2029:
        return kEndParagraph;
    case 0xFDD0:
        return kEndFrameStart;
    case 0xFDD1:
        return kEndFrameEnd;
    default:
        return 0;
    }
}

// Cutting before text[at] would split one character: a surrogate pair, a letter and its combining
// marks, or a sequence held together by a zero-width joiner.
bool CutSplits(QStringView text, qsizetype at) {
    const QChar next = text[at];
    const QChar before = text[at - 1];
    if ((next.isLowSurrogate() && before.isHighSurrogate()) || next.unicode() == 0x200D ||
        before.unicode() == 0x200D)
        return true;
    char32_t code = next.unicode();
    if (next.isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate())
        code = QChar::surrogateToUcs4(next, text[at + 1]);
    return QChar::isMark(code);
}

// The end of the piece of a long line that starts at `from`: after the last space within reach of
// the limit, else at the limit, moved back off any character it would split.
qsizetype PieceEnd(QStringView line, qsizetype from) {
    const qsizetype limit = from + CLtDoc::kLongLine;
    for (qsizetype at = limit; at > limit - kSpaceReach; --at) {
        if (line[at - 1] == u' ' && !CutSplits(line, at))
            return at;
    }
    qsizetype at = limit;
    while (at > limit - kSpaceReach && CutSplits(line, at))
        --at;
    // Nothing but marks for a thousand characters: only a surrogate pair is kept whole.
    if (at == limit - kSpaceReach)
        at = line[limit].isLowSurrogate() && line[limit - 1].isHighSurrogate() ? limit - 1 : limit;
    return at;
}

bool IsJoined(const QTextBlock& block) {
    return block.blockFormat().intProperty(kLineEndProperty) == kEndJoin;
}

} // namespace

bool CLtDoc::IsContinuation(const QTextBlock& block) {
    return IsJoined(block);
}

QString CLtDoc::FileText(const QTextCursor& cursor) {
    QString text = cursor.selectedText();
    if (text.isEmpty())
        return text;
    const QTextDocument* doc = cursor.document();
    const int start = cursor.selectionStart();
    const QTextBlock last = doc->findBlock(cursor.selectionEnd());
    // The separators that only cut a long line go, from the end so that the indexes hold.
    for (QTextBlock block = last; block.isValid() && block.position() > start; block = block.previous()) {
        if (IsJoined(block))
            text.remove(block.position() - 1 - start, 1);
    }
    return text;
}

QTextCursor CLtDoc::Find(QTextDocument* doc, const QString& what, int from, QTextDocument::FindFlags flags) {
    QTextCursor found = doc->find(what, from, flags);
    const int reach = static_cast<int>(what.size()) - 1;
    if (reach < 1)
        return found;
    const int before = found.isNull() ? doc->characterCount() : found.selectionStart();
    const Qt::CaseSensitivity sensitivity =
        flags.testFlag(QTextDocument::FindCaseSensitively) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const auto isWordCharacter = [](QChar ch) { return ch.isLetterOrNumber() || ch == u'_'; };
    for (QTextBlock block = doc->findBlock(from).next();
         block.isValid() && block.position() - 1 - reach < before; block = block.next()) {
        if (!IsJoined(block))
            continue;
        // The text on both sides of the cut, joined, with a character more each side for the
        // whole-word test.
        const int seam = block.position() - 1;
        const int start = std::max(seam - reach - 1, 0);
        QTextCursor window(doc);
        window.setPosition(start);
        window.setPosition(std::min(seam + reach + 2, doc->characterCount() - 1), QTextCursor::KeepAnchor);
        const QString text = FileText(window);
        for (qsizetype at = text.indexOf(what, 0, sensitivity); at >= 0;
             at = text.indexOf(what, at + 1, sensitivity)) {
            const int first = start + static_cast<int>(at);
            // Only a match that starts before the cut, at or after `from`, and ends after it.
            if (first >= seam || first + what.size() <= seam || first < from)
                continue;
            if (flags.testFlag(QTextDocument::FindWholeWords) &&
                ((at > 0 && isWordCharacter(text[at - 1])) ||
                 (at + what.size() < text.size() && isWordCharacter(text[at + what.size()]))))
                continue;
            if (first >= before)
                break;
            QTextCursor match(doc);
            match.setPosition(first);
            match.setPosition(first + static_cast<int>(what.size()) + 1, QTextCursor::KeepAnchor);
            return match;
        }
    }
    return found;
}

void CLtDoc::FileLineColumn(const QTextCursor& cursor, int& line, int& column) const {
    const QTextBlock here = cursor.block();
    line = here.blockNumber();
    column = cursor.positionInBlock();
    if (m_nSeams == 0)
        return;
    for (QTextBlock block = here; block.isValid() && IsJoined(block);) {
        block = block.previous();
        column += block.length() - 1;
    }
    for (QTextBlock block = m_text->begin(); block.isValid(); block = block.next()) {
        line -= IsJoined(block) ? 1 : 0;
        if (block == here)
            break;
    }
}

int CLtDoc::FileLineCount() const {
    if (m_nSeams == 0)
        return m_text->blockCount();
    int lines = 0;
    for (QTextBlock block = m_text->begin(); block.isValid(); block = block.next())
        lines += IsJoined(block) ? 0 : 1;
    return lines;
}

QTextBlock CLtDoc::FileLineBlock(int line) const {
    if (m_nSeams == 0)
        return m_text->findBlockByNumber(line);
    for (QTextBlock block = m_text->begin(); block.isValid(); block = block.next()) {
        if (!IsJoined(block) && line-- == 0)
            return block;
    }
    return m_text->lastBlock();
}

CLtDoc::CLtDoc(QObject* parent)
    : QObject(parent), m_text(new QTextDocument(this)), m_watcher(new QFileSystemWatcher(this)),
      m_diskCheck(new QTimer(this)), m_recoveryTimer(new QTimer(this)) {
    m_text->setDocumentLayout(new QPlainTextDocumentLayout(m_text));
    connect(m_text, &QTextDocument::modificationChanged, this, &CLtDoc::TitleChanged);
    connect(m_text, &QTextDocument::modificationChanged, this, [this](bool modified) {
        if (!modified)
            RemoveRecovery(); // back to the file's text: nothing to recover
    });
    connect(m_text, &QTextDocument::contentsChanged, this, &CLtDoc::OnContentsChanged);
    // An edit, unlike an undo or a redo, adds an undo command just before its change is reported.
    connect(m_text, &QTextDocument::undoCommandAdded, this, [this] { m_bFreshEdit = true; });
    connect(m_text, &QTextDocument::contentsChange, this, &CLtDoc::MendNewBlocks);
    // A burst of changes (a log written line by line) is looked at once.
    m_diskCheck->setSingleShot(true);
    m_diskCheck->setInterval(200);
    connect(m_diskCheck, &QTimer::timeout, this, &CLtDoc::CheckDisk);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, m_diskCheck, qOverload<>(&QTimer::start));
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, m_diskCheck, qOverload<>(&QTimer::start));
    m_recoveryTimer->setSingleShot(true);
    m_recoveryTimer->setInterval(kRecoveryMs);
    connect(m_recoveryTimer, &QTimer::timeout, this, &CLtDoc::WriteRecoveryNow);
}

CLtDoc::~CLtDoc() {
    // Ending normally: the user saved or chose not to.
    RemoveRecovery();
    // A view that outlives the document goes on with a text of its own.
    if (m_pView != nullptr && m_pView->document() == m_text) {
        // Marks (the find bar's) hold cursors into this text: they go first.
        m_pView->setExtraSelections({});
        m_pView->setDocument(nullptr);
    }
}

QString CLtDoc::PlainText() const {
    return m_text->toPlainText();
}

QString CLtDoc::DocumentText() const {
    QString text;
    text.reserve(m_text->characterCount() + m_text->blockCount());
    const QString usual = QString::fromUtf16(m_bCrLf ? kLineEnds[kEndCrLf] : kLineEnds[kEndLf]);
    for (QTextBlock block = m_text->begin(); block.isValid(); block = block.next()) {
        if (block != m_text->begin()) {
            const int end = block.blockFormat().intProperty(kLineEndProperty);
            text += end >= kEndLf && end <= kEndJoin ? QString::fromUtf16(kLineEnds[end]) : usual;
        }
        text += block.text();
    }
    return text;
}

QString CLtDoc::FormatText() const {
    QString text = QString::fromLatin1(EncodingName(m_format.encoding));
    if (m_format.bom)
        text += QStringLiteral(" BOM");
    text += m_bCrLf ? QStringLiteral(" · CRLF") : QStringLiteral(" · LF");
    if (m_bMixedEnds)
        text += QStringLiteral(" (") + CurrentResources().String(kStrMixedLineEnds) + u')';
    if (m_bNewFile)
        text += QStringLiteral(" · ") + CurrentResources().String(kStrNewFile);
    return text;
}

void CLtDoc::SetView(CLtView* view) {
    m_pView = view;
    if (m_pView == nullptr)
        return;
    // The view's own settings live in its text options: they carry over to the document it shows.
    const QTextOption option = m_pView->document()->defaultTextOption();
    const QFont font = m_pView->document()->defaultFont();
    m_pView->setDocument(m_text);
    m_text->setDefaultTextOption(option);
    m_text->setDefaultFont(font);
}

bool CLtDoc::OnNewDocument() {
    m_text->clear();
    if (m_pView != nullptr) {
        if (const std::optional<QFont> font = EditorFont(m_pView->Settings()))
            m_pView->setFont(*font);
    }
    m_bCrLf = false;
    m_bMixedEnds = false;
    m_nSeams = 0;
    m_trailing.clear();
    m_nUndecodable = 0;
    m_bEscapedBytes = false;
    m_bNewFile = false;
    m_format = {ETextEncoding::kUtf16Le, true};
    m_bKeepFormat = false;
    emit FormatChanged();
    m_strPathName.clear();
    m_strTitle = DocString(kDocNewFileName);
    SetModifiedFlag(false);
    RemoveRecovery();
    Watch();
    emit TitleChanged();
    return true;
}

void CLtDoc::OnNewNamedDocument(const QString& path) {
    OnNewDocument();
    m_bNewFile = true;
    SetPathName(path);
    Watch();
    emit FormatChanged();
}

bool CLtDoc::OnOpenDocument(const QString& path) {
    m_strLastError.clear();
    m_nLastErrorCode = 0;
    QByteArray bytes;
    SDiskState state;
    if (!ReadDocumentFile(path, bytes, state, m_strLastError, m_nLastErrorCode))
        return false;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto size = static_cast<std::size_t>(bytes.size());
    SDecodedText decoded = DecodeTextFile(data, size);
    if (decoded.binary) {
        const QString question = CurrentResources().String(kStrLooksBinary).arg(DisplayFileName(path));
        if (LtMessageBox(m_pView, question, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No) !=
            QMessageBox::Yes)
            return false;
        // Read as UTF-8 with every other byte kept as it is: Save writes back the same bytes.
        decoded = DecodeTextFileAs(data, size, {ETextEncoding::kUtf8, false});
    }
    m_format = decoded.format;
    m_bKeepFormat = IsUnicodeEncoding(m_format.encoding);
    m_trailing = decoded.trailing;
    m_nUndecodable = decoded.undecodable;
    m_bEscapedBytes = m_format.encoding == ETextEncoding::kUtf8;
    m_bNewFile = false;
    RemoveRecovery();
    SetText(decoded.text);
    SetPathName(path);
    SetModifiedFlag(false);
    Watch();
    m_disk = state;
    CleanSaveLeftovers(m_strPathName);
    emit NoticesChanged();
    return true;
}

void CLtDoc::SetText(const std::u16string& decoded) {
    const QString raw = QString::fromStdU16String(decoded);
    // Every line end becomes a paragraph of the text document; the ones that are not the file's
    // usual one are noted on the paragraph after them, so that Save writes each back as it was.
    // A line longer than kLongLine is cut into paragraphs joined without a line end: the view lays
    // out a paragraph whole, which takes seconds for a line of millions of characters.
    QString text;
    text.reserve(raw.size() + raw.size() / kLongLine);
    std::vector<std::pair<int, int>> marks; // block number, line end before it
    qsizetype counts[std::size(kLineEnds)] = {};
    int blocks = 1;
    const auto addLine = [&](QStringView line) {
        qsizetype from = 0;
        while (line.size() - from > kLongLine) {
            const qsizetype end = PieceEnd(line, from);
            text += line.mid(from, end - from);
            text += u'\n';
            marks.emplace_back(blocks++, kEndJoin);
            from = end;
        }
        text += line.mid(from);
    };
    qsizetype run = 0;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        int length = 1;
        const int end = LineEndAt(raw, i, &length);
        if (end == 0)
            continue;
        addLine(QStringView(raw).mid(run, i - run));
        text += u'\n';
        ++counts[end];
        marks.emplace_back(blocks++, end);
        i += length - 1;
        run = i + 1;
    }
    addLine(QStringView(raw).mid(run));
    m_bCrLf = counts[kEndCrLf] > counts[kEndLf];
    const int usual = m_bCrLf ? kEndCrLf : kEndLf;
    m_bMixedEnds = std::any_of(marks.begin(), marks.end(), [&](const auto& mark) {
        return mark.second != usual && mark.second != kEndJoin;
    });
    m_nSeams = static_cast<int>(
        std::count_if(marks.begin(), marks.end(), [](const auto& mark) { return mark.second == kEndJoin; }));
    m_text->setPlainText(text);
    if (m_bMixedEnds || m_nSeams > 0) {
        // Part of reading the file, not an edit to undo; one change for the view to take in,
        // not one per paragraph.
        m_text->setUndoRedoEnabled(false);
        QTextCursor cursor(m_text);
        cursor.beginEditBlock();
        QTextBlock block = m_text->begin();
        int at = 0;
        for (const auto& [number, end] : marks) {
            if (end == usual)
                continue;
            for (; at < number; ++at)
                block = block.next();
            QTextBlockFormat format;
            format.setProperty(kLineEndProperty, end);
            cursor.setPosition(block.position());
            cursor.mergeBlockFormat(format);
        }
        cursor.endEditBlock();
        m_text->setUndoRedoEnabled(true);
    }
    // A new text is read from its start.
    if (m_pView != nullptr)
        m_pView->moveCursor(QTextCursor::Start);
    emit FormatChanged();
    if (m_nSeams > 0)
        emit LongLinesCut();
}

bool CLtDoc::OnSaveDocument(const QString& path, bool eightBit) {
    return WriteFile(path, eightBit);
}

bool CLtDoc::WriteFile(const QString& path, bool eightBit) {
    return WriteFormat(path, SaveFormat(eightBit), true);
}

STextFormat CLtDoc::SaveFormat(bool eightBit) const {
    if (m_bKeepFormat)
        return m_format;
    // A DOS or Unix tool reads the file after us: the user may ask to keep its code page.
    const bool keepEightBit = m_pView != nullptr && m_pView->Settings().keepEightBit.Value() != 0 &&
                              !IsUnicodeEncoding(m_format.encoding);
    if (!eightBit)
        return keepEightBit ? m_format : STextFormat{ETextEncoding::kUtf16Le, true};
    const QString text = DocumentText();
    const bool cyrillic =
        std::any_of(text.cbegin(), text.cend(), [](QChar ch) { return IsInCyrillicBlock(ch.unicode()); });
    return {cyrillic ? ETextEncoding::kCp1251 : ETextEncoding::kUtf8, false};
}

bool CLtDoc::WriteFormat(const QString& path, STextFormat format, bool adopt) {
    m_strLastError.clear();
    const QString text = DocumentText();
    SEncodedText encoded = EncodeTextFile(text.toStdU16String(), format);
    if (m_bEscapedBytes && format.encoding != ETextEncoding::kUtf8 && IsUnicodeEncoding(format.encoding)) {
        // Bytes kept from a UTF-8 file are no characters: UTF-16 cannot hold them either.
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (!IsByteEscape(text[i].unicode(), i > 0 ? text[i - 1].unicode() : u'\0'))
                continue;
            ++encoded.lacking;
            if (encoded.lackingFirst.size() < 16)
                encoded.lackingFirst += text[i].unicode();
        }
    }
    if (encoded.lacking > 0) {
        // Never a silent "?": say what would be lost and offer UTF-8, which holds everything.
        const QString message = CurrentResources()
                                    .String(kStrLacksCharacters)
                                    .arg(QString::fromLatin1(EncodingName(format.encoding)))
                                    .arg(encoded.lacking)
                                    .arg(QuotedCharacters(QString::fromStdU16String(encoded.lackingFirst)));
        if (LtMessageBox(m_pView, message, QMessageBox::Warning, QMessageBox::Yes | QMessageBox::Cancel) !=
            QMessageBox::Yes)
            return false;
        format = {ETextEncoding::kUtf8, false};
        encoded = EncodeTextFile(text.toStdU16String(), format);
    }
    QByteArray bytes(encoded.bytes.data(), static_cast<qsizetype>(encoded.bytes.size()));
    // An odd last byte of UTF-16 goes back where it was while the file stays UTF-16.
    if (format.encoding == m_format.encoding &&
        (format.encoding == ETextEncoding::kUtf16Le || format.encoding == ETextEncoding::kUtf16Be))
        bytes.append(m_trailing.data(), static_cast<qsizetype>(m_trailing.size()));
    if (!WriteBytes(path, bytes, adopt))
        return false;
    if (adopt && !(format == m_format && m_bKeepFormat == IsUnicodeEncoding(format.encoding))) {
        m_format = format;
        m_bKeepFormat = m_bKeepFormat || IsUnicodeEncoding(format.encoding);
        emit FormatChanged();
    }
    return true;
}

bool CLtDoc::ChooseEncoding(int titleId, ETextEncoding& encoding) const {
    const std::optional<QString> chosen = Modal::ChooseItem([&]() -> std::optional<QString> {
        QStringList names;
        for (int i = 0; i < kTextEncodingCount; ++i)
            names << QString::fromLatin1(EncodingName(ETextEncoding(i)));
        QInputDialog dialog(m_pView != nullptr ? m_pView->window() : nullptr);
        dialog.setWindowTitle(CurrentResources().String(titleId));
        dialog.setLabelText(CurrentResources().String(kStrEncodingLabel));
        dialog.setComboBoxItems(names);
        dialog.setTextValue(names[static_cast<int>(encoding)]);
        // Wide enough for the title in every language.
        if (auto* list = dialog.findChild<QComboBox*>())
            list->setMinimumWidth(dialog.fontMetrics().horizontalAdvance(dialog.windowTitle()) + 120);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.textValue();
    });
    return chosen && ParseEncodingName(chosen->toStdString(), encoding);
}

bool CLtDoc::OnFileSaveWithEncoding() {
    ETextEncoding encoding = m_format.encoding;
    return ChooseEncoding(kStrSaveWithEncoding, encoding) && SaveWithEncoding(encoding);
}

bool CLtDoc::SaveWithEncoding(ETextEncoding encoding) {
    // A byte-order mark stays as the file had it; UTF-16 gets one, UTF-8 none, when new.
    const bool bom = encoding == m_format.encoding ? m_format.bom : encoding != ETextEncoding::kUtf8;
    const STextFormat old = m_format;
    const bool oldKeep = m_bKeepFormat;
    m_format = {encoding, IsUnicodeEncoding(encoding) && bom};
    m_bKeepFormat = true;
    if (DoSave(m_strPathName, true))
        return true;
    m_format = old; // not saved: Save goes on writing what it wrote before
    m_bKeepFormat = oldKeep;
    return false;
}

bool CLtDoc::OnFileReopenWithEncoding() {
    ETextEncoding encoding = m_format.encoding;
    return !m_strPathName.isEmpty() && ChooseEncoding(kStrReopenWithEncoding, encoding) &&
           ReopenWithEncoding(encoding);
}

bool CLtDoc::ReopenWithEncoding(ETextEncoding encoding) {
    if (m_strPathName.isEmpty())
        return false;
    if (IsModified()) {
        const QString question = CurrentResources()
                                     .String(kStrReopenDiscards)
                                     .arg(ShownName(DisplayFileName(m_strPathName)))
                                     .arg(QString::fromLatin1(EncodingName(encoding)));
        if (LtMessageBox(m_pView, question, QMessageBox::Question, QMessageBox::Yes | QMessageBox::Cancel) !=
            QMessageBox::Yes)
            return false;
    }
    QByteArray bytes;
    SDiskState state;
    QString error;
    int code = 0;
    if (!ReadDocumentFile(m_strPathName, bytes, state, error, code)) {
        LtMessageBox(m_pView,
                     CurrentResources().String(kStrCannotOpen).arg(ShownName(m_strTitle)) +
                         QStringLiteral("\n\n") + error,
                     QMessageBox::Warning);
        return false;
    }
    static const QByteArray kMarks[] = {QByteArray("\xEF\xBB\xBF"), QByteArray("\xFF\xFE"),
                                        QByteArray("\xFE\xFF")};
    const int index = static_cast<int>(encoding);
    const bool bom = IsUnicodeEncoding(encoding) && bytes.startsWith(kMarks[index]);
    // Bytes the encoding cannot read are kept as they are and counted in the bar above the text.
    const SDecodedText decoded = DecodeTextFileAs(reinterpret_cast<const unsigned char*>(bytes.constData()),
                                                  static_cast<std::size_t>(bytes.size()), {encoding, bom});
    m_format = decoded.format;
    m_bKeepFormat = true;
    m_trailing = decoded.trailing;
    m_nUndecodable = decoded.undecodable;
    m_bEscapedBytes = m_format.encoding == ETextEncoding::kUtf8;
    m_bNewFile = false;
    SetText(decoded.text);
    SetModifiedFlag(false);
    m_disk = state;
    m_diskChange = EDiskChange::kNone;
    emit NoticesChanged();
    return true;
}

bool CLtDoc::WriteBytes(const QString& path, const QByteArray& bytes, bool adopt) {
    SWriteResult result;
    if (!WriteDocumentFile(path, bytes, RecoveryFolder(), result, m_strLastError)) {
        if (m_strLastError.isEmpty())
            m_strLastError = SystemReason(EIO);
        return false;
    }
    if (!adopt)
        return true;
    const bool samePath = QFileInfo(path).absoluteFilePath() == m_strPathName;
    if (samePath) {
        m_disk = result.state;
        m_diskChange = EDiskChange::kNone;
        // A replaced file is a new one to the watcher.
        if (!IsRawPath(path) && !m_watcher->files().contains(m_strPathName))
            m_watcher->addPath(m_strPathName);
    }
    if (result.inPlace)
        LtMessageBox(m_pView, CurrentResources().String(kStrSavedInPlace).arg(DisplayFileName(path)),
                     QMessageBox::Information);
    return true;
}

void CLtDoc::Watch() {
    if (!m_watcher->files().isEmpty())
        m_watcher->removePaths(m_watcher->files());
    if (!m_watcher->directories().isEmpty())
        m_watcher->removePaths(m_watcher->directories());
    m_disk = SDiskState();
    m_diskChange = EDiskChange::kNone;
    // A name that is not UTF-8 cannot be watched; Save still compares before it writes.
    if (m_strPathName.isEmpty() || IsRawPath(m_strPathName))
        return;
    // The folder too: a file replaced by rename, or made again after it was deleted, is seen there.
    m_watcher->addPath(QFileInfo(m_strPathName).path());
    if (QFileInfo::exists(m_strPathName))
        m_watcher->addPath(m_strPathName);
}

void CLtDoc::CheckDisk() {
    if (m_strPathName.isEmpty() || (!m_disk.known && !m_bNewFile))
        return;
    const EDiskChange before = m_diskChange;
    struct stat info {};
    if (::stat(PathToBytes(m_strPathName).constData(), &info) != 0) {
        if (m_disk.known)
            m_diskChange = EDiskChange::kGone;
    } else if (!m_disk.known || info.st_size != m_disk.stamp.size) {
        m_diskChange = EDiskChange::kChanged; // a growing log is not read again at every line
    } else if (StampOf(info) != m_disk.stamp) {
        bool exists = false;
        const SDiskState now = CurrentDiskState(m_strPathName, exists);
        if (m_disk.known && now.hash == m_disk.hash)
            m_disk.stamp = now.stamp; // touched, not changed
        else
            m_diskChange = EDiskChange::kChanged;
    } else if (m_diskChange == EDiskChange::kGone) {
        m_diskChange = EDiskChange::kNone; // back as it was
    }
    // The watch ends with the file it watched: a file replaced by rename is watched anew.
    if (!IsRawPath(m_strPathName) && QFileInfo::exists(m_strPathName) &&
        !m_watcher->files().contains(m_strPathName))
        m_watcher->addPath(m_strPathName);
    if (m_diskChange != before)
        emit NoticesChanged();
}

bool CLtDoc::DiskDiffers() const {
    if (m_strPathName.isEmpty() || !m_disk.known)
        return false;
    bool exists = false;
    const SDiskState now = CurrentDiskState(m_strPathName, exists);
    // A file deleted meanwhile is simply written again.
    return exists && (!now.known || now.stamp.size != m_disk.stamp.size || now.hash != m_disk.hash);
}

bool CLtDoc::ReloadFromDisk() {
    if (m_strPathName.isEmpty())
        return false;
    if (IsModified()) {
        const QString question = CurrentResources().String(kStrReloadDiscards).arg(m_strTitle);
        if (LtMessageBox(m_pView, question, QMessageBox::Question, QMessageBox::Yes | QMessageBox::Cancel) !=
            QMessageBox::Yes)
            return false;
    }
    const QString path = m_strPathName;
    if (OnOpenDocument(path))
        return true;
    if (!m_strLastError.isEmpty())
        LtMessageBox(m_pView,
                     CurrentResources().String(kStrCannotOpen).arg(m_strTitle) + QStringLiteral("\n\n") +
                         m_strLastError,
                     QMessageBox::Warning);
    return false;
}

void CLtDoc::KeepMine() {
    bool exists = false;
    const SDiskState now = CurrentDiskState(m_strPathName, exists);
    if (exists && now.known)
        m_disk = now;
    m_diskChange = EDiskChange::kNone;
    emit NoticesChanged();
}

void CLtDoc::MendNewBlocks(int position, int removed, int added) {
    Q_UNUSED(removed);
    const bool fresh = std::exchange(m_bFreshEdit, false);
    if (!fresh || m_bMending || m_nSeams == 0 || added == 0)
        return;
    // A paragraph made by an edit inside a piece of a long line takes the piece's format, which
    // joins it to the piece before: it is a line break the user made, and gets the line end of
    // the line it was made in. Only undo and redo bring a piece back.
    std::vector<int> made;
    for (QTextBlock block = m_text->findBlock(position).next();
         block.isValid() && block.position() <= position + added; block = block.next()) {
        if (IsJoined(block))
            made.push_back(block.blockNumber());
    }
    if (made.empty())
        return;
    m_bMending = true;
    QTextCursor cursor(m_text);
    cursor.joinPreviousEditBlock(); // one undo step with the edit
    for (const int number : made) {
        const QTextBlock block = m_text->findBlockByNumber(number);
        QTextBlock first = block.previous();
        while (IsJoined(first))
            first = first.previous();
        QTextBlockFormat format = block.blockFormat();
        const int end = first.blockFormat().intProperty(kLineEndProperty);
        if (end != 0)
            format.setProperty(kLineEndProperty, end);
        else
            format.clearProperty(kLineEndProperty);
        cursor.setPosition(block.position());
        cursor.setBlockFormat(format);
    }
    cursor.endEditBlock();
    m_bMending = false;
    // The mending is an edit too: the change reported next is not one to mend.
    m_bFreshEdit = false;
}

void CLtDoc::OnContentsChanged() {
    if (!IsModified())
        return;
    if (++m_nChangesSinceRecovery >= kRecoveryKeys)
        WriteRecoveryNow();
    else if (!m_recoveryTimer->isActive())
        m_recoveryTimer->start();
}

bool CLtDoc::WriteRecoveryNow() {
    m_recoveryTimer->stop();
    m_nChangesSinceRecovery = 0;
    if (!IsModified()) {
        RemoveRecovery();
        return false;
    }
    if (m_strRecoveryFile.isEmpty()) {
        const QString key =
            m_strPathName.isEmpty()
                ? QStringLiteral("untitled")
                : QString::fromLatin1(ContentHash(PathToBytes(m_strPathName)).toHex().left(16));
        m_strRecoveryFile = RecoveryFolder() + u'/' + key + u'-' + QString::number(::getpid()) + u'-' +
                            QString::number(QDateTime::currentMSecsSinceEpoch()) +
                            QStringLiteral(".recovery");
    }
    QString error;
    // A recovery file that cannot be written costs nothing but the recovery: the user is not
    // interrupted while typing.
    return WriteRecovery(m_strRecoveryFile, m_strPathName, m_strTitle, DocumentText().toStdU16String(),
                         error);
}

void CLtDoc::RemoveRecovery() {
    m_recoveryTimer->stop();
    m_nChangesSinceRecovery = 0;
    if (m_strRecoveryFile.isEmpty())
        return;
    QFile::remove(m_strRecoveryFile);
    m_strRecoveryFile.clear();
}

bool CLtDoc::OfferRecovery() {
    const std::vector<SRecovery> found = StaleRecoveries();
    if (found.empty() || IsModified())
        return false;
    // One question a start, for the newest; the others wait for the next start.
    const SRecovery& recovery = found.front();
    const QString name =
        recovery.documentPath.isEmpty() ? recovery.title : DisplayPath(recovery.documentPath);
    const QString question =
        CurrentResources()
            .String(kStrRecoverQuestion)
            .arg(name, QLocale().toString(recovery.written.toLocalTime(), QLocale::ShortFormat));
    const QMessageBox::StandardButton answer = LtAsk(m_pView, question, QMessageBox::Question,
                                                     {{QMessageBox::Yes, kStrRecover},
                                                      {QMessageBox::Discard, kStrDiscard},
                                                      {QMessageBox::Ignore, kStrLater}},
                                                     QMessageBox::Yes);
    if (answer == QMessageBox::Discard) {
        QFile::remove(recovery.file);
        return false;
    }
    if (answer != QMessageBox::Yes)
        return false;
    if (recovery.documentPath.isEmpty()) {
        OnNewDocument();
    } else if (recovery.documentPath != m_strPathName || m_bNewFile) {
        if (!OnOpenDocument(recovery.documentPath))
            OnNewNamedDocument(recovery.documentPath);
    }
    SetText(recovery.text);
    SetModifiedFlag(true);
    // Kept under this editor's own recovery file before the old one goes.
    if (WriteRecoveryNow())
        QFile::remove(recovery.file);
    return true;
}

bool CLtDoc::DoSave(const QString& path, bool replacePath, bool eightBit) {
    QString target = path;
    if (target.isEmpty()) {
        QWidget* owner = m_pView != nullptr ? m_pView->window() : nullptr;
        QString suggested = m_strPathName.isEmpty() ? m_strTitle : m_strPathName;
        const QString ext = DocString(kDocFilterExt);
        if (m_strPathName.isEmpty() && !suggested.contains(u'.'))
            suggested += ext;
        target = Modal::SaveFileName(owner, suggested, DocFileFilter());
        if (target.isEmpty())
            return false;
        if (QFileInfo(target).suffix().isEmpty() && !ext.isEmpty())
            target += ext;
    }
    struct stat existing {};
    const bool ownFile = !m_strPathName.isEmpty() && QFileInfo(target).absoluteFilePath() == m_strPathName;
    if (ownFile && (m_bNewFile ? ::lstat(PathToBytes(target).constData(), &existing) == 0 : DiskDiffers())) {
        // Another program wrote the file since we read or wrote it: its text is not overwritten
        // unasked.
        const QString question = CurrentResources().String(kStrOverwriteQuestion).arg(m_strTitle);
        switch (LtAsk(m_pView, question, QMessageBox::Warning,
                      {{QMessageBox::Save, kStrOverwrite},
                       {QMessageBox::Cancel, 0},
                       {QMessageBox::SaveAll, kStrSaveAsButton}},
                      QMessageBox::Cancel)) {
        case QMessageBox::Save:
            break;
        case QMessageBox::SaveAll:
            return DoSave(QString(), true, eightBit);
        default:
            return false;
        }
    }
    if (!OnSaveDocument(target, eightBit)) {
        if (m_strLastError.isEmpty())
            return false; // the user chose not to save
        QString message = CurrentResources().String(kStrCannotSave).arg(ShownName(DisplayFileName(target)));
        if (!m_strLastError.isEmpty())
            message += QStringLiteral("\n\n") + m_strLastError;
        LtMessageBox(m_pView, message, QMessageBox::Warning);
        return false;
    }
    if (replacePath) {
        const bool moved = QFileInfo(target).absoluteFilePath() != m_strPathName;
        SetPathName(target);
        if (moved || m_bNewFile) {
            const SDiskState written = m_disk;
            Watch();
            m_disk = written;
        }
        if (moved) {
            bool exists = false;
            m_disk = CurrentDiskState(m_strPathName, exists);
        }
        if (m_bNewFile) {
            m_bNewFile = false;
            emit FormatChanged();
        }
    }
    SetModifiedFlag(false);
    RemoveRecovery();
    emit NoticesChanged();
    return true;
}

bool CLtDoc::DoFileSave(bool eightBit) {
    return DoSave(m_strPathName, true, eightBit);
}

bool CLtDoc::SaveModified() {
    if (!IsModified())
        return true;
    const QString name = ShownName(m_strPathName.isEmpty() ? m_strTitle : DisplayFileName(m_strPathName));
    switch (LtMessageBox(m_pView, CurrentResources().String(kStrAskToSave).arg(name), QMessageBox::Question,
                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes:
        return DoFileSave();
    case QMessageBox::No:
        return true;
    default:
        return false;
    }
}

bool CLtDoc::IsModified() const {
    return m_text->isModified();
}

void CLtDoc::SetModifiedFlag(bool modified) {
    m_text->setModified(modified);
}

void CLtDoc::SetPathName(const QString& path) {
    m_strPathName = QFileInfo(path).absoluteFilePath();
    m_strTitle = DisplayFileName(path);
    emit TitleChanged();
    emit PathNameChanged(m_strPathName);
}

void CLtDoc::OnViewFont() {
    // The font is the view's: without one there is nothing to show it in.
    if (m_pView == nullptr)
        return;
    std::optional<CLogFont>& logFont = m_pView->Settings().editorLogFont;
    if (!logFont)
        logFont.emplace();
    if (!logFont->RunFontDialog(m_pView->window(), CLogFont::kFontCommandFlags))
        return;
    QFont font;
    logFont->MakeFont(font, kEditorCharSet);
    m_pView->setFont(font);
}

QString CLtDoc::MailAttachmentName() const {
    if (!m_strPathName.isEmpty())
        return QFileInfo(m_strPathName).fileName();
    QString name = m_strTitle;
    if (!name.contains(u'.'))
        name += DocString(kDocFilterExt);
    return name;
}

void CLtDoc::OnFileSend() {
    QString path = m_strPathName;
    if (path.isEmpty() || IsModified()) {
        if (!m_mailFolder)
            m_mailFolder = std::make_unique<QTemporaryDir>();
        if (!m_mailFolder->isValid())
            return;
        // The mail client shows the attachment under its file name, so the copy carries the
        // document's name; a copy that cannot be written ends the command silently.
        path = m_mailFolder->filePath(MailAttachmentName());
        if (!WriteFormat(path, SaveFormat(false), false))
            return;
    }
    auto* process = new QProcess(this);
    QWidget* owner = m_pView;
    connect(process, &QProcess::errorOccurred, this, [process, owner](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            LtMessageBox(owner, CurrentResources().String(kStrMailUnavailable), QMessageBox::Warning);
            process->deleteLater();
        }
    });
    connect(process, &QProcess::finished, this, [process, owner](int exitCode, QProcess::ExitStatus status) {
        if (status != QProcess::NormalExit || exitCode != 0)
            LtMessageBox(owner, CurrentResources().String(kStrMailFailed), QMessageBox::Warning);
        process->deleteLater();
    });
    // Arguments as a list: no shell ever sees the file name.
    process->start(QStringLiteral("xdg-email"), {QStringLiteral("--attach"), path});
}
