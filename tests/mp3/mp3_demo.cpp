// The MP3 dialog on a folder, for screenshots: `mp3_demo FOLDER [rename-all|undo]` shows the
// dialog and, when asked, presses "Rename All" or "Undo Last Run" once it is on screen.
#include "CCharTable.h"
#include "DFileMp3.h"
#include "Settings.h"

#include <QApplication>
#include <QFile>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    CSettings settings;
    g_charTable.SetDefaultKeys(); // the editor would have loaded its keys
    DFileMp3 dialog(settings);
    dialog.SetPath(QFile::encodeName(QString::fromLocal8Bit(argv[1])));
    dialog.show();
    if (argc > 2 && qstrcmp(argv[2], "rename-all") == 0)
        QTimer::singleShot(500, &dialog, &DFileMp3::RenameAll);
    if (argc > 2 && qstrcmp(argv[2], "undo") == 0)
        QTimer::singleShot(500, &dialog, &DFileMp3::UndoLastRun);
    return app.exec();
}
