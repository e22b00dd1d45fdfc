// The document: files of every encoding opened, saved and read back, failed saves, mail.
#include "../common/AsNobody.h"
#include "../common/FileSizeLimit.h"
#include "EditorTest.h"

#include "CLtDoc.h"
#include "CLtView.h"
#include "CodePage.h"
#include "DocFileIo.h"
#include "LtMessageBox.h"
#include "ResourceIds.h"
#include "SettingsGui.h"
#include "TextEncoding.h"

#include <QDateTime>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kRussian = u"Съешь же ещё этих мягких французских булок, да выпей чаю.\nЭх, жизнь!"_qs;

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray Encode(unsigned codePage, const QString& text) {
    const std::string bytes = EncodeWithCodePage(codePage, text.toStdU16String());
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QByteArray Utf16(const QString& text, bool bom) {
    QByteArray bytes = bom ? QByteArray("\xFF\xFE", 2) : QByteArray();
    bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return bytes;
}

} // namespace

void TestDocument::init() {
    m_view = new CLtView(m_settings);
    m_doc = new CLtDoc;
    m_doc->SetView(m_view);
    m_doc->OnNewDocument();
}

void TestDocument::cleanup() {
    delete m_doc;
    delete m_view;
    Modal::Reset();
}

void TestDocument::opensEncodings_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("UTF-16LE with BOM") << Utf16(kRussian, true) << kRussian;
    QTest::newRow("UTF-16LE without BOM") << Utf16(kRussian, false) << kRussian;
    QTest::newRow("UTF-16LE Latin without BOM") << Utf16(u"plain words"_qs, false) << u"plain words"_qs;
    QTest::newRow("UTF-8") << kRussian.toUtf8() << kRussian;
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF") + kRussian.toUtf8() << kRussian;
    QTest::newRow("CP866") << Encode(kCodePage866, kRussian) << kRussian;
    QTest::newRow("Windows-1251") << Encode(kCodePage1251, kRussian) << kRussian;
    QTest::newRow("KOI8-R") << Encode(kCodePageKoi8r, kRussian) << kRussian;
    QTest::newRow("Windows-1252") << QByteArray("caf\xE9") << u"café"_qs;
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("one byte") << QByteArray("A") << u"A"_qs;
}

void TestDocument::opensEncodings() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"in.txt"_qs);
    WriteAll(path, bytes);
    QVERIFY(m_doc->OnOpenDocument(path));
    QCOMPARE(m_view->toPlainText(), text);
    QCOMPARE(m_doc->GetTitle(), u"in.txt"_qs);
    QVERIFY(!m_doc->IsModified());
    // A file that cannot be read leaves the document as it was.
    QVERIFY(!m_doc->OnOpenDocument(dir.filePath(u"missing.txt"_qs)));
    QCOMPARE(m_view->toPlainText(), text);
}

void TestDocument::zeroDoesNotCutText() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"zero.txt"_qs);
    const QString text = u"до"_qs + QChar(0) + u"после"_qs;
    WriteAll(path, Utf16(text, true));
    QVERIFY(m_doc->OnOpenDocument(path));
    QVERIFY(m_view->toPlainText().endsWith(u"после"_qs));
    QVERIFY(m_doc->WriteFile(path, false));
    QCOMPARE(ReadAll(path), Utf16(text, true));
    WriteAll(path, QByteArray("abc\0def", 7));
    Modal::NextMessageBoxAnswer(QMessageBox::Yes); // a zero byte without a mark: binary?
    QVERIFY(m_doc->OnOpenDocument(path));
    QCOMPARE(m_view->toPlainText(), QString::fromLatin1("abc\0def", 7));
}

void TestDocument::saveWritesUtf16AndReadsBack() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"out.txt"_qs);
    m_view->insertPlainText(kRussian + u"\tž€𝄞"_qs);
    QVERIFY(m_doc->IsModified());
    QVERIFY(m_doc->DoSave(path, true));
    QVERIFY(!m_doc->IsModified());
    QCOMPARE(m_doc->GetPathName(), QFileInfo(path).absoluteFilePath());
    QCOMPARE(ReadAll(path), Utf16(kRussian + u"\tž€𝄞"_qs, true));
    m_view->clear();
    QVERIFY(m_doc->OnOpenDocument(path));
    QCOMPARE(m_view->toPlainText(), kRussian + u"\tž€𝄞"_qs);
}

void TestDocument::eightBitSave() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"out.txt"_qs);
    m_view->setPlainText(kRussian);
    QVERIFY(m_doc->WriteFile(path, true));
    QCOMPARE(ReadAll(path), Encode(kCodePage1251, kRussian));
    QVERIFY(m_doc->OnOpenDocument(path));
    QCOMPARE(m_view->toPlainText(), kRussian);
    // Without Cyrillic the system code page, here UTF-8: nothing is cut or lost.
    m_view->setPlainText(u"naïve € 日本"_qs);
    QVERIFY(m_doc->WriteFile(path, true));
    QCOMPARE(ReadAll(path), u"naïve € 日本"_qs.toUtf8());
    QVERIFY(m_doc->OnOpenDocument(path));
    QCOMPARE(m_view->toPlainText(), u"naïve € 日本"_qs);
}

void TestDocument::crlfLineEndsKept() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"dos.txt"_qs);
    WriteAll(path, Encode(kCodePage866, u"строка\r\nещё\r\n"_qs));
    QVERIFY(m_doc->OnOpenDocument(path));
    QCOMPARE(m_view->toPlainText(), u"строка\nещё\n"_qs);
    QVERIFY(m_doc->WriteFile(path, false));
    QCOMPARE(ReadAll(path), Utf16(u"строка\r\nещё\r\n"_qs, true));
}

void TestDocument::failedSaveKeepsOldFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"old.txt"_qs);
    WriteAll(path, QByteArray("old contents"));
    QVERIFY(m_doc->OnOpenDocument(path));
    m_view->insertPlainText(QString(100000, u'ж'));
    const QStringList& messages = Modal::Record().messageBoxes;
    Modal::AnswerAllMessageBoxes(QMessageBox::Ok);
    bool saved = true;
    {
        const CFileSizeLimit limit(4096); // a full disk: writes beyond 4 KiB fail
        saved = m_doc->DoFileSave();
    }
    QVERIFY(!saved);
    QCOMPARE(ReadAll(path), QByteArray("old contents"));
    QCOMPARE(messages.size(), 1);
    QVERIFY(messages[0].contains(u"old.txt"_qs));
    // The system's own reason, not only "cannot save".
    QVERIFY2(messages[0].contains(QString::fromLocal8Bit(std::strerror(EFBIG)), Qt::CaseInsensitive),
             qPrintable(messages[0]));
    QVERIFY(m_doc->IsModified());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{u"old.txt"_qs}); // no leftovers
    // A folder that does not exist.
    QVERIFY(!m_doc->DoSave(dir.filePath(u"no/such/folder.txt"_qs), true));
    QCOMPARE(messages.size(), 2);
    QCOMPARE(m_doc->GetPathName(), QFileInfo(path).absoluteFilePath());
}

void TestDocument::saveModifiedPrompt() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"doc.txt"_qs);
    QVERIFY(m_doc->DoSave(path, true));
    QVERIFY(m_doc->SaveModified()); // unchanged: no question
    QTest::keyClicks(m_view, "da");
    for (const auto answer : {QMessageBox::Cancel, QMessageBox::No, QMessageBox::Yes})
        Modal::NextMessageBoxAnswer(answer);
    QVERIFY(!m_doc->SaveModified());
    QVERIFY(m_doc->SaveModified());
    QVERIFY(m_doc->SaveModified());
    QCOMPARE(Modal::Record().messageBoxes.size(), 3);
    QCOMPARE(ReadAll(path), Utf16(u"да"_qs, true));
}

void TestDocument::sendHandsCopyToMailClient() {
    // A stand-in mail client that records its arguments and the attachment it was given.
    QTemporaryDir bin;
    const QString log = bin.filePath(u"args.log"_qs);
    const QString script = bin.filePath(u"xdg-email"_qs);
    WriteAll(script,
             QStringLiteral("#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > '%1'\ncat \"$2\" >> '%1'\n")
                 .arg(log)
                 .toUtf8());
    QFile::setPermissions(script, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", bin.path().toUtf8() + ':' + oldPath);

    QTest::keyClicks(m_view, "da");
    QCOMPARE(m_doc->MailAttachmentName(), m_doc->GetTitle() + u".txt"_qs);
    m_doc->OnFileSend();
    QTRY_VERIFY(QFile::exists(log));
    QTRY_VERIFY(ReadAll(log).endsWith(Utf16(u"да"_qs, true)));
    const QByteArray recorded = ReadAll(log);
    QVERIFY(recorded.startsWith("--attach\n"));
    QVERIFY(recorded.contains((u"/"_qs + m_doc->GetTitle() + u".txt\n"_qs).toUtf8()));
    qputenv("PATH", oldPath);
}

// The text is the document's own: it opens, saves and says it is modified without any view.
void TestDocument::documentWithoutAView() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"in.txt"_qs);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("a\r\nb") == 4);
    file.close();
    CLtDoc doc;
    QVERIFY(doc.OnOpenDocument(path));
    QCOMPARE(doc.TextDocument()->toPlainText(), u"a\nb"_qs);
    doc.TextDocument()->setPlainText(u"c\nd"_qs);
    QVERIFY(doc.IsModified());
    QVERIFY(doc.DoFileSave());
    QCOMPARE(ReadAll(path), QByteArray("c\r\nd"));
    QVERIFY(!doc.IsModified());
}

void TestDocument::saveKeepsUnicodeEncoding_data() {
    QTest::addColumn<QByteArray>("prefix");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("shown");
    const QString mixed = u"Grüße, Привет! 😀 中文 naïve ½"_qs;
    QTest::newRow("UTF-8") << QByteArray() << mixed.toUtf8() << u"UTF-8 · LF"_qs;
    QTest::newRow("UTF-8 BOM") << QByteArray("\xEF\xBB\xBF") << mixed.toUtf8() << u"UTF-8 BOM · LF"_qs;
    QTest::newRow("UTF-16LE") << QByteArray() << Utf16(mixed, false) << u"UTF-16LE · LF"_qs;
    QByteArray be;
    for (const QChar ch : mixed)
        be.append(char(ch.unicode() >> 8)).append(char(ch.unicode() & 0xFF));
    QTest::newRow("UTF-16BE BOM") << QByteArray("\xFE\xFF", 2) << be << u"UTF-16BE BOM · LF"_qs;
    QTest::newRow("UTF-16BE") << QByteArray() << be << u"UTF-16BE · LF"_qs;
}

// Ctrl+S on a Unicode file writes the same encoding back, mark and all: nothing becomes "?".
void TestDocument::saveKeepsUnicodeEncoding() {
    QFETCH(QByteArray, prefix);
    QFETCH(QByteArray, body);
    QFETCH(QString, shown);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"u.txt"_qs);
    WriteAll(path, prefix + body);
    QVERIFY(m_doc->OnOpenDocument(path));
    QCOMPARE(m_doc->FormatText(), shown);
    m_view->selectAll();
    m_view->insertPlainText(m_view->toPlainText()); // modified, same text
    QVERIFY(m_doc->WriteFile(path, true));
    QCOMPARE(ReadAll(path), prefix + body);
}

void TestDocument::eightBitFileKeepsItsCodePageWhenAsked() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"dos.txt"_qs);
    Modal::AnswerAllMessageBoxes(QMessageBox::Cancel);
    for (const unsigned codePage : {kCodePage866, kCodePageKoi8r, kCodePage1251}) {
        for (const int keep : {0, 1}) {
            m_settings.keepEightBit.Set(keep);
            WriteAll(path, Encode(codePage, kRussian));
            QVERIFY(m_doc->OnOpenDocument(path));
            m_view->moveCursor(QTextCursor::End);
            m_view->insertPlainText(u" Ура"_qs);
            QVERIFY(m_doc->DoFileSave());
            const QString text = kRussian + u" Ура"_qs;
            QCOMPARE(ReadAll(path), keep != 0 ? Encode(codePage, text) : Utf16(text, true));
        }
        // A character the code page lacks is asked about, and Cancel writes nothing.
        WriteAll(path, Encode(codePage, kRussian));
        QVERIFY(m_doc->OnOpenDocument(path));
        m_view->insertPlainText(u"€ ✓"_qs);
        QVERIFY(!m_doc->DoFileSave());
        QCOMPARE(ReadAll(path), Encode(codePage, kRussian));
    }
    m_settings.keepEightBit.Set(0);
}

void TestDocument::saveWithEachEncodingAndReopen() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"each.txt"_qs);
    const QString russian = u"Привет, мир\nстрока"_qs;
    QVERIFY(m_doc->DoSave(path, true));
    const std::pair<ETextEncoding, QByteArray> expected[] = {
        {ETextEncoding::kUtf8, russian.toUtf8()},
        {ETextEncoding::kUtf16Le, "\xFF\xFE" + Utf16(russian, false)},
        {ETextEncoding::kUtf16Be, QByteArray("\xFE\xFF\x04\x1F\x04\x40", 6)},
        {ETextEncoding::kCp866, Encode(kCodePage866, russian)},
        {ETextEncoding::kCp1251, Encode(kCodePage1251, russian)},
        {ETextEncoding::kKoi8r, Encode(kCodePageKoi8r, russian)},
        {ETextEncoding::kCp1252, QByteArray("?????, ???\n??????")}};
    const QStringList& asked = Modal::Record().messageBoxes;
    Modal::AnswerAllMessageBoxes(QMessageBox::Cancel); // only Windows-1252 lacks letters: keep nothing then
    for (const auto& [encoding, bytes] : expected) {
        m_view->selectAll();
        m_view->insertPlainText(russian);
        Modal::NextItemAnswer(QString::fromLatin1(EncodingName(encoding)));
        const bool saved = m_doc->OnFileSaveWithEncoding();
        if (encoding == ETextEncoding::kCp1252) {
            QVERIFY(!saved);
            QCOMPARE(asked.size(), 1);
            QVERIFY(m_doc->IsModified());
            continue;
        }
        QVERIFY2(saved, EncodingName(encoding));
        const QByteArray written = ReadAll(path);
        QVERIFY2(written.startsWith(bytes.left(6)), EncodingName(encoding));
        QCOMPARE(m_doc->Format().encoding, encoding);
        // Back through Reopen in the same encoding: the same text; in another, other letters.
        QVERIFY(m_doc->ReopenWithEncoding(encoding));
        QCOMPARE(m_view->toPlainText(), russian);
        QVERIFY(m_doc->OnOpenDocument(path));
        QCOMPARE(m_view->toPlainText(), russian);
    }
    QCOMPARE(ReadAll(path), Encode(kCodePageKoi8r, russian));
    QVERIFY(m_doc->OnOpenDocument(path));
    QVERIFY(m_doc->ReopenWithEncoding(ETextEncoding::kCp1251));
    QVERIFY(m_view->toPlainText() != russian);
    // Unsaved changes: reopening asks first, and a "no" keeps them.
    QTest::keyClicks(m_view, "x");
    const QString edited = m_view->toPlainText();
    QVERIFY(!m_doc->ReopenWithEncoding(ETextEncoding::kKoi8r));
    QCOMPARE(asked.size(), 2);
    QCOMPARE(m_view->toPlainText(), edited);
}

// Ctrl+S writes 8-bit text; what Windows-1251 cannot hold is named, and nothing is lost.
void TestDocument::eightBitSaveAsksBeforeLosing() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"lossy.txt"_qs);
    WriteAll(path, QByteArray("old"));
    QVERIFY(m_doc->OnOpenDocument(path));                       // plain ASCII reads as UTF-8 ...
    QVERIFY(m_doc->ReopenWithEncoding(ETextEncoding::kCp1251)); // ... the user says it is 1251
    m_view->selectAll();
    m_view->insertPlainText(u"Привет 😀 中文"_qs);
    Modal::NextMessageBoxAnswer(QMessageBox::Cancel);
    QVERIFY(!m_doc->DoFileSave());
    const QString question = Modal::Record().messageBoxes.value(0);
    QVERIFY(question.contains(u"Windows-1251"_qs) && question.contains(u"“😀”, “中”, “文”"_qs));
    QVERIFY(question.contains(u" 3 "_qs));
    QCOMPARE(ReadAll(path), QByteArray("old"));
    QVERIFY(m_doc->IsModified());
    Modal::NextMessageBoxAnswer(QMessageBox::Yes);
    QVERIFY(m_doc->DoFileSave());
    QCOMPARE(ReadAll(path), u"Привет 😀 中文"_qs.toUtf8());
    QVERIFY(!m_doc->IsModified());
    QCOMPARE(m_doc->FormatText(), u"UTF-8 · LF"_qs);
}

namespace {

// Types a key at the end and takes it back: the document is as it was read.
void EditAndUndo(CLtView* view) {
    view->moveCursor(QTextCursor::End);
    QTest::keyClicks(view, "x");
    view->undo();
    // A line broken and joined again in every paragraph, whatever line end stands before it.
    for (QTextBlock block = view->document()->begin(); block.isValid(); block = block.next()) {
        QTextCursor cursor(block);
        cursor.movePosition(QTextCursor::Right);
        view->setTextCursor(cursor);
        QTest::keyClick(view, Qt::Key_Return);
        view->undo();
    }
}

QByteArray Utf8(const QString& text) {
    return text.toUtf8();
}

} // namespace

void TestDocument::roundTripKeepsEveryByte_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("undecodable");
    // No-break space, line and paragraph separators, a mark mid-text, a control character, CR LF
    // and a lone CR.
    const QString text = u"10\u00A0000 руб.\u2028один\u2029два\uFEFFтри\x01\r\nчетыре\rпять\r\n"_qs;
    QByteArray be;
    for (const QChar ch : text)
        be += QByteArray{char(ch.unicode() >> 8), char(ch.unicode() & 0xFF)};
    QTest::newRow("UTF-8") << Utf8(text) << 0;
    QTest::newRow("UTF-8 BOM") << "\xEF\xBB\xBF" + Utf8(text) << 0;
    QTest::newRow("UTF-16LE") << Utf16(text, false) << 0;
    QTest::newRow("UTF-16LE BOM") << Utf16(text, true) << 0;
    QTest::newRow("UTF-16BE") << be << 0;
    QTest::newRow("UTF-16BE BOM") << "\xFE\xFF" + be << 0;
    QTest::newRow("UTF-8, one Latin-1 byte") << Utf8(kRussian) + "caf\xE9\n" << 1;
    QTest::newRow("UTF-8 cut in a letter") << Utf8(kRussian.repeated(50) + u'ж').chopped(1) << 1;
}

void TestDocument::roundTripKeepsEveryByte() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, undecodable);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"round.txt"_qs);
    WriteAll(path, bytes);
    QSignalSpy notices(m_doc, &CLtDoc::NoticesChanged);
    QVERIFY(m_doc->OnOpenDocument(path));
    QCOMPARE(int(m_doc->UndecodableBytes()), undecodable);
    QVERIFY(!notices.isEmpty());
    EditAndUndo(m_view);
    QVERIFY(m_doc->DoSave(path, true));
    QCOMPARE(ReadAll(path), bytes);
    // An edit elsewhere leaves every byte it did not touch.
    m_view->moveCursor(QTextCursor::Start);
    QTest::keyClicks(m_view, "Q");
    QVERIFY(m_doc->DoFileSave());
    QCOMPARE(ReadAll(path).right(bytes.size() - 4), bytes.right(bytes.size() - 4));
}

void TestDocument::keptBytesNeverBecomeUtf16() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"config.txt"_qs);
    const QByteArray bytes = Utf8(kRussian) + "caf\xE9";
    WriteAll(path, bytes);
    QVERIFY(m_doc->OnOpenDocument(path));
    Modal::NextMessageBoxAnswer(QMessageBox::Cancel);
    QVERIFY(!m_doc->SaveWithEncoding(ETextEncoding::kUtf16Le));
    QCOMPARE(ReadAll(path), bytes);
    Modal::NextMessageBoxAnswer(QMessageBox::Yes); // UTF-8 instead
    QVERIFY(m_doc->SaveWithEncoding(ETextEncoding::kUtf16Le));
    QCOMPARE(ReadAll(path), bytes);
}

void TestDocument::binaryFileAsks() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"ls"_qs);
    QByteArray bytes = ReadAll(u"/bin/ls"_qs);
    QVERIFY(!bytes.isEmpty());
    WriteAll(path, bytes);
    Modal::NextMessageBoxAnswer(QMessageBox::No);
    QVERIFY(!m_doc->OnOpenDocument(path));
    QVERIFY(m_doc->LastError().isEmpty()); // declined, not failed
    QVERIFY(Modal::Record().messageBoxes.back().contains(u"binary"_qs));
    Modal::NextMessageBoxAnswer(QMessageBox::Yes);
    QVERIFY(m_doc->OnOpenDocument(path));
    EditAndUndo(m_view);
    QVERIFY(m_doc->DoSave(path, true));
    QVERIFY(ReadAll(path) == bytes);
}

void TestDocument::changedOnDiskAsksBeforeOverwriting() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"log.txt"_qs);
    WriteAll(path, "line 1\n");
    QVERIFY(m_doc->OnOpenDocument(path));
    m_view->insertPlainText(u"mine "_qs);
    {
        QFile other(path);
        QVERIFY(other.open(QIODevice::Append));
        other.write("line 2\n");
    }
    QTRY_VERIFY(m_doc->DiskChange() == CLtDoc::EDiskChange::kChanged); // the watcher saw it
    for (const auto answer : {QMessageBox::Cancel, QMessageBox::Save})
        Modal::NextMessageBoxAnswer(answer);
    QVERIFY(!m_doc->DoFileSave());
    QCOMPARE(ReadAll(path), QByteArray("line 1\nline 2\n"));
    QVERIFY(Modal::Record().messageBoxes.back().contains(u"log.txt"_qs));
    QVERIFY(m_doc->DoFileSave()); // Overwrite
    QCOMPARE(Modal::Record().messageBoxes.size(), 2);
    QCOMPARE(ReadAll(path), QByteArray("mine line 1\n"));
    QVERIFY(m_doc->DoFileSave()); // the file is ours again: no question
    QCOMPARE(Modal::Record().messageBoxes.size(), 2);
    QFile::remove(path);
    QTRY_VERIFY(m_doc->DiskChange() == CLtDoc::EDiskChange::kGone);
}

void TestDocument::recoveryAfterAKill() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"notes.txt"_qs);
    WriteAll(path, "saved\n");
    QVERIFY(m_doc->OnOpenDocument(path));
    // Enough keys write the recovery file at once, private to the user.
    QTest::keyClicks(m_view, QString(CLtDoc::kRecoveryKeys, u'z'));
    QVERIFY(QFileInfo::exists(m_doc->RecoveryFile()));
    QCOMPARE(QFileInfo(m_doc->RecoveryFile()).permissions() & 0x0077, QFileDevice::Permissions());
    QVERIFY(m_doc->DoFileSave());
    QVERIFY(m_doc->RecoveryFile().isEmpty());

    // An editor killed with unsaved text: the next start offers it back.
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        m_view->moveCursor(QTextCursor::End);
        m_view->insertPlainText(u"unsaved\u00A0text"_qs);
        m_doc->WriteRecoveryNow();
        ::raise(SIGKILL);
        _exit(1);
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    m_doc->OnNewDocument();
    QCOMPARE(int(StaleRecoveries().size()), 1);
    Modal::NextMessageBoxAnswer(QMessageBox::Yes);
    QVERIFY(m_doc->OfferRecovery());
    QVERIFY(Modal::Record().messageBoxes.back().contains(u"notes.txt"_qs));
    QCOMPARE(m_doc->GetPathName(), QFileInfo(path).absoluteFilePath());
    QVERIFY(m_doc->IsModified());
    QVERIFY(m_doc->DocumentText().endsWith(u"unsaved\u00A0text"_qs));
    QVERIFY(StaleRecoveries().empty()); // taken over by this editor
}

void TestDocument::readOnlyFolderWritesInPlace() {
    // Root may write any folder: the case runs as nobody then, on files of its own in /tmp.
    const auto body = [this]() -> int {
        QTemporaryDir dir(QDir::tempPath() + u"/lt-ro-XXXXXX"_qs);
        const QString path = dir.filePath(u"shared.txt"_qs);
        qputenv("XDG_STATE_HOME", QFile::encodeName(dir.path() + u"/state"_qs));
        WriteAll(path, "old\n");
        QFile(path).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        if (!m_doc->OnOpenDocument(path))
            return 1;
        m_view->insertPlainText(u"new "_qs);
        QDir().mkpath(RecoveryFolder());
        ::chmod(QFile::encodeName(dir.path()).constData(), 0555);
        Modal::NextMessageBoxAnswer(QMessageBox::Ok);
        const bool saved = m_doc->DoFileSave();
        ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
        const QStringList& asked = Modal::Record().messageBoxes;
        if (!saved || ReadAll(path) != "new old\n")
            return 2;
        if (asked.size() != 1 || !asked[0].contains(u"not atomic"_qs))
            return 3;
        // The verified copy went once the file read back as written.
        if (!QDir(RecoveryFolder()).entryList(QDir::Files).isEmpty())
            return 4;
        return 0;
    };
    const int status = geteuid() == 0 ? AsNobody(body) : body();
    QCOMPARE(status, 0);
}

void TestDocument::openingCleansWhatKilledSavesLeft() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"doc.txt"_qs);
    WriteAll(path, "text");
    const QString ours = dir.filePath(u".doc.txt.lt-tmp-AbC123"_qs);
    const QString oldRaw = dir.filePath(u".lettrino-Xy12Zq"_qs);
    const QString freshRaw = dir.filePath(u".lettrino-Fresh1"_qs);
    const QString others = dir.filePath(u".other.txt.lt-tmp-AbC123"_qs);
    for (const QString& leftover : {ours, oldRaw, freshRaw, others})
        WriteAll(leftover, "half");
    // A temporary of a save under a raw name is the editor's when it is older than any save.
    QFile old(oldRaw);
    QVERIFY(old.open(QIODevice::Append));
    QVERIFY(old.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    old.close();
    QVERIFY(m_doc->OnOpenDocument(path));
    QVERIFY(!QFileInfo::exists(ours));
    QVERIFY(!QFileInfo::exists(oldRaw));
    QVERIFY(QFileInfo::exists(freshRaw) && QFileInfo::exists(others));
}

void TestDocument::longLineShownInPiecesSavesWhole() {
    // Words, then a run without spaces of surrogate pairs and letters with combining accents.
    const QString line = u"слово за "_qs.repeated(2500) + u"ж\U0001F600е\u0301"_qs.repeated(4000);
    const QString file = line + u"\nвторая строка\n"_qs;
    QTemporaryDir dir;
    const QString path = dir.filePath(u"line.txt"_qs);
    WriteAll(path, file.toUtf8());
    QSignalSpy cut(m_doc, &CLtDoc::LongLinesCut);
    QVERIFY(m_doc->OnOpenDocument(path));
    QCOMPARE(cut.size(), 1);
    QTextDocument* doc = m_view->document();
    QVERIFY(doc->blockCount() >= 5);
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        QVERIFY(block.length() - 1 <= CLtDoc::kLongLine);
        const QString text = block.text();
        if (CLtDoc::IsContinuation(block))
            QVERIFY(!text[0].isLowSurrogate() && !text[0].isMark());
    }
    QVERIFY(doc->begin().text().endsWith(u' ')); // cut after a space where there is one
    const QTextBlock seam = doc->begin().next().next();
    QVERIFY(CLtDoc::IsContinuation(seam));
    int number = 0;
    int column = 0;
    QTextCursor cursor(seam);
    cursor.movePosition(QTextCursor::Right);
    m_doc->FileLineColumn(cursor, number, column);
    QCOMPARE(number, 0);
    const int offset = column - 1; // the seam's offset in the file's line
    QCOMPARE(line.mid(offset, 50), seam.text().left(50));
    cursor.setPosition(seam.position() - 21); // 20 characters and the seam
    cursor.setPosition(seam.position() + 20, QTextCursor::KeepAnchor);
    QCOMPARE(CLtDoc::FileText(cursor), line.mid(offset - 20, 40)); // copied as one line
    // Found across the cut, as a whole word too; the match holds the cut.
    for (const auto flags :
         {QTextDocument::FindFlags(), QTextDocument::FindFlags(QTextDocument::FindWholeWords)}) {
        const QTextCursor found = CLtDoc::Find(doc, u"ЗА СЛОВО"_qs, seam.position() - 4, flags);
        QCOMPARE(found.selectionStart(), seam.position() - 4);
        QCOMPARE(CLtDoc::FileText(found), u"за слово"_qs);
    }
    QVERIFY(CLtDoc::Find(doc, u"а слов"_qs, seam.position() - 30, QTextDocument::FindWholeWords).isNull());
    m_doc->FileLineColumn(QTextCursor(doc->lastBlock().previous()), number, column);
    QCOMPARE(number, 1);
    EditAndUndo(m_view);
    QVERIFY(m_doc->DoSave(path, true));
    QCOMPARE(ReadAll(path), file.toUtf8());

    // Each edit at a seam or mid-piece saved, then undone: the file is back byte for byte.
    struct SEdit {
        int from; // from the seam's start
        Qt::Key key;
        QString expected;
    };
    const SEdit edits[] = {
        {0, Qt::Key_Return, line.left(offset) + u'\n' + line.mid(offset)},
        {-1, Qt::Key_Return, line.left(offset) + u'\n' + line.mid(offset)}, // the end of the piece before
        {100, Qt::Key_Return, line.left(offset + 100) + u'\n' + line.mid(offset + 100)},
        {100, Qt::Key_X, line.left(offset + 100) + u'х' + line.mid(offset + 100)}, // typed in Russian
        {0, Qt::Key_Backspace, line}, // the seam goes, no character
        {1, Qt::Key_Backspace, line.left(offset) + line.mid(offset + 1)},
    };
    Modal::AnswerAllMessageBoxes(QMessageBox::Ok);
    for (const SEdit& edit : edits) {
        cursor.setPosition(doc->begin().next().next().position() + edit.from);
        m_view->setTextCursor(cursor);
        QTest::keyClick(m_view, edit.key, Qt::NoModifier);
        QVERIFY(m_doc->DoFileSave());
        QCOMPARE(QString::fromUtf8(ReadAll(path)), edit.expected + u"\nвторая строка\n"_qs);
        m_view->undo();
        QVERIFY(m_doc->DoFileSave());
        QCOMPARE(ReadAll(path), file.toUtf8());
    }
    // Random keys about the cuts, all taken back and done again: the file's text both times.
    std::srand(29);
    const Qt::Key keys[] = {Qt::Key_Return, Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_S, Qt::Key_H};
    for (int step = 0; step < 80; ++step) {
        const QTextBlock piece = doc->findBlockByNumber(1 + std::rand() % 4);
        cursor.setPosition(std::clamp(piece.position() + std::rand() % 5 - 2, 0, doc->characterCount() - 1));
        m_view->setTextCursor(cursor);
        QTest::keyClick(m_view, keys[std::rand() % 5]);
    }
    const QString edited = m_doc->DocumentText();
    while (doc->isUndoAvailable())
        doc->undo();
    QCOMPARE(m_doc->DocumentText(), file);
    while (doc->isRedoAvailable())
        doc->redo();
    QCOMPARE(m_doc->DocumentText(), edited);
    while (doc->isUndoAvailable())
        doc->undo();
    // Text with line breaks put into a piece keeps them.
    cursor.setPosition(doc->begin().next().next().position() + 5);
    cursor.insertText(u"a\nb"_qs);
    QVERIFY(m_doc->DoFileSave());
    QCOMPARE(QString::fromUtf8(ReadAll(path)),
             line.left(offset + 5) + u"a\nb"_qs + line.mid(offset + 5) + u"\nвторая строка\n"_qs);
}
