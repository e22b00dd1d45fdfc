#include "CliRename.h"

#include "CCharTable.h"
#include "CliApp.h"
#include "CliIo.h"
#include "CliJson.h"
#include "CliNames.h"
#include "CliStop.h"
#include "Journal.h"
#include "PlaylistLinks.h"
#include "RawNames.h"
#include "RenamerEngine.h"
#include "Utf8.h"

#include <QStringList>

#include <set>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct SStats {
    long folders = 0;
    long names = 0;
    long proposals = 0; // renamed, or to rename
    long refused = 0;   // refused, or would be
    long unreadable = 0;
    long notStarted = 0; // names left when a signal stopped the run
    long playlists = 0;  // rewritten, or to rewrite
    long playlistsRefused = 0;
    bool writeFailed = false;
};

class CRenameRun {
public:
    CRenameRun(const ILatinSpelling& spelling, const SRenameOptions& options, CJournal& journal)
        : m_spelling(spelling), m_options(options), m_journal(journal),
          m_progress(isatty(STDERR_FILENO) != 0) {}

    // A folder given by the user (links followed), or one file of a folder.
    void Start(const QByteArray& path);
    // The playlists of the folders walked whose entries name what the run renamed follow it.
    void Playlists();
    const SStats& Stats() const { return m_stats; }
    void EndProgress() {
        if (m_progress && m_stats.folders >= kProgressEvery)
            std::fprintf(stderr, "\r%*s\r", 60, "");
    }

private:
    static constexpr long kProgressEvery = 50;

    void Folder(int fd, const QByteArray& path, const QByteArray* only);
    void Entry(int fd, const QByteArray& path, const QByteArray& real, SRenameEntry& entry);
    void Print(const std::string& line) {
        std::string error;
        if (!m_stats.writeFailed && !WriteOut(line, error)) {
            m_stats.writeFailed = true;
            std::fprintf(stderr, "lettrino-cli: %s\n", error.c_str());
        }
    }
    void Problem(const QByteArray& path, const char* what, int error) {
        ++m_stats.unreadable;
        std::fprintf(stderr, "lettrino-cli: %s: %s: %s\n", PathForPeople(path).c_str(), what,
                     std::strerror(error));
    }
    void Progress() {
        if (m_progress && m_stats.folders % kProgressEvery == 0)
            std::fprintf(stderr, "\rlettrino-cli: %ld folders, %ld names", m_stats.folders, m_stats.names);
    }

    const ILatinSpelling& m_spelling;
    SRenameOptions m_options;
    CJournal& m_journal;
    bool m_progress;
    SStats m_stats;
    CRenameMap m_renames;
    std::vector<QByteArray> m_playlists; // real paths before the run, in the order met
    std::set<QByteArray> m_playlistsSeen;
    qsizetype m_playlistBytes = 0; // the old bytes of the playlists journalled
};

void CRenameRun::Start(const QByteArray& path) {
    int error = 0;
    struct stat info {};
    if (stat(path.constData(), &info) != 0)
        return Problem(path, "cannot read", errno);
    if (!S_ISDIR(info.st_mode)) {
        // One file: its folder, listed, with only that entry taken.
        const QByteArray folder = FolderOfPath(path);
        const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
        CFolderFd fd = OpenFolderPath(folder, &error);
        if (!fd.IsOpen())
            return Problem(folder, "cannot read the folder", error);
        NoteRootFolder(fd.Fd());
        return Folder(fd.Fd(), folder, &name);
    }
    CFolderFd fd = OpenFolderPath(path, &error);
    if (!fd.IsOpen())
        return Problem(path, "cannot read the folder", error);
    NoteRootFolder(fd.Fd());
    Folder(fd.Fd(), path, nullptr);
}

void CRenameRun::Folder(int fd, const QByteArray& path, const QByteArray* only) {
    std::vector<SRenameEntry> entries;
    const SNameTarget target{m_options.cyrillic ? ENameTarget::kCyrillic : ENameTarget::kLatin,
                             m_options.nfc};
    if (!ListForRenaming(m_spelling, fd, entries, m_options.encoding, target))
        return Problem(path, "cannot read the folder", errno);
    ++m_stats.folders;
    m_stats.names += long(entries.size());
    Progress();
    const QByteArray real = RealFolderPath(fd, path);
    AfterListing(real);
    for (const SRenameEntry& entry : entries) {
        const QByteArray playlist = ChildPath(real, entry.onDisk);
        if (!entry.isFolder && !entry.isLink && IsPlaylistName(entry.onDisk) &&
            m_playlistsSeen.insert(playlist).second)
            m_playlists.push_back(playlist);
    }
    if (m_options.recursive && !only) {
        for (const SRenameEntry& entry : entries) {
            if (!entry.isFolder || entry.isLink)
                continue; // links are renamed themselves, never followed
            if (CStopOnSignal::Requested())
                break; // a sub-folder not yet listed is not counted
            const QByteArray child = ChildPath(path, entry.onDisk);
            int error = 0;
            CFolderFd childFd = OpenFolderAt(fd, entry.onDisk, &error);
            struct stat info {};
            if (childFd.IsOpen() && (fstat(childFd.Fd(), &info) != 0 || info.st_dev != entry.device ||
                                     info.st_ino != entry.inode)) {
                childFd = CFolderFd();
                error = ESTALE;
            }
            if (!childFd.IsOpen()) {
                Problem(child,
                        error == ESTALE || error == ELOOP || error == ENOTDIR
                            ? "skipped, not the folder listed (replaced by a link?)"
                            : "cannot read the folder",
                        error);
                continue;
            }
            NoteChildFolder(fd, childFd.Fd(), entry.onDisk);
            Folder(childFd.Fd(), child, nullptr);
        }
    }
    for (SRenameEntry& entry : entries) {
        if ((only && entry.onDisk != *only) ||
            !MatchesOnly(m_options.only, entry.onDisk.constData(), entry.shown.toUtf8().constData()))
            continue;
        if (entry.proposal.isEmpty() && entry.refusal == ERefusal::kNone)
            continue;
        if (CStopOnSignal::Requested())
            ++m_stats.notStarted;
        else
            Entry(fd, path, real, entry);
    }
}

void CRenameRun::Entry(int fd, const QByteArray& path, const QByteArray& real, SRenameEntry& entry) {
    const bool renamed = m_options.apply && RenameEntry(fd, entry, m_journal);
    const bool refused = entry.refusal != ERefusal::kNone;
    if (m_options.apply ? renamed : !refused)
        m_renames.Add(ChildPath(real, entry.onDisk), ChildPath(real, entry.proposal.toUtf8()));
    ++(refused ? m_stats.refused : m_stats.proposals);
    const QByteArray full = ChildPath(path, entry.onDisk);
    const std::string reason = RefusalText(entry).toStdString();
    if (m_options.json) {
        const char* status = renamed   ? "renamed"
                             : refused ? (m_options.apply ? "refused" : "would be refused")
                                       : "to rename";
        const std::string line =
            JsonLine({{"path", QString::fromUtf8(RawToEscaped(full))},
                      {"folder", QString::fromUtf8(RawToEscaped(path))},
                      {"old", QString::fromUtf8(RawToEscaped(entry.onDisk))},
                      {"old_text", entry.shown},
                      {"new", QString::fromUtf8(RawToEscaped(entry.proposal.toUtf8()))},
                      {"encoding", QLatin1String(EncodingName(entry.codePage))},
                      {"kind", QLatin1String(entry.isFolder && !entry.isLink ? "folder" : "file")},
                      {"status", QLatin1String(status)},
                      {"reason", QString::fromStdString(reason)}});
        Print(line);
    } else {
        std::string line = RawToEscaped(full).toStdString() + " → " +
                           (entry.proposal.isEmpty() ? std::string("-")
                                                     : RawToEscaped(entry.proposal.toUtf8()).toStdString());
        QStringList notes;
        // The name as this run read it, in the folder as it reads.
        const QByteArray decoded =
            RawToEscaped((DecodedPath(ChildPath(path, "-")).chopped(1) + entry.shown).toUtf8());
        if (decoded != RawToEscaped(full))
            notes << QString::fromUtf8(decoded);
        if (entry.codePage != 0)
            notes << QStringLiteral("name in %1").arg(QLatin1String(EncodingName(entry.codePage)));
        // Composing changes no letter a person sees: the line says why it is there.
        else if (entry.target.nfc && !entry.repaired && entry.proposal.toUtf8() != entry.onDisk &&
                 entry.proposal == entry.shown && entry.edited.isEmpty())
            notes << QStringLiteral("decomposed (NFD)");
        if (!notes.isEmpty())
            line += "  (" + notes.join(QStringLiteral(", ")).toStdString() + ")";
        if (refused)
            line += std::string(m_options.apply ? "  [refused: " : "  [would be refused: ") + reason + "]";
        Print(line + "\n");
    }
    if (m_options.apply && refused)
        std::fprintf(stderr, "lettrino-cli: %s: not renamed: %s\n", PathForPeople(full).c_str(),
                     reason.c_str());
}

void CRenameRun::Playlists() {
    if (m_renames.IsEmpty())
        return;
    // The journal is current while playlists are replaced, so that their side files are recorded.
    const CJournalScope scope(m_journal);
    for (const QByteArray& original : m_playlists) {
        if (CStopOnSignal::Requested())
            return;
        SPlaylistUpdate update = PlanPlaylist(original, m_renames, m_options.apply);
        if (!update.read) {
            // Whether it names a renamed file is not known: said, so that no link breaks unseen.
            ++m_stats.unreadable;
            std::fprintf(stderr, "lettrino-cli: %s: playlist not read: %s\n",
                         PathForPeople(update.path).c_str(), update.refusal.toUtf8().constData());
            continue;
        }
        if (update.entries == 0)
            continue;
        QString error = update.refusal;
        if (error.isEmpty() && (m_playlistBytes += update.oldBytes.size()) > kPlaylistJournalBudget)
            error = QStringLiteral("the run's journal would keep more than %1 MiB of playlists")
                        .arg(kPlaylistJournalBudget >> 20);
        const bool rewritten = m_options.apply && error.isEmpty() && WritePlaylist(update, m_journal, error);
        const bool refused = !error.isEmpty();
        ++(refused ? m_stats.playlistsRefused : m_stats.playlists);
        if (m_options.json) {
            const char* status = rewritten ? "rewritten"
                                 : refused ? (m_options.apply ? "refused" : "would be refused")
                                           : "to rewrite";
            Print(JsonLine({{"playlist", QString::fromUtf8(RawToEscaped(update.path))},
                            {"entries", update.entries},
                            {"encoding", QLatin1String(EncodingName(update.format.encoding))},
                            {"status", QLatin1String(status)},
                            {"reason", error}}));
        } else {
            std::string line = "playlist " + RawToEscaped(update.path).toStdString() + ": " +
                               std::to_string(update.entries) +
                               (update.entries == 1 ? " entry follows" : " entries follow");
            if (refused)
                line += std::string(m_options.apply ? "  [refused: " : "  [would be refused: ") +
                        error.toStdString() + "]";
            Print(line + "\n");
        }
        if (m_options.apply && refused)
            std::fprintf(stderr, "lettrino-cli: %s: playlist not rewritten: %s\n",
                         PathForPeople(update.path).c_str(), error.toUtf8().constData());
    }
}

} // namespace

bool MatchesOnly(const std::string& pattern, const char* onDisk, const char* shown) {
    return pattern.empty() || fnmatch(pattern.c_str(), onDisk, FNM_PERIOD) == 0 ||
           fnmatch(pattern.c_str(), shown, FNM_PERIOD) == 0;
}

int RunRename(const ILatinSpelling& spelling, const std::vector<std::string>& named,
              const SRenameOptions& options) {
    const std::vector<std::string> paths = DistinctPaths(named);
    // The journal names what the names became: the spelling, or Unicode Cyrillic.
    CJournal journal("rename", RealPaths(paths),
                     options.cyrillic ? QByteArray("Cyrillic (Unicode)")
                                      : QString::fromStdU16String(spelling.Describe()).toUtf8());
    CRenameRun run(spelling, options, journal);
    // Ctrl-C or SIGTERM: the name in hand is finished, no new one is started.
    const CStopOnSignal stopOnSignal;
    for (const std::string& path : paths) {
        if (!CStopOnSignal::Requested())
            run.Start(QByteArray(path.data(), qsizetype(path.size())));
    }
    run.EndProgress();
    run.Playlists();
    journal.Finish();
    const SStats& stats = run.Stats();
    if (const int signal = CStopOnSignal::Requested())
        std::fprintf(stderr, "lettrino-cli: stopped by %s: %ld done, %ld not started\n",
                     signal == SIGINT ? "Ctrl-C" : "SIGTERM", stats.proposals + stats.refused,
                     stats.notStarted);
    if (stats.playlists || stats.playlistsRefused)
        std::fprintf(stderr, "lettrino-cli: %ld playlists %s, %ld %s\n", stats.playlists,
                     options.apply ? "rewritten" : "to rewrite", stats.playlistsRefused,
                     options.apply ? "refused" : "would be refused");
    if (options.apply)
        std::fprintf(stderr, "lettrino-cli: %ld names in %ld folders, %ld renamed, %ld refused%s%s\n",
                     stats.names, stats.folders, stats.proposals, stats.refused,
                     journal.Changes() ? "; journal " : "",
                     journal.Changes() ? journal.Path().toUtf8().constData() : "");
    else
        std::fprintf(stderr,
                     "lettrino-cli: %ld names in %ld folders, %ld to rename, %ld would be refused "
                     "(nothing renamed without --apply)\n",
                     stats.names, stats.folders, stats.proposals, stats.refused);
    if (CStopOnSignal::Requested())
        return CStopOnSignal::ExitStatus();
    return (options.apply && (stats.refused || stats.playlistsRefused)) || stats.unreadable ||
                   stats.writeFailed
               ? kExitFailure
               : kExitOk;
}
