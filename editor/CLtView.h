// The editor view: the one edit window of the program, showing the document's whole text. While
// the In Russian mode is on, each typed character is inserted as usual and then, before the next
// key is handled, rewritten together with the keys typed just before it into its Cyrillic letter.
// The view also owns the mode and its feedback (grey background, sounds, check mark, the frame's
// mode picture) and the editor commands.
#pragma once

#include <QColor>
#include <QPlainTextEdit>

class QPrinter;
#include <QStringList>
#include <QTextCursor>

#include <string>

#include <functional>

class CSettings;
class CSpellHighlighter;
class QMenu;
class QPagedPaintDevice;

// The In Russian mode: on at start, never stored, changed only by ToggleRussianMode.
extern bool g_inRussian;

// What a key typed at `caret` makes in the In Russian mode: the characters from `from` up to the
// caret, with the key, become `letter`. `typed` is the key about to go in, or a null QChar when it
// is in already, just before the caret. Only the few characters a typed form can span are read
// (through charAt), so a key costs the same in any length of text. The editor and the find bar's
// fields type through this one rule.
struct STypedLetter {
    bool converts = false; // false: the key stays itself
    int from = 0;
    QChar letter;
};
STypedLetter LetterOfKey(const std::function<QChar(int)>& charAt, int caret, QChar typed);

class CLtView : public QPlainTextEdit {
    Q_OBJECT

public:
    // The view follows the wrap, tab width and grey settings as they change.
    explicit CLtView(CSettings& settings, QWidget* parent = nullptr);
    ~CLtView() override;

    CSettings& Settings() const { return m_settings; }

    // The context menu; the main frame fills it from menu 139 of the current resource module
    // when the view is created and again after each language switch.
    QMenu* ContextMenu() const { return m_menuContext; }

    void ToggleRussianMode();
    // Grey while the mode and its "BlueRus"/"BlueOrig" setting say so.
    void UpdateBackground();
    // One tab stop every "TabStops" average character widths of the current font (TabStopDistance).
    void ApplyTabStops();
    void ApplyWordWrap();

    // The editor commands; the frame binds them to their actions.
    void OnEditConvert();
    void OnEditPaste();
    void OnEditCopy1251();
    // Repairs double-encoded text in the selection, else in the whole text: one undo step, the
    // result selected. False (after saying so) when nothing needed repair.
    bool OnEditRepairEncoding();
    void OnFilePrint();
    void OnFilePrintPreview();
    void OnFilePrintSetup();
    // Prints the whole text in the editor's font at its real size; the number of pages drawn.
    int PrintDocument(QPagedPaintDevice* device) const;
    // The title the printed pages carry in their header.
    void SetPrintTitle(const QString& title) { m_strPrintTitle = title; }
    // Selects the word around the caret, words being cut by " !()?.,:;", tab and line ends.
    void SelectWordAtCaret();

    // View > Auto Clip and Word Wrap: turn the setting over.
    void ToggleAutoClip();
    void ToggleWordWrap();

    // Edit > Check Spelling as You Type: the setting, where -1 means on when a dictionary is
    // installed.
    bool IsSpellingOn() const;
    void ToggleSpelling();
    CSpellHighlighter* SpellHighlighter() const { return m_spell; }
    // The spelling part of the context menu for the word at `position`, when it is misspelt: its
    // suggestions, Add to Dictionary and Ignore, then a separator. False when nothing was added.
    bool AddSpellingActions(QMenu* menu, int position);
    // Hides QPlainTextEdit::setDocument, which is not virtual: the document's SetView calls it
    // through a CLtView, and the underline must move to the new text with it.
    void setDocument(QTextDocument* document);

    // The local files a drop carries; empty when it carries none.
    static QStringList DroppedFiles(const QMimeData* source);

signals:
    // The mode changed; the frame shows it in its mode picture.
    void RussianModeChanged(bool on);
    // Files were dropped on the editor; the first is to be opened.
    void FilesDropped(const QStringList& files);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    // The selected characters as they are: no-break spaces and line separators stay themselves.
    QMimeData* createMimeDataFromSelection() const override;

private:
    void ConvertTyped();
    QPrinter& PagePrinter() const;
    void TypeConverted(QChar typed);
    STypedLetter LetterAtCaret(int caret, QChar typed) const;
    void ReplaceSelection(QTextCursor cursor, const std::u16string& text);
    bool IsGrey() const;
    void OnSettingChanged(const QString& name);
    void ApplySpelling();

    CSettings& m_settings;
    QMenu* m_menuContext; // child of the view
    const QColor m_crGray{191, 191, 191};
    QString m_strPrintTitle;
    CSpellHighlighter* m_spell = nullptr; // made when checking is first on
};
