#include "CliTags.h"

#include "CCharTable.h"
#include "CliApp.h"
#include "CliIo.h"
#include "Mp3Tags.h"
#include "RawNames.h"

#include <QStringList>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

struct SStats {
    long files = 0;
    long frames = 0; // Russian frames: to change, or changed with --apply
    long notWritten = 0;
    long noTag = 0;
};

struct SFile {
    QByteArray folder; // ends in "/"
    QByteArray name;
};

// What one file gives: its lines for standard output, its messages for standard error.
struct SResult {
    std::string out;
    std::string err;
};

QByteArray WithSlash(QByteArray path) {
    if (!path.endsWith('/'))
        path += '/';
    return path;
}

bool IsMp3Name(const QByteArray& name) {
    return name.size() > 4 && name.right(4).toLower() == ".mp3";
}

bool IsRealFolder(const QByteArray& path) {
    struct stat info {};
    return lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The MP3 files of the folder (and below), by name; false when the folder cannot be read.
bool Collect(const QByteArray& path, bool recursive, std::vector<SFile>& files, long& unreadable) {
    const QByteArray folder = WithSlash(path);
    std::vector<SRawEntry> entries;
    if (!ReadFolderRaw(folder, entries)) {
        ++unreadable;
        std::fprintf(stderr, "lettrino-cli: %s: cannot read the folder: %s\n",
                     DecodeRawName(path).toUtf8().constData(), std::strerror(errno));
        return false;
    }
    std::sort(entries.begin(), entries.end(),
              [](const SRawEntry& a, const SRawEntry& b) { return a.name < b.name; });
    for (const SRawEntry& entry : entries) {
        if (IsMp3Name(entry.name))
            files.push_back({folder, entry.name});
    }
    if (recursive) {
        for (const SRawEntry& entry : entries) {
            if (entry.isFolder && IsRealFolder(folder + entry.name))
                Collect(folder + entry.name, recursive, files, unreadable);
        }
    }
    return true;
}

void DoFile(const ILatinSpelling& spelling, const STagsOptions& options, const SFile& file, SResult& result,
            SStats& stats) {
    ++stats.files;
    const QString shown = DecodeRawName(file.folder + file.name);
    CCellTable grid(1 + kTagColumnCount);
    const int row = grid.AddRow();
    std::vector<SFrameText> texts(kTagColumnCount);
    {
        const std::unique_ptr<CMp3Tag> tag = OpenTag(file.folder, file.name);
        if (!tag->IsLinked()) {
            ++stats.noTag;
            result.out += (shown + QStringLiteral("\t(no tag)\n")).toUtf8().toStdString();
            return;
        }
        for (int column = 1; column <= kTagColumnCount; ++column) {
            SFrameText& text = texts[std::size_t(column - 1)];
            if (!ReadFrameText(*tag, kTagColumns[column - 1].frameId, text))
                continue;
            grid.SetCellText(row, column, text.text);
            grid.SetCellCode(row, column, text.code);
        }
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
    spelling.ToLatin(joined);
    const QStringList latins = QString::fromStdU16String(joined).split(QLatin1Char('\n'));
    QString lines;
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
        lines += shown + QLatin1Char('\t') + QLatin1String(kTagColumns[column - 1].frameId) +
                 QLatin1Char('\t') + QLatin1String(text.encoding) + QLatin1Char('\t') + text.text +
                 QLatin1Char('\t') + latin + QLatin1Char('\n');
    }
    result.out += lines.toUtf8().toStdString();
    if (!options.apply)
        return;
    if (TransliterateRow(file.folder, file.name, grid, row, spelling) == ERowResult::kFailed) {
        ++stats.notWritten;
        result.err += "lettrino-cli: " + shown.toUtf8().toStdString() + ": the tag could not be written\n";
        return;
    }
    for (int column = 1; column <= kTagColumnCount; ++column) {
        if (grid.CellText(row, column) != texts[std::size_t(column - 1)].text)
            ++stats.frames;
    }
}

} // namespace

int RunTags(const ILatinSpelling& spelling, const std::vector<std::string>& folders,
            const STagsOptions& options) {
    std::vector<SFile> files;
    long unreadable = 0;
    for (const std::string& folder : folders)
        Collect(QByteArray(folder.data(), qsizetype(folder.size())), options.recursive, files, unreadable);

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
            for (std::size_t i = batch * kBatch; i < end; ++i)
                DoFile(spelling, options, files[i], results[i], stats[worker]);
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

    SStats total;
    for (const SStats& s : stats) {
        total.files += s.files;
        total.frames += s.frames;
        total.notWritten += s.notWritten;
        total.noTag += s.noTag;
    }
    if (options.apply)
        std::fprintf(stderr,
                     "lettrino-cli: %ld files, %ld frames transliterated, %ld files not writable, "
                     "%ld files without tag\n",
                     total.files, total.frames, total.notWritten, total.noTag);
    else
        std::fprintf(stderr,
                     "lettrino-cli: %ld files, %ld frames to transliterate (nothing written without "
                     "--apply), %ld files without tag\n",
                     total.files, total.frames, total.noTag);
    return total.notWritten || unreadable || writeFailed ? kExitFailure : kExitOk;
}
