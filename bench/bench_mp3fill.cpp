// The tags dialog's fill of a folder of 3,000 tagged MP3 files, offscreen, against
// `lettrino-cli tags` (dry run) on the same folder, side by side. Best of RUNS (default three) runs each.
// With "mixed" the folder holds MP3, FLAC, Ogg Vorbis, Opus and MP4 files and CUE sheets in turn, and the
// CLI's --apply and undo over it are timed too. With KEEP the folder is left there (for screenshots).
// Usage: QT_QPA_PLATFORM=offscreen bench_mp3fill [FILES [RUNS [mixed [KEEP]]]]
#include "CColorListCtrl.h"
#include "DFileMp3.h"
#include "Mp4TestFiles.h"
#include "Settings.h"
#include "VorbisTestFiles.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

QByteArray SyncSafe(int n) {
    return QByteArray{} + char((n >> 21) & 0x7F) + char((n >> 14) & 0x7F) + char((n >> 7) & 0x7F) +
           char(n & 0x7F);
}

QByteArray Frame(const QByteArray& id, const QByteArray& data) {
    const int n = int(data.size());
    return id + char(n >> 24) + char((n >> 16) & 0xFF) + char((n >> 8) & 0xFF) + char(n & 0xFF) +
           QByteArray(2, '\0') + data;
}

// Seven frames in Windows-1251 ("Песня N", ...), some padding, two MPEG frames.
QByteArray Song(int index) {
    const QByteArray n = QByteArray::number(index);
    const QByteArray song = QByteArray("\0\xCF\xE5\xF1\xED\xFF ", 7) + n;
    QByteArray body = Frame("TALB", QByteArray("\0\xC0\xEB\xFC\xE1\xEE\xEC ", 8) + n) +
                      Frame("TPE1", QByteArray("\0\xCA\xE8\xED\xEE", 5)) + Frame("TIT2", song) +
                      Frame("TYER", QByteArray("\0"
                                               "1987",
                                               5)) +
                      Frame("TCOM", QByteArray("\0\xD6\xEE\xE9", 4)) +
                      Frame("TOPE", QByteArray("\0\xCA\xE8\xED\xEE", 5)) +
                      Frame("COMM", QByteArray("\0rus\0\xCF\xF0\xE8\xE2\xE5\xF2", 11));
    body += QByteArray(256, '\0');
    QByteArray audio;
    for (int f = 0; f < 2; ++f)
        audio += QByteArray("\xFF\xFB\x90\x00", 4) + QByteArray(413, char(f + 1));
    return QByteArray("ID3\x03\0\0", 6) + SyncSafe(int(body.size())) + body + audio;
}

QByteArray Cp1251(const char* utf8) {
    static QStringEncoder encoder("windows-1251");
    return encoder.encode(QString::fromUtf8(utf8));
}

// The same texts in another format: CP1251 read as Latin-1 into UTF-8 (Vorbis comments), or a
// CP1251 sheet.
QByteArray MixedFile(int index, QString& name) {
    const QByteArray n = QByteArray::number(index);
    auto latin1 = [](const char* utf8) { return QString::fromLatin1(Cp1251(utf8)).toUtf8(); };
    const SFields fields{{"ALBUM", latin1("Альбом ") + n}, {"ARTIST", Cp1251("Кино")},
                         {"TITLE", latin1("Песня ") + n},  {"DATE", "1987"},
                         {"COMPOSER", latin1("Цой")},      {"COMMENT", "Rip " + n}};
    const QString stem = QStringLiteral("song%1").arg(index, 5, 10, QLatin1Char('0'));
    switch (index % 6) {
    case 1:
        name = stem + QStringLiteral(".flac");
        return Flac(fields, 2000);
    case 2:
        name = stem + QStringLiteral(".ogg");
        return Ogg(false, fields);
    case 3:
        name = stem + QStringLiteral(".opus");
        return Ogg(true, fields);
    case 4:
        name = stem + QStringLiteral(".cue");
        return Cp1251("PERFORMER \"Кино\"\r\nTITLE \"Альбом ") + n + Cp1251("\"\r\nFILE \"") +
               stem.toLatin1() + ".flac\" WAVE\r\n  TRACK 01 AUDIO\r\n" + Cp1251("    TITLE \"Песня ") + n +
               "\"\r\n    INDEX 01 00:00:00\r\n";
    case 5:
        name = stem + QStringLiteral(".m4a");
        return Mp4(Item("\251alb", {fields[0].second}) + Item("\251ART", {fields[1].second}) +
                       Item("\251nam", {fields[2].second}) + Item("\251day", {"1987"}) +
                       Item("\251wrt", {fields[4].second}),
                   index % 12 == 5);
    default:
        name = stem + QStringLiteral(".mp3");
        return Song(index);
    }
}

qint64 TimeCli(const QStringList& args, const QByteArray& state) {
    QProcess cli;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_STATE_HOME"), QString::fromLocal8Bit(state));
    cli.setProcessEnvironment(environment);
    cli.setStandardOutputFile(QProcess::nullDevice());
    cli.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    cli.start(QStringLiteral(LT_CLI_PATH), args);
    cli.waitForFinished(-1);
    return cli.exitStatus() == QProcess::NormalExit && cli.exitCode() == 0 ? timer.elapsed() : -1;
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    CSettings settings;
    const int files = argc > 1 ? std::atoi(argv[1]) : 3000;

    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const bool mixed = argc > 3 && qstrcmp(argv[3], "mixed") == 0;
    QTemporaryDir folder(argc > 4 ? QString::fromLocal8Bit(argv[4]) + QStringLiteral("/bench-XXXXXX")
                                  : QDir::tempPath() + QStringLiteral("/bench-XXXXXX"));
    folder.setAutoRemove(argc <= 4);
    for (int i = 0; i < files; ++i) {
        QString name = QStringLiteral("song%1.mp3").arg(i, 5, 10, QLatin1Char('0'));
        const QByteArray bytes = mixed ? MixedFile(i, name) : Song(i);
        QFile file(folder.path() + u'/' + name);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) < 0)
            return 1;
    }
    QTemporaryDir empty; // where the dialog opens first
    QDir::setCurrent(empty.path());

    qint64 dialogBest = -1;
    qint64 cliBest = -1;
    int rows = 0;
    for (int run = 0; run < runs; ++run) {
        DFileMp3 dialog(settings);
        dialog.show();
        QElapsedTimer timer;
        timer.start();
        dialog.SetPath(QFile::encodeName(folder.path()));
        QApplication::processEvents(); // the list painted once
        const qint64 took = timer.elapsed();
        rows = dialog.List()->GetItemCount();
        dialogBest = dialogBest < 0 ? took : std::min(dialogBest, took);

        QProcess cli;
        cli.setStandardOutputFile(QProcess::nullDevice());
        timer.restart();
        cli.start(QStringLiteral(LT_CLI_PATH), {QStringLiteral("tags"), folder.path()});
        cli.waitForFinished(-1);
        const qint64 cliTook = timer.elapsed();
        cliBest = cliBest < 0 ? cliTook : std::min(cliBest, cliTook);
    }
    std::printf("%sfiles %d (rows shown %d): dialog fill %lld ms, lettrino-cli tags %lld ms, ratio %.2f "
                "(goal <= 2)\n",
                mixed ? "mixed " : "", files, rows, static_cast<long long>(dialogBest),
                static_cast<long long>(cliBest), cliBest > 0 ? double(dialogBest) / double(cliBest) : 0.0);
    if (mixed) {
        // One real run and its undo, in a journal of their own.
        QTemporaryDir state;
        const QByteArray statePath = QFile::encodeName(state.path());
        const qint64 apply =
            TimeCli({QStringLiteral("tags"), QStringLiteral("--apply"), folder.path()}, statePath);
        const qint64 undo = TimeCli({QStringLiteral("undo"), QStringLiteral("--apply")}, statePath);
        std::printf("mixed files %d: lettrino-cli tags --apply %lld ms, undo --apply %lld ms (-1: failed)\n",
                    files, static_cast<long long>(apply), static_cast<long long>(undo));
    }
    return 0;
}
