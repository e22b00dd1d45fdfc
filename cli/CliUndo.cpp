#include "CliUndo.h"

#include "CliApp.h"
#include "CliIo.h"
#include "CliJson.h"
#include "CliNames.h"
#include "Journal.h"
#include "Mp3Batch.h"
#include "PlaylistLinks.h"
#include "RawNames.h"

#include <QDateTime>
#include <QFileInfo>

#include <algorithm>

#include <cstdio>

namespace {

bool Print(const std::string& text) {
    std::string error;
    if (WriteOut(text, error))
        return true;
    std::fprintf(stderr, "lettrino-cli: %s\n", error.c_str());
    return false;
}

// The age of a run for people: "3 d", "5 h", "12 min".
std::string Age(const QByteArray& started) {
    const QDateTime then = QDateTime::fromString(QString::fromLatin1(started), Qt::ISODateWithMs);
    const qint64 seconds = then.isValid() ? then.secsTo(QDateTime::currentDateTimeUtc()) : -1;
    if (seconds < 0)
        return "?";
    if (seconds >= 86400)
        return std::to_string(seconds / 86400) + " d";
    if (seconds >= 3600)
        return std::to_string(seconds / 3600) + " h";
    return std::to_string(seconds / 60) + " min";
}

// Only the headers are read: a listing costs the same whatever the runs changed.
int ListRuns(bool json) {
    std::string out;
    for (const QString& path : ListJournals()) {
        SJournalRun run;
        const std::string name = QFileInfo(path).fileName().toStdString();
        if (!ReadJournal(path, run, nullptr, true)) {
            out +=
                json
                    ? JsonLine({{"run", QString::fromStdString(name)}, {"status", QStringLiteral("damaged")}})
                    : name + "\tdamaged: not a journal of this program\n";
            continue;
        }
        const std::string changes = run.changes < 0 ? std::string("unfinished") : std::to_string(run.changes);
        const std::string status = run.undone ? "undone" : run.changes < 0 ? "interrupted" : "done";
        if (json) {
            out += JsonLine({{"run", QString::fromStdString(name)},
                             {"started", QString::fromUtf8(run.started)},
                             {"tool", QString::fromUtf8(run.tool)},
                             {"changes", run.changes < 0 ? QJsonValue() : QJsonValue(qint64(run.changes))},
                             {"bytes", qint64(run.size)},
                             {"age", QString::fromStdString(Age(run.started))},
                             {"folder", QString::fromUtf8(RawToEscaped(run.folder))},
                             {"status", QString::fromStdString(status)}});
        } else {
            out += name + "\t" + run.started.toStdString() + "\t" + run.tool.toStdString() + "\t" + changes +
                   " changes\t" + std::to_string(run.size) + " bytes\t" + Age(run.started) + "\t" +
                   RawToEscaped(run.folder).replace('\n', "; ").toStdString() + "\t" + status + "\n";
        }
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
        return ListRuns(options.json);
    QString path;
    SJournalRun run;
    QString error;
    if (options.run.empty()) {
        // The latest run of a tool (an undo is not undone by a plain undo); damaged journals are
        // passed over, so that they never hide the runs before them.
        const std::vector<QString> journals = ListJournals();
        for (auto it = journals.rbegin(); it != journals.rend() && path.isEmpty(); ++it) {
            if (ReadJournal(*it, run, nullptr, true) && run.tool != "undo")
                path = *it;
            else if (run.tool != "undo")
                std::fprintf(stderr, "lettrino-cli: %s: passed over, not a journal of this program\n",
                             it->toUtf8().constData());
        }
        if (path.isEmpty()) {
            std::fprintf(stderr, "lettrino-cli: there is no run to undo in %s\n",
                         JournalFolder().toUtf8().constData());
            return kExitFailure;
        }
    } else {
        path = QString::fromLocal8Bit(options.run.c_str());
        if (!path.contains(QLatin1Char('/')))
            path = JournalFolder() + QLatin1Char('/') + path;
    }
    // A journal says where to write: only one of this user's, that no one else could have written.
    if (!TrustedJournal(path, &error)) {
        std::fprintf(stderr, "lettrino-cli: %s: not undone, the journal is not trusted: %s\n",
                     path.toUtf8().constData(), error.toUtf8().constData());
        return kExitFailure;
    }
    if (!ReadJournal(path, run, &error)) {
        std::fprintf(stderr, "lettrino-cli: %s: %s\n", path.toUtf8().constData(), error.toUtf8().constData());
        return kExitFailure;
    }
    const long changes = long(std::count_if(run.records.begin(), run.records.end(),
                                            [](const SJournalRecord& r) { return r.change >= 0; }));
    std::fprintf(stderr, "lettrino-cli: run %s of %s in %s, %s, %s\n",
                 QFileInfo(path).fileName().toUtf8().constData(), run.tool.constData(),
                 PathForPeople(run.folder).c_str(), run.started.constData(),
                 run.changes < 0 ? (std::to_string(changes) + " changes, interrupted").c_str()
                                 : (std::to_string(run.changes) + " changes").c_str());
    if (run.undone) {
        std::fprintf(stderr, "lettrino-cli: that run was undone already; nothing to do\n");
        return kExitOk;
    }
    QString markError;
    const std::vector<SUndoResult> results = UndoRun(
        run, options.apply,
        [](const SJournalRecord& record, bool apply) {
            return record.kind == "content" ? UndoContentRecord(record, apply) : UndoTagRecord(record, apply);
        },
        &markError);
    long undone = 0, left = 0, nothing = 0;
    std::string out;
    for (const SUndoResult& result : results) {
        undone += result.status == EUndoStatus::kUndone || result.status == EUndoStatus::kWouldUndo;
        left += result.status == EUndoStatus::kLeft;
        nothing += result.status == EUndoStatus::kNothing;
        if (options.json) {
            out += JsonLine({{"path", QString::fromUtf8(RawToEscaped(result.path))},
                             {"new", QString::fromUtf8(RawToEscaped(result.target))},
                             {"status", QLatin1String(StatusWord(result.status))},
                             {"reason", result.reason}});
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
    if (!markError.isEmpty())
        std::fprintf(stderr, "lettrino-cli: %s\n", markError.toUtf8().constData());
    if (options.apply)
        std::fprintf(stderr, "lettrino-cli: %ld undone, %ld left, %ld already as before\n", undone, left,
                     nothing);
    else
        std::fprintf(stderr,
                     "lettrino-cli: %ld to undo, %ld would be left, %ld already as before (nothing "
                     "undone without --apply)\n",
                     undone, left, nothing);
    const bool damaged = run.missing > 0 || run.damaged > 0;
    return (options.apply && left) || damaged || !markError.isEmpty() || !written ? kExitFailure : kExitOk;
}
