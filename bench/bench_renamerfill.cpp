// The file renamer's fill of a folder of 10,000 Russian names (half UTF-8, half Windows-1251
// bytes), offscreen, against `lettrino-cli rename` (dry run) on the same folder, side by side.
// Best of RUNS (default three) runs each. Usage: QT_QPA_PLATFORM=offscreen bench_renamerfill [NAMES [RUNS]]
#include "CColorListCtrl.h"
#include "DFileRenamer.h"
#include "Settings.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

int main(int argc, char** argv) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    CSettings settings;
    const int names = argc > 1 ? std::atoi(argv[1]) : 10000;

    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    QTemporaryDir folder;
    const QByteArray base = QFile::encodeName(folder.path()) + '/';
    for (int i = 0; i < names; ++i) {
        const QByteArray n = QByteArray::number(i);
        const QByteArray name = i % 2
                                    ? QByteArray("\xCF\xE5\xF1\xED\xFF ") + n + ".txt" // "Песня N" in CP1251
                                    : QStringLiteral("Письмо %1.txt").arg(i).toUtf8();
        const int fd = ::open((base + name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0)
            return 1;
        ::close(fd);
    }
    QTemporaryDir empty; // where the dialog opens first
    QDir::setCurrent(empty.path());

    qint64 dialogBest = -1;
    qint64 cliBest = -1;
    int rows = 0;
    for (int run = 0; run < runs; ++run) {
        DFileRenamer dialog(settings);
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
        cli.start(QStringLiteral(LT_CLI_PATH), {QStringLiteral("rename"), folder.path()});
        cli.waitForFinished(-1);
        const qint64 cliTook = timer.elapsed();
        cliBest = cliBest < 0 ? cliTook : std::min(cliBest, cliTook);
    }
    std::printf("names %d (rows shown %d): dialog fill %lld ms, lettrino-cli rename %lld ms, ratio %.2f "
                "(goal <= 2)\n",
                names, rows, static_cast<long long>(dialogBest), static_cast<long long>(cliBest),
                cliBest > 0 ? double(dialogBest) / double(cliBest) : 0.0);
    return 0;
}
