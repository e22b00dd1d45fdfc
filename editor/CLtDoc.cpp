#include "CLtDoc.h"

#include "TextFile.h"

#include "CLtView.h"
#include "DocStrings.h"
#include "LtMessageBox.h"
#include "ResourceIds.h"
#include "SettingsGui.h"

#include "CodePage.h"
#include "Utf8.h"

#include "CResourceModule.h"
#include "RawNames.h"
#include "RawPaths.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QPlainTextDocumentLayout>
#include <QProcess>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTextDocument>

#include <algorithm>
#include <cerrno>
#include <cstring>

CLtDoc::CLtDoc(QObject* parent) : QObject(parent), m_text(new QTextDocument(this)) {
    m_text->setDocumentLayout(new QPlainTextDocumentLayout(m_text));
    connect(m_text, &QTextDocument::modificationChanged, this, &CLtDoc::TitleChanged);
}

CLtDoc::~CLtDoc() {
    // A view that outlives the document goes on with a text of its own.
    if (m_pView != nullptr && m_pView->document() == m_text)
        m_pView->setDocument(nullptr);
}

QString CLtDoc::PlainText() const {
    return m_text->toPlainText();
}

QString CLtDoc::FormatText() const {
    QString text = QString::fromLatin1(EncodingName(m_format.encoding));
    if (m_format.bom)
        text += QStringLiteral(" BOM");
    return text + (m_bCrLf ? QStringLiteral(" · CRLF") : QStringLiteral(" · LF"));
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
    m_format = {ETextEncoding::kUtf16Le, true};
    m_bKeepFormat = false;
    emit FormatChanged();
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
    const SDecodedText decoded = DecodeTextFile(reinterpret_cast<const unsigned char*>(bytes.constData()),
                                                static_cast<std::size_t>(bytes.size()));
    m_format = decoded.format;
    m_bKeepFormat = IsUnicodeEncoding(m_format.encoding);
    SetText(decoded.text);
    SetPathName(path);
    SetModifiedFlag(false);
    return true;
}

void CLtDoc::SetText(const std::u16string& decoded) {
    QString text = QString::fromStdU16String(decoded);
    m_bCrLf = text.contains(QStringLiteral("\r\n"));
    if (m_bCrLf)
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_text->setPlainText(text);
    // A new text is read from its start.
    if (m_pView != nullptr)
        m_pView->moveCursor(QTextCursor::Start);
    emit FormatChanged();
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
    if (!eightBit)
        return {ETextEncoding::kUtf16Le, true};
    const QString text = PlainText();
    const bool cyrillic = std::any_of(text.cbegin(), text.cend(), [](QChar ch) {
        return ch.unicode() >= 0x0400 && ch.unicode() <= 0x04FF;
    });
    return {cyrillic ? ETextEncoding::kCp1251 : ETextEncoding::kUtf8, false};
}

bool CLtDoc::WriteFormat(const QString& path, STextFormat format, bool adopt) {
    m_strLastError.clear();
    QString text = PlainText();
    if (m_bCrLf)
        text.replace(u'\n', QStringLiteral("\r\n"));
    SEncodedText encoded = EncodeText(text.toStdU16String(), format);
    if (encoded.lacking > 0) {
        // Never a silent "?": say what would be lost and offer UTF-8, which holds everything.
        QStringList shown;
        const QString first = QString::fromStdU16String(encoded.lackingFirst);
        for (int i = 0; i < first.size() && shown.size() < 5; ++i) {
            const int length = first[i].isHighSurrogate() && i + 1 < first.size() ? 2 : 1;
            shown << QStringLiteral("“") + first.mid(i, length) + QStringLiteral("”");
            i += length - 1;
        }
        const QString message = CurrentResources()
                                    .String(kStrLacksCharacters)
                                    .arg(QString::fromLatin1(EncodingName(format.encoding)))
                                    .arg(encoded.lacking)
                                    .arg(shown.join(QStringLiteral(", ")));
        if (LtMessageBox(m_pView, message, QMessageBox::Warning, QMessageBox::Yes | QMessageBox::Cancel) !=
            QMessageBox::Yes)
            return false;
        format = {ETextEncoding::kUtf8, false};
        encoded = EncodeText(text.toStdU16String(), format);
    }
    const qsizetype size = static_cast<qsizetype>(encoded.bytes.size());
    if (IsRawPath(path)) {
        // A name that is not UTF-8 is written back through its own bytes.
        if (!ReplaceFileRaw(path, QByteArray(encoded.bytes.data(), size), m_strLastError))
            return false;
    } else {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            m_strLastError = file.errorString();
            return false;
        }
        // The system's reason is errno at the failing call: QSaveFile reports a failed flush in
        // commit() only as "Unknown error".
        errno = 0;
        bool saved = file.write(encoded.bytes.data(), size) == size;
        int reason = saved ? 0 : errno;
        if (saved) {
            errno = 0;
            saved = file.commit();
            reason = saved ? 0 : errno;
        }
        if (!saved) {
            m_strLastError = reason != 0 ? QString::fromLocal8Bit(std::strerror(reason)) : file.errorString();
            return false;
        }
    }
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
    QFile file(m_strPathName);
    if (!file.open(QIODevice::ReadOnly)) {
        LtMessageBox(m_pView, CurrentResources().String(kStrCannotOpen).arg(ShownName(m_strTitle)),
                     QMessageBox::Warning);
        return false;
    }
    const QByteArray bytes = file.readAll();
    static const QByteArray kMarks[] = {QByteArray("\xEF\xBB\xBF"), QByteArray("\xFF\xFE"),
                                        QByteArray("\xFE\xFF")};
    const int index = static_cast<int>(encoding);
    const bool bom = IsUnicodeEncoding(encoding) && bytes.startsWith(kMarks[index]);
    m_format = {encoding, bom};
    m_bKeepFormat = true;
    SetText(DecodeText(reinterpret_cast<const unsigned char*>(bytes.constData()),
                       static_cast<std::size_t>(bytes.size()), m_format));
    SetModifiedFlag(false);
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
    if (!OnSaveDocument(target, eightBit)) {
        if (m_strLastError.isEmpty())
            return false; // the user chose not to save
        QString message = CurrentResources().String(kStrCannotSave).arg(ShownName(DisplayFileName(target)));
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
