#include "CliTags.h"

#include "CliRename.h"

#include "CCharTable.h"
#include "CResourceModule.h"
#include "CliApp.h"
#include "CliIo.h"
#include "CliJson.h"
#include "CliNames.h"
#include "CliStop.h"
#include "CueSheet.h"
#include "FileTag.h"
#include "Journal.h"
#include "Mp3Batch.h"
#include "Mp3Tags.h"
#include "RawNames.h"
#include "ResourceIds.h"
#include "SafeFile.h"

#include <QStringList>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <tuple>
#include <unistd.h>

namespace {

// --encoding is for the texts the reading rule cannot read: one encoding named for a whole run
// must not re-read the good UTF-8 texts among them.
SReadAs WholeRun(const STagsOptions& options) {
    return SReadAs(options.encoding, false);
}

struct SStats {
    long files = 0;
    long frames = 0;     // Russian frames: to change, or changed with --apply
    long notWritten = 0; // failed writes the system refused (permissions, a read-only disk, ...)
    long diskFull = 0;   // failed writes for want of room (a full disk, a quota, a size limit)
    long changed = 0;    // files changed or gone since they were read
    long unreadable = 0; // files that could not be read
    long noTag = 0;
    long refused = 0;    // frames and files refused, or that would be
    long notStarted = 0; // left when a signal stopped the run
    long v1Russian = 0;  // Cyrillic target: files whose ID3v1 tag holds Russian, left as it is

    void Add(const SStats& s) {
        files += s.files;
        frames += s.frames;
        notWritten += s.notWritten;
        diskFull += s.diskFull;
        changed += s.changed;
        unreadable += s.unreadable;
        noTag += s.noTag;
        refused += s.refused;
        notStarted += s.notStarted;
        v1Russian += s.v1Russian;
    }
};

// The count a failed write belongs to, by the reason it was given.
long& CountOf(SStats& stats, const QString& reason) {
    for (const int code : {ENOSPC, EDQUOT, EFBIG}) {
        if (reason.contains(SystemReason(code)))
            return stats.diskFull;
    }
    const CResourceModule& texts = CurrentResources();
    if (reason.contains(texts.String(1302)) || reason.contains(texts.String(1324)))
        return stats.changed;
    if (reason.startsWith(texts.String(1312)))
        return stats.unreadable;
    return stats.notWritten;
}

// A directory entry: the same one reached through two paths the user named is taken once.
struct SEntryKey {
    dev_t device = 0;
    ino_t folder = 0;
    QByteArray name;
    bool operator<(const SEntryKey& other) const {
        return std::tie(device, folder, name) < std::tie(other.device, other.folder, other.name);
    }
};

struct SFile {
    QByteArray folder; // where the file is reached: through the opened folder; ends in "/"
    QByteArray name;
    QByteArray shownFolder; // the folder as the user named it; ends in "/"
    std::shared_ptr<CFolderFd> fd;
    dev_t device = 0; // what the entry was when listed
    ino_t inode = 0;
};

// What one file gives: its lines for standard output, its messages for standard error.
struct SResult {
    std::string out;
    std::string err;
};

// A file is reached through its opened folder, so that a folder swapped for a link meanwhile
// leads nowhere outside the tree.
SFile FileIn(const std::shared_ptr<CFolderFd>& fd, const QByteArray& shownFolder, const SListedEntry& entry) {
    return {"/proc/self/fd/" + QByteArray::number(fd->Fd()) + '/',
            entry.name,
            WithSlash(shownFolder),
            fd,
            entry.device,
            entry.inode};
}

// The MP3, FLAC, Ogg and Opus files of the opened folder (and below), by name. A run that writes first clears
// what an interrupted one left; one that only lists names it.
void Collect(const std::shared_ptr<CFolderFd>& fd, const QByteArray& path, bool recursive, bool apply,
             std::vector<SFile>& files, long& unreadable) {
    const QByteArray folder = WithSlash(path);
    std::vector<SListedEntry> entries;
    if (apply) {
        std::vector<QString> messages;
        CleanLeftovers("/proc/self/fd/" + QByteArray::number(fd->Fd()), messages);
        for (const QString& message : messages)
            std::fprintf(stderr, "lettrino-cli: %s\n", message.toUtf8().constData());
    }
    if (!ReadFolderAt(fd->Fd(), entries)) {
        ++unreadable;
        std::fprintf(stderr, "lettrino-cli: %s: cannot read the folder: %s\n", PathForPeople(path).c_str(),
                     std::strerror(errno));
        return;
    }
    AfterListing(RealFolderPath(fd->Fd(), path));
    std::sort(entries.begin(), entries.end(),
              [](const SListedEntry& a, const SListedEntry& b) { return a.name < b.name; });
    for (const SListedEntry& entry : entries) {
        if (IsTagFileName(entry.name))
            files.push_back(FileIn(fd, folder, entry));
        else if (!apply && IsLeftoverName(entry.name))
            std::fprintf(stderr, "lettrino-cli: %s: a temporary file left by an interrupted run\n",
                         PathForPeople(folder + entry.name).c_str());
    }
    if (!recursive)
        return;
    for (const SListedEntry& entry : entries) {
        if (!entry.isFolder || entry.isLink)
            continue;
        int error = 0;
        auto child = std::make_shared<CFolderFd>(OpenFolderAt(fd->Fd(), entry.name, &error));
        struct stat info {};
        if (child->IsOpen() &&
            (fstat(child->Fd(), &info) != 0 || info.st_dev != entry.device || info.st_ino != entry.inode)) {
            *child = CFolderFd();
            error = ESTALE;
        }
        if (!child->IsOpen()) {
            ++unreadable;
            std::fprintf(stderr, "lettrino-cli: %s: %s: %s\n", PathForPeople(folder + entry.name).c_str(),
                         error == ESTALE || error == ELOOP || error == ENOTDIR
                             ? "skipped, not the folder listed (replaced by a link?)"
                             : "cannot read the folder",
                         std::strerror(error));
            continue;
        }
        NoteChildFolder(fd->Fd(), child->Fd(), entry.name);
        Collect(child, folder + entry.name, recursive, apply, files, unreadable);
    }
}

// A path the user named: a folder, or one file in its folder.
void CollectPath(const QByteArray& path, bool recursive, bool apply, std::vector<SFile>& files,
                 long& unreadable) {
    int error = 0;
    struct stat info {};
    if (stat(path.constData(), &info) == 0 && !S_ISDIR(info.st_mode)) {
        const qsizetype slash = path.lastIndexOf('/');
        const QByteArray folder = FolderOfPath(path);
        auto fd = std::make_shared<CFolderFd>(OpenFolderPath(folder, &error));
        SListedEntry entry;
        entry.name = path.mid(slash + 1);
        struct stat listed {};
        if (fd->IsOpen() && fstatat(fd->Fd(), entry.name.constData(), &listed, AT_SYMLINK_NOFOLLOW) == 0) {
            NoteRootFolder(fd->Fd());
            entry.device = listed.st_dev;
            entry.inode = listed.st_ino;
            files.push_back(FileIn(fd, slash < 0 ? QByteArray() : path.left(slash + 1), entry));
            return;
        }
        error = errno;
    } else {
        auto fd = std::make_shared<CFolderFd>(OpenFolderPath(path, &error));
        if (fd->IsOpen()) {
            NoteRootFolder(fd->Fd());
            return Collect(fd, path, recursive, apply, files, unreadable);
        }
    }
    ++unreadable;
    std::fprintf(stderr, "lettrino-cli: %s: cannot read: %s\n", PathForPeople(path).c_str(),
                 std::strerror(error));
}

void DoFile(const ILatinSpelling& spelling, const STagsOptions& options, const SFile& file, SResult& result,
            SStats& stats) {
    ++stats.files;
    const QString shown = QString::fromUtf8(RawToEscaped(file.shownFolder + file.name));
    // One line per entry: for people tab-separated (texts escaped like names), for scripts JSON.
    auto note = [&](const QString& frame, const char* encoding, const QString& oldText,
                    const QString& newText, const QString& status, const QString& reason) {
        if (options.json) {
            result.out += JsonLine({{"path", shown},
                                    {"frame", frame},
                                    {"encoding", QLatin1String(encoding)},
                                    {"old", oldText},
                                    {"new", newText},
                                    {"status", status},
                                    {"reason", reason}});
            return;
        }
        QString line = shown;
        for (const QString& field : {frame, QString::fromLatin1(encoding), oldText, newText}) {
            if (!field.isEmpty())
                line += QLatin1Char('\t') + QString::fromUtf8(RawToEscaped(field.toUtf8()));
        }
        if (!reason.isEmpty() || !status.isEmpty())
            line += QStringLiteral("\t(") + status +
                    (reason.isEmpty() ? QString() : QStringLiteral(": ") + reason) + QStringLiteral(")");
        result.out += (line + QLatin1Char('\n')).toUtf8().toStdString();
    };
    struct stat now {};
    if (fstatat(file.fd->Fd(), file.name.constData(), &now, AT_SYMLINK_NOFOLLOW) != 0 ||
        now.st_dev != file.device || now.st_ino != file.inode) {
        ++stats.refused;
        ++stats.changed;
        note({}, "", {}, {}, QStringLiteral("skipped"), CurrentResources().String(kStrEntryChanged));
        return;
    }
    CCellTable grid(1 + kTagColumnCount);
    const int row = grid.AddRow();
    std::vector<SFrameText> texts(kTagColumnCount);
    QStringList cyrillics; // the Cyrillic target's texts, by column
    // FLAC, Ogg, Opus and MP4 files and CUE sheets name their columns by their own fields.
    const bool whole = IsFileTagName(file.name);
    auto fieldName = [&](int column) { return QLatin1String(TagFieldOf(file.name, column)); };
    // A link, an unreadable file, one that is never written (whatever a rewrite wrote would stand
    // in for what a cut file is missing) and one without a tag end the row alike in every format.
    auto readable = [&](bool link, const QString& readError, const QString& refusal, bool hasTag) {
        if (link) {
            note({}, "", {}, {}, QStringLiteral("symbolic link, skipped"), {});
            return false;
        }
        if (!readError.isEmpty()) {
            ++stats.unreadable;
            note({}, "", {}, {}, QStringLiteral("unreadable"), readError);
            result.err += "lettrino-cli: " + shown.toUtf8().toStdString() + ": " +
                          readError.toUtf8().toStdString() + "\n";
            return false;
        }
        if (!refusal.isEmpty()) {
            ++stats.refused;
            note({}, "", {}, {},
                 options.apply ? QStringLiteral("refused") : QStringLiteral("would be refused"), refusal);
            return false;
        }
        if (!hasTag) {
            ++stats.noTag;
            note({}, "", {}, {}, QStringLiteral("no tag"), {});
            return false;
        }
        return true;
    };
    if (whole) {
        const std::unique_ptr<CFileTag> opened = OpenFileTag(file.folder + file.name);
        const CFileTag& tag = *opened;
        // A file laid out in a way a rewrite cannot keep is refused as a cut one is.
        if (!readable(tag.IsLink(), tag.ReadError(), tag.Damage(), tag.HasTag()))
            return;
        for (int column = 1; column <= kTagColumnCount; ++column) {
            SFrameText& text = texts[std::size_t(column - 1)];
            cyrillics << QString();
            if (!tag.ReadColumn(column, text, WholeRun(options)))
                continue;
            // Russian already right in UTF-8 stays as it is.
            if (options.cyrillic && !tag.CyrillicOf(column, cyrillics.back(), WholeRun(options)))
                text.code = kCodePlain;
            grid.SetCellText(row, column, text.text);
            grid.SetCellCode(row, column, text.code);
        }
    } else {
        const std::unique_ptr<CMp3Tag> tag = OpenTag(file.folder, file.name);
        if (!readable(tag->IsLink(), tag->ReadError(),
                      tag->CutShort() ? CurrentResources().String(kStrTagCutShort) : QString(),
                      tag->IsLinked()))
            return;
        for (int column = 1; column <= kTagColumnCount; ++column) {
            SFrameText& text = texts[std::size_t(column - 1)];
            cyrillics << QString();
            if (!ReadFrameText(*tag, kTagColumns[column - 1].frameId, text, WholeRun(options)))
                continue;
            // Unicode Russian, and Russian only the ID3v1 tag holds, stay as they are.
            if (options.cyrillic &&
                !CyrillicOfFrame(*tag, kTagColumns[column - 1].frameId, cyrillics.back(), WholeRun(options)))
                text.code = kCodePlain;
            grid.SetCellText(row, column, text.text);
            grid.SetCellCode(row, column, text.code);
        }
        if (options.cyrillic && Id3v1HoldsRussian(*tag, WholeRun(options)))
            ++stats.v1Russian;
    }
    // A text holding a letter without a key is not changed, rather than shortened.
    std::vector<int> heldColumns;
    const QStringList held =
        options.cyrillic ? QStringList() : HoldBackTextsWithoutKeys(grid, row, spelling, &heldColumns);
    const QString refusedWord =
        options.apply ? QStringLiteral("refused") : QStringLiteral("would be refused");
    for (qsizetype i = 0; i < held.size(); ++i)
        note(fieldName(heldColumns[std::size_t(i)]), "", {}, {}, refusedWord,
             held[i].section(QStringLiteral(": "), 1));
    stats.refused += held.size();
    for (int column = 1; column <= kTagColumnCount; ++column) {
        if (grid.CellCode(row, column) == kCodePlain)
            texts[std::size_t(column - 1)].code = kCodePlain;
    }
    // One conversion per file: the conversion sets up a table on every call, which costs more
    // than the few short texts of a tag. The line breaks between them stay line breaks.
    std::u16string joined;
    for (const SFrameText& text : texts) {
        QString line = text.code == kCodeRussian ? text.text : QString();
        line.replace(QLatin1Char('\n'), QLatin1Char(' '));
        joined += line.toStdU16String();
        joined += u'\n';
    }
    if (!options.cyrillic)
        spelling.ToLatin(joined);
    const QStringList latins =
        options.cyrillic ? cyrillics : QString::fromStdU16String(joined).split(QLatin1Char('\n'));
    QString lines;
    std::vector<int> shownColumns;
    for (int column = 1; column <= kTagColumnCount; ++column) {
        const SFrameText& text = texts[std::size_t(column - 1)];
        if (text.text.isEmpty())
            continue;
        QString latin = text.text;
        if (text.code == kCodeRussian) {
            latin = latins.value(column - 1);
            if (!options.apply)
                ++stats.frames;
        }
        shownColumns.push_back(column);
        if (!options.json)
            note(fieldName(column), text.encoding, text.text, latin, {}, {});
    }
    // In JSON each frame says what became of it, so its line waits for the write.
    auto noteFrames = [&](const QString& done, const QString& reason) {
        if (!options.json)
            return;
        for (const int column : shownColumns) {
            const SFrameText& text = texts[std::size_t(column - 1)];
            const bool russian = text.code == kCodeRussian;
            note(fieldName(column), text.encoding, text.text, russian ? latins.value(column - 1) : text.text,
                 russian ? done : QStringLiteral("unchanged"), russian ? reason : QString());
        }
    };
    bool toWrite = false;
    for (const SFrameText& text : texts)
        toWrite = toWrite || text.code == kCodeRussian;
    if (!options.apply) {
        // What the real run would refuse: the verified replace needs to write the file and to
        // create its copy in the folder.
        const int why = faccessat(file.fd->Fd(), file.name.constData(), W_OK, AT_EACCESS) != 0
                            ? kStrFileNotWritable
                        : faccessat(file.fd->Fd(), ".", W_OK, AT_EACCESS) != 0 ? kStrNotWritable
                                                                               : 0;
        QString refusal = why != 0 ? CurrentResources().String(why) : QString();
        // A whole-file copy is made and checked in memory: what cannot be written exactly shows now.
        QString trialReason;
        if (whole && toWrite && why == 0 &&
            FileTagRewriteRow(file.folder, file.name, grid, row, options.cyrillic ? nullptr : &spelling,
                              &trialReason, WholeRun(options), true) == ERowResult::kFailed)
            refusal = trialReason;
        noteFrames(!refusal.isEmpty() ? refusedWord : QStringLiteral("to write"), refusal);
        if (toWrite && !refusal.isEmpty()) {
            ++stats.refused;
            if (!options.json)
                note({}, "", {}, {}, refusedWord, refusal);
        }
        return;
    }
    QString reason;
    const ERowResult written =
        whole ? FileTagRewriteRow(file.folder, file.name, grid, row, options.cyrillic ? nullptr : &spelling,
                                  &reason, WholeRun(options))
        : options.cyrillic
            ? CyrillicRow(file.folder, file.name, grid, row, &reason, WholeRun(options))
            : TransliterateRow(file.folder, file.name, grid, row, spelling, &reason, WholeRun(options));
    if (written == ERowResult::kFailed) {
        ++CountOf(stats, reason);
        ++stats.refused;
        noteFrames(refusedWord, reason);
        if (!options.json)
            note({}, "", {}, {}, refusedWord, reason);
        result.err += "lettrino-cli: " + shown.toUtf8().toStdString() +
                      ": the tag could not be written: " + reason.toUtf8().toStdString() + "\n";
        return;
    }
    noteFrames(QStringLiteral("written"), {});
    for (int column = 1; column <= kTagColumnCount; ++column) {
        // The Cyrillic target changes the bytes, not the text shown.
        const SFrameText& text = texts[std::size_t(column - 1)];
        if (options.cyrillic ? written == ERowResult::kWritten && text.code == kCodeRussian
                             : grid.CellText(row, column) != text.text)
            ++stats.frames;
    }
}

} // namespace

int RunTags(const ILatinSpelling& spelling, const std::vector<std::string>& named,
            const STagsOptions& options) {
    const std::vector<std::string> folders = DistinctPaths(named);
    SetCueSheetsWithBom(options.bom);
    std::vector<SFile> files;
    long unreadable = 0;
    // Every folder of the run stays open until its files are done.
    rlimit files_limit{};
    if (getrlimit(RLIMIT_NOFILE, &files_limit) == 0 && files_limit.rlim_cur < files_limit.rlim_max) {
        files_limit.rlim_cur = files_limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files_limit);
    }
    for (const std::string& folder : folders)
        CollectPath(QByteArray(folder.data(), qsizetype(folder.size())), options.recursive, options.apply,
                    files, unreadable);
    // A file reached through two of the paths named is done once.
    std::set<SEntryKey> seen;
    files.erase(std::remove_if(files.begin(), files.end(),
                               [&](const SFile& file) {
                                   struct stat folder {};
                                   return fstat(file.fd->Fd(), &folder) == 0 &&
                                          !seen.insert({folder.st_dev, folder.st_ino, file.name}).second;
                               }),
                files.end());
    files.erase(std::remove_if(files.begin(), files.end(),
                               [&](const SFile& file) {
                                   const QByteArray shown =
                                       ReadShortText(file.name, options.encoding, false).text.toUtf8();
                                   return !MatchesOnly(options.only, file.name.constData(),
                                                       shown.constData());
                               }),
                files.end());
    CJournal journal("tags", RealPaths(folders),
                     options.cyrillic ? QByteArray("Cyrillic (Unicode)")
                                      : QString::fromStdU16String(spelling.Describe()).toUtf8());
    std::optional<CTagJournalScope> journalling;
    if (options.apply)
        journalling.emplace(journal);

    // Ctrl-C or SIGTERM: the files in hand are finished, no new one is started.
    const CStopOnSignal stopOnSignal;
    // The files are read on every core, and printed in their order as they are done.
    constexpr std::size_t kBatch = 64;
    const std::size_t batches = (files.size() + kBatch - 1) / kBatch;
    std::vector<SResult> results(files.size());
    std::vector<std::atomic<bool>> done(batches);
    std::atomic<std::size_t> next{0};
    const unsigned workers = std::max(1u, std::min(std::thread::hardware_concurrency(), unsigned(batches)));
    std::vector<SStats> stats(workers);
    auto work = [&](unsigned worker) {
        for (std::size_t batch = next++; batch < batches; batch = next++) {
            const std::size_t end = std::min(files.size(), (batch + 1) * kBatch);
            for (std::size_t i = batch * kBatch; i < end; ++i) {
                if (CStopOnSignal::Requested())
                    ++stats[worker].notStarted;
                else
                    DoFile(spelling, options, files[i], results[i], stats[worker]);
            }
            done[batch].store(true, std::memory_order_release);
            done[batch].notify_one();
        }
    };
    std::vector<std::thread> threads;
    for (unsigned worker = 1; worker < workers; ++worker)
        threads.emplace_back(work, worker);
    // This thread only prints, batch after batch, as the workers finish them.
    const bool progress = isatty(STDERR_FILENO) != 0;
    bool writeFailed = false;
    std::thread own(work, 0u);
    for (std::size_t batch = 0; batch < batches; ++batch) {
        done[batch].wait(false, std::memory_order_acquire);
        const std::size_t end = std::min(files.size(), (batch + 1) * kBatch);
        for (std::size_t i = batch * kBatch; i < end; ++i) {
            std::string error;
            if (!writeFailed && !WriteOut(results[i].out, error)) {
                writeFailed = true;
                std::fprintf(stderr, "lettrino-cli: %s\n", error.c_str());
            }
            std::fputs(results[i].err.c_str(), stderr);
            results[i] = SResult();
        }
        if (progress)
            std::fprintf(stderr, "\rlettrino-cli: %zu of %zu files", end, files.size());
    }
    own.join();
    for (std::thread& thread : threads)
        thread.join();
    if (progress && batches > 0)
        std::fprintf(stderr, "\r%*s\r", 60, "");
    journalling.reset();
    journal.Finish();

    SStats total;
    for (const SStats& s : stats)
        total.Add(s);
    if (const int signal = CStopOnSignal::Requested()) {
        std::fprintf(stderr, "lettrino-cli: stopped by %s: %ld done, %ld not started\n",
                     signal == SIGINT ? "Ctrl-C" : "SIGTERM", total.files, total.notStarted);
    }
    const char* doneWord = options.cyrillic ? "written in Cyrillic" : "transliterated";
    if (total.v1Russian > 0)
        std::fprintf(stderr,
                     "lettrino-cli: ID3v1 tags cannot hold Cyrillic: %ld files keep the Russian of "
                     "theirs as it is\n",
                     total.v1Russian);
    if (options.apply)
        std::fprintf(stderr,
                     "lettrino-cli: %ld files, %ld frames %s, %ld files not writable, "
                     "%ld files without tag, %ld refused, %ld for want of disk space, %ld changed "
                     "meanwhile, %ld unreadable%s%s\n",
                     total.files, total.frames, doneWord, total.notWritten, total.noTag, total.refused,
                     total.diskFull, total.changed, total.unreadable + unreadable,
                     journal.Changes() ? "; journal " : "",
                     journal.Changes() ? journal.Path().toUtf8().constData() : "");
    else
        std::fprintf(stderr,
                     "lettrino-cli: %ld files, %ld frames to %s (nothing written without "
                     "--apply), %ld files without tag, %ld would be refused, %ld unreadable\n",
                     total.files, total.frames, options.cyrillic ? "write in Cyrillic" : "transliterate",
                     total.noTag, total.refused, total.unreadable + unreadable);
    const bool failed = total.notWritten || total.diskFull || total.changed || total.unreadable || unreadable;
    if (CStopOnSignal::Requested())
        return CStopOnSignal::ExitStatus();
    return (options.apply && total.refused) || failed || writeFailed ? kExitFailure : kExitOk;
}
