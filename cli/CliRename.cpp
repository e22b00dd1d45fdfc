#include "CliRename.h"

#include "CliApp.h"
#include "CliIo.h"
#include "RawNames.h"
#include "RenamerEngine.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct SStats {
    long folders = 0;
    long names = 0;
    long proposals = 0;
    long renamed = 0;
    long refused = 0;
    long unreadable = 0;
    bool writeFailed = false;
};

class CRenameRun {
public:
    CRenameRun(const ILatinSpelling& spelling, const SRenameOptions& options)
        : m_spelling(spelling), m_options(options), m_progress(isatty(STDERR_FILENO) != 0) {}

    void Folder(const QByteArray& path, const QString& shownPath);
    const SStats& Stats() const { return m_stats; }
    void EndProgress() {
        if (m_progress && m_stats.folders >= kProgressEvery)
            std::fprintf(stderr, "\r%*s\r", 60, "");
    }

private:
    static constexpr long kProgressEvery = 50;

    void Print(const QString& line) {
        std::string error;
        if (!m_stats.writeFailed && !WriteOut(line.toUtf8().toStdString(), error)) {
            m_stats.writeFailed = true;
            std::fprintf(stderr, "lettrino-cli: %s\n", error.c_str());
        }
    }
    void Progress() {
        if (m_progress && m_stats.folders % kProgressEvery == 0)
            std::fprintf(stderr, "\rlettrino-cli: %ld folders, %ld names", m_stats.folders, m_stats.names);
    }

    const ILatinSpelling& m_spelling;
    SRenameOptions m_options;
    bool m_progress;
    SStats m_stats;
};

QByteArray Child(const QByteArray& folder, const QByteArray& name) {
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

QString ShownChild(const QString& folder, const QString& name) {
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

// A real folder, not a link to one: links are renamed themselves and never followed.
bool IsRealFolder(const QByteArray& path) {
    struct stat info {};
    return lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

void CRenameRun::Folder(const QByteArray& path, const QString& shownPath) {
    std::vector<SRenameEntry> entries;
    if (!ListForRenaming(m_spelling, path, entries)) {
        ++m_stats.unreadable;
        std::fprintf(stderr, "lettrino-cli: %s: cannot read the folder: %s\n", shownPath.toUtf8().constData(),
                     std::strerror(errno));
        return;
    }
    ++m_stats.folders;
    m_stats.names += long(entries.size());
    Progress();
    if (m_options.recursive) {
        for (const SRenameEntry& entry : entries) {
            const QByteArray child = Child(path, entry.onDisk);
            if (entry.isFolder && IsRealFolder(child))
                Folder(child, ShownChild(shownPath, entry.shown));
        }
    }
    for (const SRenameEntry& entry : entries) {
        if (entry.proposal.isEmpty())
            continue;
        ++m_stats.proposals;
        QString line = ShownChild(shownPath, entry.shown) + QStringLiteral(" → ") + entry.proposal;
        if (entry.codePage != 0)
            line += entry.codePage == 20866 ? QStringLiteral("  (name in KOI8-R)")
                                            : QStringLiteral("  (name in CP%1)").arg(entry.codePage);
        Print(line + QLatin1Char('\n'));
        if (!m_options.apply)
            continue;
        int error = 0;
        if (RenameNoReplace(path, entry.onDisk, entry.proposal.toUtf8(), &error)) {
            ++m_stats.renamed;
        } else {
            ++m_stats.refused;
            std::fprintf(stderr, "lettrino-cli: %s: not renamed: %s\n",
                         ShownChild(shownPath, entry.shown).toUtf8().constData(),
                         error == EEXIST || error == ENOTEMPTY ? "the new name is taken"
                                                               : std::strerror(error));
        }
    }
}

} // namespace

int RunRename(const ILatinSpelling& spelling, const std::vector<std::string>& folders,
              const SRenameOptions& options) {
    CRenameRun run(spelling, options);
    for (const std::string& folder : folders) {
        const QByteArray path(folder.data(), qsizetype(folder.size()));
        run.Folder(path, DecodeRawName(path));
    }
    run.EndProgress();
    const SStats& stats = run.Stats();
    if (options.apply)
        std::fprintf(stderr, "lettrino-cli: %ld names in %ld folders, %ld renamed, %ld refused\n",
                     stats.names, stats.folders, stats.renamed, stats.refused);
    else
        std::fprintf(
            stderr,
            "lettrino-cli: %ld names in %ld folders, %ld to rename (nothing renamed without --apply)\n",
            stats.names, stats.folders, stats.proposals);
    return stats.refused || stats.unreadable || stats.writeFailed ? kExitFailure : kExitOk;
}
