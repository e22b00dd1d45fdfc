#include "CLtDoc.h"

#include "CLtView.h"
#include "CommandIds.h"
#include "DocStrings.h"
#include "LtMessageBox.h"
#include "TextFile.h"

#include "CResourceModule.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QSaveFile>

CLtDoc::CLtDoc(QObject* parent) : QObject(parent) {}

void CLtDoc::SetView(CLtView* view) {
    m_pView = view;
    if (m_pView != nullptr)
        connect(m_pView->document(), &QTextDocument::modificationChanged, this, &CLtDoc::TitleChanged);
}

bool CLtDoc::OnNewDocument() {
    if (m_pView != nullptr)
        m_pView->clear();
    m_strPathName.clear();
    m_strTitle = DocString(kDocNewFileName);
    SetModifiedFlag(false);
    emit TitleChanged();
    return true;
}

bool CLtDoc::OnOpenDocument(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    const SDecodedText decoded = DecodeTextFile(reinterpret_cast<const unsigned char*>(bytes.constData()),
                                                static_cast<std::size_t>(bytes.size()));
    if (m_pView != nullptr)
        m_pView->setPlainText(QString::fromStdU16String(decoded.text));
    SetPathName(path);
    SetModifiedFlag(false);
    return true;
}

bool CLtDoc::OnSaveDocument(const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QString text = m_pView != nullptr ? m_pView->toPlainText() : QString();
    QByteArray bytes("\xFF\xFE", 2);
    bytes.reserve(2 + text.size() * 2);
    for (const QChar ch : text) {
        bytes.append(static_cast<char>(ch.unicode() & 0xFF));
        bytes.append(static_cast<char>(ch.unicode() >> 8));
    }
    if (file.write(bytes) != bytes.size())
        return false;
    return file.commit();
}

bool CLtDoc::DoSave(const QString& path, bool replacePath) {
    QString target = path;
    if (target.isEmpty()) {
        QWidget* owner = m_pView != nullptr ? m_pView->window() : nullptr;
        QString suggested = m_strPathName.isEmpty() ? m_strTitle : m_strPathName;
        const QString ext = DocString(kDocFilterExt);
        if (m_strPathName.isEmpty() && !suggested.contains(u'.'))
            suggested += ext;
        target = QFileDialog::getSaveFileName(owner, QString(), suggested, DocFileFilter());
        if (target.isEmpty())
            return false;
        if (QFileInfo(target).suffix().isEmpty() && !ext.isEmpty())
            target += ext;
    }
    if (!OnSaveDocument(target)) {
        LtMessageBox(m_pView, CurrentResources().String(kStrCannotSave).arg(QFileInfo(target).fileName()),
                     QMessageBox::Warning);
        return false;
    }
    if (replacePath)
        SetPathName(target);
    SetModifiedFlag(false);
    return true;
}

bool CLtDoc::DoFileSave() {
    return DoSave(m_strPathName, true);
}

bool CLtDoc::SaveModified() {
    if (!IsModified())
        return true;
    const QString name = m_strPathName.isEmpty() ? m_strTitle : QFileInfo(m_strPathName).fileName();
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
    return m_pView != nullptr && m_pView->document()->isModified();
}

void CLtDoc::SetModifiedFlag(bool modified) {
    if (m_pView != nullptr)
        m_pView->document()->setModified(modified);
}

void CLtDoc::SetPathName(const QString& path) {
    m_strPathName = QFileInfo(path).absoluteFilePath();
    m_strTitle = QFileInfo(path).fileName();
    emit TitleChanged();
    emit PathNameChanged(m_strPathName);
}

bool CLtDoc::OnCmdMsg(int id) {
    switch (id) {
    case kCmdFileSave:
        DoFileSave();
        return true;
    case kCmdFileSaveAs:
        DoSave(QString(), true);
        return true;
    default:
        return false;
    }
}

bool CLtDoc::OnUpdateCmdUI(SCmdUI& cmdUI) {
    return cmdUI.id == kCmdFileSave || cmdUI.id == kCmdFileSaveAs;
}
