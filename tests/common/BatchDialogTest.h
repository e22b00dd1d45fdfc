// What the batch dialogs' tests share: private settings and journal locations, a folder for the
// files, the dialog's buttons by their text and the entries of its row menu by their path.
#pragma once

#include "DBatchDialog.h"
#include "EncodedBytes.h"
#include "Modal.h"
#include "RawNames.h"
#include "Settings.h"

#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <utility>

class CBatchDialogTestDirs {
public:
    // The dialogs' settings, fresh for the test class.
    CSettings settings;

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

// Answers every report of the dialogs with OK from now on; the texts reported since.
inline const QStringList& AnswerReports() {
    Modal::Reset();
    Modal::AnswerAllMessageBoxes(QMessageBox::Ok);
    return Modal::Record().messageBoxes;
}

inline QString LastReport() {
    const QStringList& reports = Modal::Record().messageBoxes;
    return reports.isEmpty() ? QString() : reports.last();
}

// An observer of a dialog's fill and runs that does what the test gives it.
struct CTestObserver : IBatchObserver {
    std::function<void(int, CProgressWnd&)> rowFilled, runStep;
    std::function<void(int)> beforeRunEntry;

    void RowFilled(int row, CProgressWnd& progress) override {
        if (rowFilled)
            rowFilled(row, progress);
    }
    void RunStep(int done, CProgressWnd& progress) override {
        if (runStep)
            runStep(done, progress);
    }
    void BeforeRunEntry(int index) override {
        if (beforeRunEntry)
            beforeRunEntry(index);
    }
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

// A short word whose KOI8-R bytes (followed by `tail`) the reading rule takes for Windows-1251, and
// its Latin form with the default keys; empty when the detector reads every candidate right.
inline std::pair<QString, QString> Koi8WordReadAs1251(const QByteArray& tail = {}) {
    const std::pair<const char16_t*, const char*> candidates[] = {
        {u"лес", "les"}, {u"сон", "son"}, {u"нос", "nos"}, {u"дом", "dom"}, {u"сад", "sad"}};
    for (const auto& [word, latin] : candidates) {
        if (ReadShortText(Koi8Bytes(QString::fromUtf16(word)) + tail).encoding == ETextEncoding::kCp1251)
            return {QString::fromUtf16(word), QString::fromLatin1(latin)};
    }
    return {};
}
