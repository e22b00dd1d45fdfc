// The document of the single-document frame. It holds no text of its own: the text lives in the
// view, and the document reads and writes it there. It knows the file's path and title and asks
// about unsaved changes. Created once at start-up and reused for every new or opened file.
#pragma once

#include "CCmdTarget.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

class CLtView;
class QTemporaryDir;

class CLtDoc : public QObject, public CCmdTarget {
    Q_OBJECT

public:
    explicit CLtDoc(QObject* parent = nullptr);
    ~CLtDoc() override;

    void SetView(CLtView* view);
    CLtView* View() const { return m_pView; }

    // An empty text titled with the new-file name.
    bool OnNewDocument();
    // False when the file cannot be read; the document is then unchanged.
    bool OnOpenDocument(const QString& path);
    // Writes the text as UTF-16 with a byte-order mark, or as 8-bit text while Ctrl is held,
    // through a temporary file so that a failed write never leaves half a document. False when
    // the file could not be written; LastError() says why.
    bool OnSaveDocument(const QString& path);
    bool WriteFile(const QString& path, bool eightBit);
    const QString& LastError() const { return m_strLastError; }

    // The bytes of a file as text, whole: a zero byte or unit is kept like any other character.
    static QString DecodeFileBytes(const QByteArray& bytes);
    // The file form of the text: UTF-16LE after FF FE, or 8 bits a character (Windows-1251 for
    // Russian text, else UTF-8, the system code page here). crlf writes line ends as CR LF.
    static QByteArray EncodeFileBytes(const QString& text, bool eightBit, bool crlf);

    // The editor font command and sending the document by mail.
    void OnViewFont();
    void OnFileSend();
    // The name the attachment carries: the file's own, or the title with the default extension.
    QString MailAttachmentName() const;

    // Asks whether to save unsaved changes: true when the caller may go on (saved, or the user
    // said no), false when the user cancelled or saving failed.
    bool SaveModified();
    // Save, or Save As for a document without a path. False when nothing was saved.
    bool DoFileSave();
    bool DoSave(const QString& path, bool replacePath);

    const QString& GetPathName() const { return m_strPathName; }
    const QString& GetTitle() const { return m_strTitle; }
    bool IsModified() const;
    void SetModifiedFlag(bool modified = true);

    bool OnCmdMsg(int id) override;
    bool OnUpdateCmdUI(SCmdUI& cmdUI) override;

signals:
    void TitleChanged();
    // A file was opened or saved under a new name; the recent-file list takes it.
    void PathNameChanged(const QString& path);

private:
    void SetPathName(const QString& path);

    CLtView* m_pView = nullptr;
    QString m_strPathName;
    QString m_strTitle;
    QString m_strLastError;
    bool m_bCrLf = false; // the file had CR LF line ends; they are written back so
    // Copies handed to the mail client: it reads them after xdg-email has returned, so they stay
    // until the program ends.
    std::unique_ptr<QTemporaryDir> m_mailFolder;
};
