// The document of the single-document frame. It owns the text (the QTextDocument the view shows),
// its encoding and line ends, the file's path and title, and asks about unsaved changes. Whether
// Save writes the 8-bit form is the caller's choice, passed in. Created once at start-up and
// reused for every new or opened file.
#pragma once

#include "DocFileIo.h"
#include "TextEncoding.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTextDocument>

#include <memory>

class CLtView;
class QFileSystemWatcher;
class QTemporaryDir;
class QTextBlock;
class QTextCursor;
class QTextDocument;
class QTimer;

class CLtDoc : public QObject {
    Q_OBJECT

public:
    explicit CLtDoc(QObject* parent = nullptr);
    ~CLtDoc() override;

    // The view shows this document's text from now on; its dialogs open over the view's window.
    void SetView(CLtView* view);
    CLtView* View() const { return m_pView; }
    QTextDocument* TextDocument() const { return m_text; }

    // An empty text titled with the new-file name.
    bool OnNewDocument();
    // An empty text under the name of a file that does not exist yet; Save creates it.
    void OnNewNamedDocument(const QString& path);
    // False when the file cannot be read (LastError() says why) or the user chose not to open a
    // binary file (LastError() empty); the document is then unchanged.
    bool OnOpenDocument(const QString& path);
    // The errno of the last failed open (ENOENT: the file does not exist).
    int LastErrorCode() const { return m_nLastErrorCode; }
    // The file named does not exist yet.
    bool IsNewFile() const { return m_bNewFile; }
    // Bytes of the file the encoding cannot read; they are kept as they were.
    std::size_t UndecodableBytes() const { return m_nUndecodable; }

    // The file on disk as against what was last read or written.
    enum class EDiskChange { kNone, kChanged, kGone };
    EDiskChange DiskChange() const { return m_diskChange; }
    // Compares the file with what was last read or written (the watcher does this by itself).
    void CheckDisk();
    // The changed file read again (asking first when there are unsaved edits), or the text kept
    // and the file's new state taken as known, so that Save asks no more.
    bool ReloadFromDisk();
    void KeepMine();
    // The file differs in size or content from what was last read or written.
    bool DiskDiffers() const;

    // The text as it goes to the file: every character as the file held it, line ends included.
    QString DocumentText() const;

    // Lines longer than this are shown in pieces of at most this many characters, cut after a
    // space where one is near and never inside a character; the file keeps them whole.
    static constexpr qsizetype kLongLine = 10000;
    // The number of places where a long line was cut when the text was read.
    int LongLineCuts() const { return m_nSeams; }
    // The block is a piece of a long line after its first: no line end comes before it.
    static bool IsContinuation(const QTextBlock& block);
    // The cursor's selection as the file holds it: the pieces of long lines joined, each line
    // end a paragraph separator, as selectedText() gives it.
    static QString FileText(const QTextCursor& cursor);
    // QTextDocument::find forward from `from`, finding also the matches that run across the cut
    // between two pieces of a long line (the cursor then selects the cut too).
    static QTextCursor Find(QTextDocument* doc, const QString& what, int from,
                            QTextDocument::FindFlags flags);
    // The caret's line and column in the file (from 0), whatever pieces its line is shown in.
    void FileLineColumn(const QTextCursor& cursor, int& line, int& column) const;
    // The number of lines of the file, and the first block of its line `line` (from 0).
    int FileLineCount() const;
    QTextBlock FileLineBlock(int line) const;

    // Unsaved edits are kept in a recovery file every few seconds and every kRecoveryKeys changes.
    static constexpr int kRecoveryKeys = 200;
    static constexpr int kRecoveryMs = 5000;
    const QString& RecoveryFile() const { return m_strRecoveryFile; }
    bool WriteRecoveryNow();
    void RemoveRecovery();
    // At start: offers the newest recovery file no running editor writes; true when its text
    // was taken.
    bool OfferRecovery();
    // Writes the text in the format SaveFormat gives, through a temporary file so that a failed
    // write never leaves half a document. False when nothing was written: LastError() says why,
    // or is empty when the user chose not to save.
    bool OnSaveDocument(const QString& path, bool eightBit);
    bool WriteFile(const QString& path, bool eightBit);
    // What Save writes: the encoding the file was opened or last saved with when it is Unicode or
    // was chosen by the user, or 8-bit with the setting keepEightBit on; otherwise UTF-16LE with a
    // byte-order mark, or with eightBit (Ctrl held) Windows-1251 for Russian text and UTF-8, the
    // system code page here, for other text.
    STextFormat SaveFormat(bool eightBit) const;
    // Writes in that format. An 8-bit format that lacks characters of the text first asks
    // whether to write UTF-8 instead. adopt: the document takes the file's format (not so for
    // the copy handed to the mail client).
    bool WriteFormat(const QString& path, STextFormat format, bool adopt);
    const QString& LastError() const { return m_strLastError; }

    const STextFormat& Format() const { return m_format; }
    bool HasCrLf() const { return m_bCrLf; }
    // The status bar's words for them: "UTF-8 · LF", "UTF-16LE BOM · CRLF".
    QString FormatText() const;

    // File > Save with Encoding and Reopen with Encoding: the user picks one of the encodings.
    bool OnFileSaveWithEncoding();
    bool OnFileReopenWithEncoding();
    bool SaveWithEncoding(ETextEncoding encoding);
    // Reads the file's bytes again in the encoding; false when the file cannot be read.
    bool ReopenWithEncoding(ETextEncoding encoding);

    // The editor font command and sending the document by mail.
    void OnViewFont();
    void OnFileSend();
    // The name the attachment carries: the file's own, or the title with the default extension.
    QString MailAttachmentName() const;

    // Asks whether to save unsaved changes: true when the caller may go on (saved, or the user
    // said no), false when the user cancelled or saving failed.
    bool SaveModified();
    // Save, or Save As for a document without a path. False when nothing was saved. eightBit:
    // the user asked for the 8-bit form (Ctrl held), see SaveFormat.
    bool DoFileSave(bool eightBit = false);
    bool DoSave(const QString& path, bool replacePath, bool eightBit = false);

    const QString& GetPathName() const { return m_strPathName; }
    const QString& GetTitle() const { return m_strTitle; }
    bool IsModified() const;
    void SetModifiedFlag(bool modified = true);

signals:
    void TitleChanged();
    // The bars above the text change: bytes kept unread, the file changed on disk.
    void NoticesChanged();
    // The encoding or the line ends changed (open, save, reopen).
    void FormatChanged();
    // The text just read holds lines too long to show whole (see kLongLine).
    void LongLinesCut();
    // A file was opened or saved under a new name; the recent-file list takes it.
    void PathNameChanged(const QString& path);

private:
    void SetPathName(const QString& path);
    void SetText(const std::u16string& decoded);
    // Forgets the file's state and watches the new path.
    void Watch();
    void OnContentsChanged();
    // Gives the paragraphs an edit made a line end of their own.
    void MendNewBlocks(int position, int removed, int added);
    bool ChooseEncoding(int titleId, ETextEncoding& encoding) const;

    QString PlainText() const;
    bool WriteBytes(const QString& path, const QByteArray& bytes, bool adopt);

    QTextDocument* m_text; // child of the document
    QPointer<CLtView> m_pView;
    QString m_strPathName;
    QString m_strTitle;
    QString m_strLastError;
    bool m_bCrLf = false;      // most line ends of the file were CR LF; new lines get them too
    bool m_bMixedEnds = false; // other line ends too, each kept where it was
    std::string m_trailing;    // an odd last byte of UTF-16, written back after the text
    int m_nSeams = 0;          // long lines cut into pieces when the text was read
    bool m_bFreshEdit = false; // an edit (not an undo or redo) is being reported
    bool m_bMending = false;
    std::size_t m_nUndecodable = 0;
    bool m_bEscapedBytes = false; // the text was read as UTF-8: its escapes stand for bytes
    bool m_bNewFile = false;
    int m_nLastErrorCode = 0;
    SDiskState m_disk;
    EDiskChange m_diskChange = EDiskChange::kNone;
    QFileSystemWatcher* m_watcher;
    QTimer* m_diskCheck;
    QTimer* m_recoveryTimer;
    int m_nChangesSinceRecovery = 0;
    QString m_strRecoveryFile;
    STextFormat m_format{ETextEncoding::kUtf16Le, true};
    bool m_bKeepFormat = false; // Save writes m_format (Unicode, or chosen by the user)
    // Copies handed to the mail client: it reads them after xdg-email has returned, so they stay
    // until the program ends.
    std::unique_ptr<QTemporaryDir> m_mailFolder;
};
