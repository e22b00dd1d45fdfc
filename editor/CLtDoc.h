// The document of the single-document frame. It holds no text of its own: the text lives in the
// view, and the document reads and writes it there. It knows the file's path and title and asks
// about unsaved changes. Created once at start-up and reused for every new or opened file.
#pragma once

#include "CCmdTarget.h"

#include <QObject>
#include <QString>

class CLtView;

class CLtDoc : public QObject, public CCmdTarget {
    Q_OBJECT

public:
    explicit CLtDoc(QObject* parent = nullptr);

    void SetView(CLtView* view);
    CLtView* View() const { return m_pView; }

    // An empty text titled with the new-file name.
    bool OnNewDocument();
    // False when the file cannot be read; the document is then unchanged.
    bool OnOpenDocument(const QString& path);
    // Writes the text as UTF-16 with a byte-order mark, through a temporary file so that a failed
    // write never leaves half a document. False when the file could not be written.
    bool OnSaveDocument(const QString& path);

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
};
