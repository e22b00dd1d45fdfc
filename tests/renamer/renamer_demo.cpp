// The batch dialogs on a folder, for screenshots (not a test):
// `renamer_demo en|ru|de renamer|mp3 FOLDER [ROW...]` shows the dialog in the language, reads the
// rows given as KOI8-R and opens the row menu over the last once the dialog is on screen.
#include "DFileMp3.h"
#include "DFileRenamer.h"

#include "CCharTable.h"
#include "CColorListCtrl.h"
#include "CResourceModule.h"
#include "Settings.h"

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    CSettings settings;
    if (argc < 4)
        return 2;
    g_charTable.SetDefaultKeys();
    const QByteArray language = argv[1];
    SetCurrentResources(language == "ru" ? kLangRussian : language == "de" ? kLangGerman : kLangEnglish);
    std::unique_ptr<DBatchDialog> dialog;
    if (qstrcmp(argv[2], "mp3") == 0)
        dialog = std::make_unique<DFileMp3>(settings);
    else
        dialog = std::make_unique<DFileRenamer>(settings);
    dialog->SetPath(QFile::encodeName(QString::fromLocal8Bit(argv[3])));
    dialog->show();
    std::vector<int> rows;
    for (int i = 4; i < argc; ++i)
        rows.push_back(QByteArray(argv[i]).toInt());
    if (rows.empty())
        return app.exec();
    dialog->ReadRowsAs(rows, ETextEncoding::kKoi8r);
    QTimer::singleShot(700, dialog.get(), [&dialog, rows] {
        CColorListCtrl* list = dialog->List();
        // The last row selected: the others show their marks.
        list->selectRow(rows.back());
        QMenu* menu = dialog->MakeRowMenu();
        const QRect cell = list->visualRect(list->model()->index(rows.back(), 0));
        menu->popup(list->viewport()->mapToGlobal(cell.center()));
        if (QMenu* readAs = menu->actions().first()->menu()) {
            menu->setActiveAction(menu->actions().first());
            readAs->popup(menu->geometry().topRight());
        }
    });
    return app.exec();
}
