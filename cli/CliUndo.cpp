#include "CliUndo.h"

#include "CliApp.h"
#include "CliIo.h"
#include "CliNames.h"
#include "Journal.h"
#include "Mp3Batch.h"
#include "RawNames.h"

#include <QFileInfo>

#include <cstdio>

namespace {

bool Print(const std::string& text) {
    std::string error;
    if (WriteOut(text, error))
        return true;
    std::fprintf(stderr, "lettrino-cli: %s\n", error.c_str());
    return false;
}

int ListRuns() {
    std::string out;
    for (const QString& path : ListJournals()) {
        SJournalRun run;
        if (!ReadJournal(path, run))
            continue;
        out += QFileInfo(path).fileName().toStdString() + "\t" + run.started.toStdString() + "\t" +
               run.tool.toStdString() + "\t" + std::to_string(run.records.size()) + " changes\t" +
               RawToEscaped(run.folder).replace('\n', "; ").toStdString() + (run.undone ? "\tundone" : "") +
               "\n";
    }
    if (out.empty())
        std::fprintf(stderr, "lettrino-cli: no runs in %s\n", JournalFolder().toUtf8().constData());
    return Print(out) ? kExitOk : kExitFailure;
}

const char* StatusWord(EUndoStatus status) {
    switch (status) {
    case EUndoStatus::kUndone:
        return "undone";
    case EUndoStatus::kWouldUndo:
        return "would undo";
    case EUndoStatus::kNothing:
        return "nothing to undo";
    case EUndoStatus::kLeft:
        return "left";
    }
    return "";
}

} // namespace

int RunUndo(const SUndoOptions& options) {
    if (options.list)
        return ListRuns();
    QString path;
    if (options.run.empty()) {
        const std::vector<QString> journals = ListJournals();
        if (journals.empty()) {
            std::fprintf(stderr, "lettrino-cli: there is no run to undo (%s is empty)\n",
                         JournalFolder().toUtf8().constData());
            return kExitFailure;
        }
        path = journals.back();
    } else {
        path = QString::fromLocal8Bit(options.run.c_str());
        if (!path.contains(QLatin1Char('/')))
            path = JournalFolder() + QLatin1Char('/') + path;
    }
    SJournalRun run;
    QString error;
    if (!ReadJournal(path, run, &error)) {
        std::fprintf(stderr, "lettrino-cli: %s: %s\n", path.toUtf8().constData(), error.toUtf8().constData());
        return kExitFailure;
    }
    std::fprintf(stderr, "lettrino-cli: run %s of %s, %s, %zu changes\n",
                 QFileInfo(path).fileName().toUtf8().constData(), run.tool.constData(),
                 run.started.constData(), run.records.size());
    if (run.undone) {
        std::fprintf(stderr, "lettrino-cli: that run was undone already; nothing to do\n");
        return kExitOk;
    }
    const std::vector<SUndoResult> results = UndoRun(run, options.apply, UndoTagRecord);
    long undone = 0, left = 0, nothing = 0;
    std::string out;
    for (const SUndoResult& result : results) {
        undone += result.status == EUndoStatus::kUndone || result.status == EUndoStatus::kWouldUndo;
        left += result.status == EUndoStatus::kLeft;
        nothing += result.status == EUndoStatus::kNothing;
        if (options.json) {
            out += "{\"path\":" + JsonQuote(RawToEscaped(result.path).toStdString()) +
                   ",\"new\":" + JsonQuote(RawToEscaped(result.target).toStdString()) +
                   ",\"status\":" + JsonQuote(StatusWord(result.status)) +
                   ",\"reason\":" + JsonQuote(result.reason.toStdString()) + "}\n";
        } else if (result.status != EUndoStatus::kNothing) {
            out += std::string(StatusWord(result.status)) + ": " + PathForPeople(result.path);
            if (!result.target.isEmpty() && result.target != result.path)
                out += " → " + PathForPeople(result.target);
            if (!result.reason.isEmpty())
                out += "  [" + result.reason.toStdString() + "]";
            out += "\n";
        }
    }
    const bool written = Print(out);
    if (options.apply)
        std::fprintf(stderr, "lettrino-cli: %ld undone, %ld left, %ld already as before\n", undone, left,
                     nothing);
    else
        std::fprintf(stderr,
                     "lettrino-cli: %ld to undo, %ld would be left, %ld already as before (nothing "
                     "undone without --apply)\n",
                     undone, left, nothing);
    return (options.apply && left) || !written ? kExitFailure : kExitOk;
}
