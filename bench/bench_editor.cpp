// The editor's costs: typing at the end of a long text against an empty one, F4 on a megabyte of
// Latin text, opening a 20 MB KOI8-R file against showing the decoded text, and a 20 MB file of
// one line: opened until the editor is idle, then the caret to its start and end; typing in a
// 1,000,000-character text with spelling checked as you type against without.
// Run offscreen: QT_QPA_PLATFORM=offscreen bench_editor [--quick]
// (--quick: two rounds of typing, one of the rest, and 5 MB files, for bench/quick.sh;
// --line: only the file of one line, 20 MB, or 5 MB with --quick before it)
#include "CCharTable.h"
#include "CLtDoc.h"
#include "CLtView.h"
#include "CodePage.h"
#include "DocFileIo.h"
#include "Modal.h"
#include "Settings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Lines of 64 characters made of the pattern, total characters in all.
QString Text(const QString& pattern, qsizetype total) {
    QString text;
    text.reserve(total);
    while (text.size() < total) {
        text += pattern.repeated(64 / pattern.size() + 1).left(63);
        text += u'\n';
    }
    text.truncate(total);
    return text;
}

double TypeKeys(CLtView& view, const QString& keys) {
    view.moveCursor(QTextCursor::End);
    QElapsedTimer timer;
    timer.start();
    for (const QChar ch : keys) {
        const int key = ch == u' ' ? Qt::Key_Space : Qt::Key_A + (ch.toLower().unicode() - u'a');
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(&view, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(&view, &release);
    }
    QApplication::processEvents();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// A file of one line: opened and shown until idle, then Ctrl+End and Ctrl+Home; its text must
// come back whole. With `whole`, the same line is also shown as one paragraph, as it was before
// long lines were cut into pieces.
int OneLine(CSettings& settings, qsizetype bigFile, const char* bigName, bool whole) {
    QString line = QStringLiteral("Съешь же ещё этих мягких французских булок, да выпей чаю. ")
                       .repeated(int(bigFile / 60 + 1));
    line.truncate(bigFile);
    const QByteArray bytes = line.toUtf8();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("line.txt"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return 1;
    file.close();
    CLtView view(settings);
    view.resize(800, 600);
    view.show();
    CLtDoc doc;
    doc.SetView(&view);
    QElapsedTimer timer;
    timer.start();
    if (!doc.OnOpenDocument(path))
        return 1;
    QApplication::processEvents();
    const double open = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    auto jump = [&](int key) {
        QElapsedTimer took;
        took.start();
        QKeyEvent press(QEvent::KeyPress, key, Qt::ControlModifier);
        QApplication::sendEvent(&view, &press);
        QApplication::processEvents();
        return static_cast<double>(took.nsecsElapsed()) / 1e6;
    };
    const double end = jump(Qt::Key_End);
    const double home = jump(Qt::Key_Home);
    if (doc.DocumentText() != line)
        return 1;
    // The same jumps with word wrap off (the view lays its pieces out again first).
    const int wrap = settings.wrapText.Value();
    settings.wrapText.Set(wrap != 0 ? 0 : 1);
    QApplication::processEvents();
    const double otherEnd = jump(Qt::Key_End);
    const double otherHome = jump(Qt::Key_Home);
    settings.wrapText.Set(wrap);
    std::printf(
        "%s in one line: open until idle %.1f ms, Ctrl+End %.1f ms, Ctrl+Home %.1f ms (shown in %d pieces, "
        "word wrap %s; with it %s: Ctrl+End %.1f ms, Ctrl+Home %.1f ms)\n",
        bigName, open, end, home, view.document()->blockCount(), wrap != 0 ? "on" : "off",
        wrap != 0 ? "off" : "on", otherEnd, otherHome);
    if (whole) {
        CLtView paragraph(settings);
        paragraph.resize(800, 600);
        paragraph.show();
        QElapsedTimer took;
        took.start();
        paragraph.setPlainText(line);
        QApplication::processEvents();
        const double shown = static_cast<double>(took.nsecsElapsed()) / 1e6;
        QElapsedTimer moved;
        moved.start();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
        QApplication::sendEvent(&paragraph, &press);
        QApplication::processEvents();
        std::printf("%s in one paragraph (not cut): shown until idle %.1f ms, Ctrl+End %.1f ms\n", bigName,
                    shown, static_cast<double>(moved.nsecsElapsed()) / 1e6);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const bool quick = argc > 1 && QByteArrayView(argv[1]) == "--quick";
    const bool lineOnly = argc > 1 && QByteArrayView(argv[argc - 1]) == "--line";
    const int rounds = quick ? 2 : 3;
    const qsizetype bigFile = quick ? 5000000 : 20000000;
    const char* bigName = quick ? "5 MB" : "20 MB";
    CSettings settings;
    g_charTable.SetDefaultKeys();
    Modal::Intercept(); // silent: no audio device needed
    const QString keys = QStringLiteral("privet shhuka zhuk ").repeated(60).left(1000);

    // 1. Typing: best of three rounds each.
    double empty = 1e9;
    if (lineOnly)
        return OneLine(settings, bigFile, bigName, !quick);
    double full = 1e9;
    // Typing has no length limit: 5 M characters, five times the old edit control's.
    const QString million = Text(QStringLiteral("Съешь же ещё этих мягких французских булок "), 5000000);
    for (int round = 0; round < rounds; ++round) {
        CLtView a(settings);
        a.resize(800, 600);
        a.show();
        empty = std::min(empty, TypeKeys(a, keys));
        CLtView b(settings);
        b.resize(800, 600);
        b.show();
        b.setPlainText(million);
        QApplication::processEvents();
        full = std::min(full, TypeKeys(b, keys));
    }
    std::printf("typing 1000 keys: empty %.1f ms, after 5,000,000 characters %.1f ms, ratio %.2f\n", empty,
                full, full / empty);

    // 1b. Spelling as you type: the same keys in a text of 1 M characters with some misspelt
    // words, checking on against off; and the text shown until idle.
    {
        const QString text =
            Text(QStringLiteral("Съешь же ещё этих мягких французских булок, превед, hello wrld "), 1000000);
        double typed[2] = {1e9, 1e9};
        double shown[2] = {1e9, 1e9};
        for (int round = 0; round < rounds; ++round) {
            for (const int on : {0, 1}) {
                CLtView view(settings); // reads the stored setting: the choice comes after
                settings.checkSpelling.Set(on);
                view.resize(800, 600);
                view.show();
                QApplication::processEvents();
                QElapsedTimer timer;
                timer.start();
                view.setPlainText(text);
                QApplication::processEvents();
                shown[on] = std::min(shown[on], static_cast<double>(timer.nsecsElapsed()) / 1e6);
                typed[on] = std::min(typed[on], TypeKeys(view, keys));
            }
        }
        settings.checkSpelling.Set(-1);
        std::printf(
            "spelling, typing 1000 keys after 1,000,000 characters: off %.1f ms, on %.1f ms, ratio %.2f "
            "(shown until idle: off %.1f ms, on %.1f ms)\n",
            typed[0], typed[1], typed[1] / typed[0], shown[0], shown[1]);
    }

    // 2. F4 on a megabyte of Latin text.
    {
        CLtView view(settings);
        view.resize(800, 600);
        view.show();
        view.setPlainText(Text(QStringLiteral("shhuka zhuk privet ja pishu "), 1000000));
        QApplication::processEvents();
        view.selectAll();
        QElapsedTimer timer;
        timer.start();
        view.OnEditConvert();
        QApplication::processEvents();
        if (!view.toPlainText().startsWith(QStringLiteral("щука жук привет я пишу")))
            return 1;
        std::printf("F4 on 1,000,000 Latin characters: %.1f ms\n",
                    static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }

    // 3. Opening a 20 MB KOI8-R file against setPlainText of the decoded text.
    {
        const QString text =
            Text(QStringLiteral("Съешь же ещё этих мягких французских булок, да выпей чаю. "), bigFile);
        const std::string bytes = EncodeWithCodePage(kCodePageKoi8r, text.toStdU16String());
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("koi8.txt"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        file.write(bytes.data(), static_cast<qint64>(bytes.size()));
        file.close();
        double open = 1e9;
        double plain = 1e9;
        for (int round = 0; round < (quick ? 1 : 2); ++round) {
            {
                CLtView view(settings);
                CLtDoc doc;
                doc.SetView(&view);
                QElapsedTimer timer;
                timer.start();
                if (!doc.OnOpenDocument(path) || view.document()->characterCount() - 1 != text.size())
                    return 1;
                open = std::min(open, static_cast<double>(timer.nsecsElapsed()) / 1e6);
            }
            {
                CLtView view(settings);
                QElapsedTimer timer;
                timer.start();
                view.setPlainText(text);
                plain = std::min(plain, static_cast<double>(timer.nsecsElapsed()) / 1e6);
            }
        }
        std::printf("%s KOI8-R: open %.1f ms, setPlainText of the decoded text %.1f ms, ratio %.2f\n",
                    bigName, open, plain, open / plain);
    }

    if (OneLine(settings, bigFile, bigName, !quick) != 0)
        return 1;
    // 5. The recovery file of unsaved edits, written every 200 keys: 5 M characters.
    {
        QTemporaryDir state;
        QString error;
        QElapsedTimer timer;
        timer.start();
        const bool written = WriteRecovery(state.filePath(QStringLiteral("bench.recovery")), QString(),
                                           QStringLiteral("bench"), million.toStdU16String(), error);
        std::printf("recovery file of 5,000,000 characters: %.1f ms%s\n", double(timer.nsecsElapsed()) / 1e6,
                    written ? "" : " (failed)");
    }
    return 0;
}
