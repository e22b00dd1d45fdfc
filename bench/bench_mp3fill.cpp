// The MP3 dialog's fill of a folder of 3,000 tagged MP3 files, offscreen, against
// `lettrino-cli tags` (dry run) on the same folder, side by side. Best of RUNS (default three) runs each.
// Usage: QT_QPA_PLATFORM=offscreen bench_mp3fill [FILES [RUNS]]
#include "CColorListCtrl.h"
#include "DFileMp3.h"
#include "Settings.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
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
    QTemporaryDir folder;
    for (int i = 0; i < files; ++i) {
        QFile file(folder.path() + QStringLiteral("/song%1.mp3").arg(i, 5, 10, QLatin1Char('0')));
        if (!file.open(QIODevice::WriteOnly) || file.write(Song(i)) < 0)
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
    std::printf(
        "files %d (rows shown %d): dialog fill %lld ms, lettrino-cli tags %lld ms, ratio %.2f (goal <= 2)\n",
        files, rows, static_cast<long long>(dialogBest), static_cast<long long>(cliBest),
        cliBest > 0 ? double(dialogBest) / double(cliBest) : 0.0);
    return 0;
}
