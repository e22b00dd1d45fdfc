// Shows one widget the way its owner sets it up, for looking at it and for screenshots:
//   widgets_demo list | picker [initial path] | picker-sample [initial path] | progress
#include "CColorListCtrl.h"
#include "CProgressWnd.h"
#include "DGetPath.h"
#include "ImageStrip.h"
#include "Settings.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>

namespace {

int ShowList() {
    QWidget window;
    window.setWindowTitle(QStringLiteral("Transliteration MP3-Tags"));
    auto* list = new CColorListCtrl(&window);
    list->SetImageList(FolderImageIcons());
    const char* headers[] = {"Filename", "Title", "Artist", "Album"};
    for (int column = 0; column < 4; ++column)
        list->InsertColumn(column, QString::fromLatin1(headers[column]), column == 0 ? 150 : 120);
    list->SetAlternateRows(true);
    list->InitCellColors(4);
    const QStringList rows[] = {
        {"01 - Kino.mp3", QStringLiteral("Группа крови"), QStringLiteral("Кино"),
         QStringLiteral("Группа крови")},
        {"02 - Aquarium.mp3", "Gorod zolotoj", "Akvarium", "Desyat strel"},
        {"03 - DDT.mp3", QStringLiteral("Что такое осень"), QStringLiteral("ДДТ"),
         QStringLiteral("Актриса весна")},
        {"04 - broken.mp3", "", "", ""},
        {"05 - Mashina.mp3", "Povorot", "Mashina Vremeni", "Mashina Vremeni"},
        {"06 - Zemfira.mp3", QStringLiteral("Искала"), QStringLiteral("Земфира"), QStringLiteral("Земфира")}};
    int row = 0;
    for (const QStringList& texts : rows) {
        list->InsertItem(row, texts[0], kImgFile);
        for (int column = 1; column < 4; ++column) {
            list->SetItemText(row, column, texts[column]);
            // Russian text red; the Latin ones of row 1 dark green as if just transliterated.
            const bool russian =
                texts[column].contains(QRegularExpression(QStringLiteral("[\u0400-\u04FF]")));
            list->SetCellColor(row, column, russian ? 4 : row == 1 ? 9 : 0);
        }
        ++row;
    }
    list->SetCellColor(3, 0, 4); // a file without a tag
    list->selectRow(4);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(list);
    window.resize(560, 300);
    window.show();
    return QApplication::exec();
}

int ShowPicker(const QByteArray& path, bool sample) {
    DGetPath dialog;
    if (sample) {
        // One volume of each kind, for a picture of them all.
        const QString home = QDir::homePath();
        dialog.SetRoots({{"/", QStringLiteral("/"), EDriveKind::Fixed},
                         {QFile::encodeName(home) + '/', home, EDriveKind::Fixed},
                         {"/media/USB STICK/", QStringLiteral("/media/USB STICK"), EDriveKind::Removable},
                         {"/mnt/dvd/", QStringLiteral("/mnt/dvd"), EDriveKind::Optical},
                         {"/mnt/nas/", QStringLiteral("/mnt/nas"), EDriveKind::Remote},
                         {"/tmp/", QStringLiteral("/tmp"), EDriveKind::RamDisk}},
                        {{"/mnt/nas/", QStringLiteral("nas/music"), EDriveKind::Remote}});
    }
    dialog.SetPath(path);
    dialog.show();
    return QApplication::exec();
}

int ShowProgress() {
    CSettings settings;
    QWidget owner;
    owner.setWindowTitle(QStringLiteral("Transliteration MP3-Tags"));
    auto* layout = new QHBoxLayout(&owner);
    layout->addWidget(new QPushButton(QStringLiteral("Set Path")));
    layout->addWidget(new QPushButton(QStringLiteral("Rename All")));
    owner.setGeometry(80, 80, 560, 360);
    owner.show();
    auto* progress = new CProgressWnd(settings, &owner);
    progress->LayoutForLines(1, 300);
    progress->SetProgressRange(0, 120, 1);
    auto* timer = new QTimer(&owner);
    QObject::connect(timer, &QTimer::timeout, [progress, timer] {
        if (progress->Pos() >= 50 || progress->IsCancelled()) {
            timer->stop();
            return;
        }
        progress->StepProgress();
        progress->PumpMessages(true);
    });
    timer->start(10);
    const int result = QApplication::exec();
    delete progress;
    return result;
}

} // namespace

int main(int argc, char** argv) {
    // The progress window remembers its place; a demo keeps that away from the user's settings.
    QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome.path()));
    QApplication app(argc, argv);
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray("list");
    if (mode == "picker" || mode == "picker-sample")
        return ShowPicker(argc > 2 ? QByteArray(argv[2]) : QFile::encodeName(QDir::homePath()) + '/',
                          mode == "picker-sample");
    if (mode == "progress")
        return ShowProgress();
    return ShowList();
}
