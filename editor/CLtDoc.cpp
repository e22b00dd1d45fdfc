#include "CLtDoc.h"

#include "TextFile.h"

#include "CLtView.h"
#include "CommandIds.h"
#include "DocStrings.h"
#include "LtMessageBox.h"
#include "Settings.h"

#include "CodePage.h"
#include "Utf8.h"

#include "CResourceModule.h"
#include "RawPaths.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QTemporaryDir>

#include <algorithm>

CLtDoc::CLtDoc(QObject* parent) : QObject(parent) {}

CLtDoc::~CLtDoc() = default;

QString CLtDoc::DecodeFileBytes(const QByteArray& bytes) {
    return QString::fromStdU16String(DecodeTextFile(reinterpret_cast<const unsigned char*>(bytes.constData()),
                                                    static_cast<std::size_t>(bytes.size()))
                                         .text);
}

QByteArray CLtDoc::EncodeFileBytes(const QString& plain, bool eightBit, bool crlf) {
    QString text = plain;
    if (crlf)
        text.replace(u'\n', QStringLiteral("\r\n"));
    if (!eightBit) {
        QByteArray bytes("\xFF\xFE", 2);
        bytes.reserve(2 + text.size() * 2);
        for (const QChar ch : std::as_const(text)) {
            bytes.append(static_cast<char>(ch.unicode() & 0xFF));
            bytes.append(static_cast<char>(ch.unicode() >> 8));
        }
        return bytes;
    }
    const bool cyrillic = std::any_of(text.cbegin(), text.cend(), [](QChar ch) {
        return ch.unicode() >= 0x0400 && ch.unicode() <= 0x04FF;
    });
    if (!cyrillic)
        return text.toUtf8(); // never cut: every character keeps all its bytes
    const std::string bytes = EncodeWithCodePage(kCodePage1251, text.toStdU16String());
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

void CLtDoc::SetView(CLtView* view) {
    m_pView = view;
    if (m_pView != nullptr)
        connect(m_pView->document(), &QTextDocument::modificationChanged, this, &CLtDoc::TitleChanged);
}

bool CLtDoc::OnNewDocument() {
    if (m_pView != nullptr) {
        m_pView->clear();
        if (g_editorFont)
            m_pView->setFont(*g_editorFont);
    }
    m_bCrLf = false;
    m_strPathName.clear();
    m_strTitle = DocString(kDocNewFileName);
    SetModifiedFlag(false);
    emit TitleChanged();
    return true;
}

bool CLtDoc::OnOpenDocument(const QString& path) {
    QFile file;
    if (!OpenForReading(file, path))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    QString text = DecodeFileBytes(bytes);
    m_bCrLf = text.contains(QStringLiteral("\r\n"));
    if (m_bCrLf)
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (m_pView != nullptr)
        m_pView->setPlainText(text);
    SetPathName(path);
    SetModifiedFlag(false);
    return true;
}

bool CLtDoc::OnSaveDocument(const QString& path) {
    // Ctrl still held from Ctrl+S, or held while choosing Save, asks for the 8-bit form.
    return WriteFile(path, (QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier) != 0);
}

bool CLtDoc::WriteFile(const QString& path, bool eightBit) {
    m_strLastError.clear();
    // A name that is not UTF-8 is written back through its own bytes.
    if (IsRawPath(path))
        return ReplaceFileRaw(
            path, EncodeFileBytes(m_pView != nullptr ? m_pView->toPlainText() : QString(), eightBit, m_bCrLf),
            m_strLastError);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        m_strLastError = file.errorString();
        return false;
    }
    const QString text = m_pView != nullptr ? m_pView->toPlainText() : QString();
    const QByteArray bytes = EncodeFileBytes(text, eightBit, m_bCrLf);
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        m_strLastError = file.errorString();
        return false;
    }
    return true;
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
        QString message = CurrentResources().String(kStrCannotSave).arg(QFileInfo(target).fileName());
        if (!m_strLastError.isEmpty())
            message += QStringLiteral("\n\n") + m_strLastError;
        LtMessageBox(m_pView, message, QMessageBox::Warning);
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
    m_strTitle = DisplayFileName(path);
    emit TitleChanged();
    emit PathNameChanged(m_strPathName);
}

void CLtDoc::OnViewFont() {
    if (!g_editorLogFont)
        g_editorLogFont = std::make_unique<CLogFont>();
    QWidget* owner = m_pView != nullptr ? m_pView->window() : nullptr;
    if (!g_editorLogFont->RunFontDialog(owner, CLogFont::kFontCommandFlags))
        return;
    auto font = std::make_unique<QFont>();
    g_editorLogFont->MakeFont(*font, kEditorCharSet);
    g_editorFont = std::move(font);
    if (m_pView != nullptr)
        m_pView->setFont(*g_editorFont);
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
        if (!WriteFile(path, false))
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

bool CLtDoc::OnCmdMsg(int id) {
    switch (id) {
    case kCmdViewFont:
        OnViewFont();
        return true;
    case kCmdFileSend:
        OnFileSend();
        return true;
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
    switch (cmdUI.id) {
    case kCmdFileSend:
        // Without a mail client the item leaves its menu; the menu drops the separator left over.
        cmdUI.Enable(g_bMailAvailable);
        cmdUI.visible = g_bMailAvailable;
        return true;
    case kCmdViewFont:
    case kCmdFileSave:
    case kCmdFileSaveAs:
        return true;
    default:
        return false;
    }
}
