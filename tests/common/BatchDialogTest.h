// What the batch dialogs' tests share: private settings and journal locations, a folder for the
// files, the dialog's buttons by their text and the entries of its row menu by their path.
#pragma once

#include "DBatchDialog.h"

#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>

#include <memory>

class CBatchDialogTestDirs {
public:
    // The dialogs remember their folder in the settings and journal every run: both go to
    // folders of the test's own.
    void UsePrivateLocations() const {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_settings.path()));
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_state.path()));
    }
    QByteArray Dir() const { return QFile::encodeName(m_dir.path()) + '/'; }
    QString JournalFolder() const { return m_state.path() + QStringLiteral("/lettrino/journal"); }

private:
    QTemporaryDir m_settings;
    QTemporaryDir m_state;
    QTemporaryDir m_dir;
};

inline QPushButton* FindButton(QWidget& dialog, const QString& text) {
    for (QPushButton* button : dialog.findChildren<QPushButton*>())
        if (button->text() == text)
            return button;
    return nullptr;
}

// Triggers an entry of the row menu for the selected rows, e.g. {"Read as", "KOI8-R"}; false when
// the menu has no such entry.
inline bool TriggerRowMenu(DBatchDialog& dialog, const QStringList& path) {
    const std::unique_ptr<QMenu> menu(dialog.MakeRowMenu());
    QMenu* current = menu.get();
    for (qsizetype i = 0; i < path.size(); ++i) {
        QAction* found = nullptr;
        for (QAction* action : current->actions())
            if (action->text() == path[i])
                found = action;
        if (!found)
            return false;
        if (i + 1 == path.size()) {
            found->trigger();
            return true;
        }
        current = found->menu();
        if (!current)
            return false;
    }
    return false;
}
