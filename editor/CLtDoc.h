// The document of the single-document frame. It owns the text (the QTextDocument the view shows),
// its encoding and line ends, the file's path and title, and asks about unsaved changes. Whether
// Save writes the 8-bit form is the caller's choice, passed in. Created once at start-up and
// reused for every new or opened file.
#pragma once

#include "TextEncoding.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class CLtView;
class QTemporaryDir;
class QTextDocument;

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
    // False when the file cannot be read; the document is then unchanged.
    bool OnOpenDocument(const QString& path);
    // Writes the text in the format SaveFormat gives, through a temporary file so that a failed
    // write never leaves half a document. False when nothing was written: LastError() says why,
    // or is empty when the user chose not to save.
    bool OnSaveDocument(const QString& path, bool eightBit);
    bool WriteFile(const QString& path, bool eightBit);
    // What Save writes: the encoding the file was opened or last saved with when it is Unicode or
    // was chosen by the user; otherwise UTF-16LE with a byte-order mark, or with eightBit (Ctrl
    // held) Windows-1251 for Russian text and UTF-8, the system code page here, for other text.
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
    // The encoding or the line ends changed (open, save, reopen).
    void FormatChanged();
    // A file was opened or saved under a new name; the recent-file list takes it.
    void PathNameChanged(const QString& path);

private:
    void SetPathName(const QString& path);
    void SetText(const std::u16string& decoded);
    bool ChooseEncoding(int titleId, ETextEncoding& encoding) const;

    QString PlainText() const;

    QTextDocument* m_text; // child of the document
    QPointer<CLtView> m_pView;
    QString m_strPathName;
    QString m_strTitle;
    QString m_strLastError;
    bool m_bCrLf = false; // the file had CR LF line ends; they are written back so
    STextFormat m_format{ETextEncoding::kUtf16Le, true};
    bool m_bKeepFormat = false; // Save writes m_format (Unicode, or chosen by the user)
    // Copies handed to the mail client: it reads them after xdg-email has returned, so they stay
    // until the program ends.
    std::unique_ptr<QTemporaryDir> m_mailFolder;
};
