// Undo on any journal: the input is the records of a run, one a line, fields separated by tabs and
// escaped as names are ("@T" stands for the tree's path, "@D" and "@S" for the device:inode of the
// tree and of its sub-folder, so that records can reach them). They are journalled as a run would
// (with "done N device inode" lines marking changes made) and undone. Whatever they say, nothing
// outside the tree changes, no name appears beside it, and undo returns (a FIFO in the tree must
// not block it; libFuzzer's -timeout catches a hang).
#include "FuzzCheck.h"
#include "FuzzFiles.h"
#include "Journal.h"
#include "Mp3Batch.h"
#include "RawNames.h"

#include <QByteArray>
#include <QDir>

#include <cstdint>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray g_sandbox;

QByteArray Id(const QByteArray& path) {
    struct stat info {};
    if (lstat(path.constData(), &info) != 0)
        return "0:0";
    return QByteArray::number(qulonglong(info.st_dev)) + ':' + QByteArray::number(qulonglong(info.st_ino));
}

// Every entry below `folder` (links not followed) and what it holds.
std::map<std::string, std::string> Snapshot(const QByteArray& folder) {
    std::map<std::string, std::string> entries;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(folder.constData(), error);
         it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        const std::string path = it->path().string();
        entries[path] = it->is_regular_file() && !it->is_symlink()
                            ? ReadWhole(QByteArray(path.c_str())).toStdString()
                            : std::string("(other)");
    }
    return entries;
}

void MakeTree() {
    std::filesystem::remove_all((g_sandbox + "tree").constData());
    QDir().mkpath(QString::fromUtf8(g_sandbox + "tree/sub"));
    // A tag with a Russian title in CP1251, no padding, and a little audio.
    const QByteArray title = QByteArray("\0\xCF\xF0\xE8\xE2\xE5\xF2", 7);
    const QByteArray frame = "TIT2" + QByteArray("\0\0\0\x07\0\0", 6) + title;
    const QByteArray tag = "ID3" + QByteArray("\x03\0\0\0\0\0\x11", 7) + frame;
    WriteWhole(g_sandbox + "tree/a.mp3", tag + QByteArray(2000, '\x55'));
    WriteWhole(g_sandbox + "tree/sub/b.mp3", tag + QByteArray(900, '\x33'));
    mkfifo((g_sandbox + "tree/fifo.mp3").constData(), 0600);
    symlink((g_sandbox + "outside").constData(), (g_sandbox + "tree/out").constData());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_sandbox = MakeFuzzFolder();
    qputenv("XDG_STATE_HOME", g_sandbox + "state");
    LT_FUZZ_CHECK(PrepareJournalFolder());
    QDir().mkpath(QString::fromUtf8(g_sandbox + "outside"));
    WriteWhole(g_sandbox + "outside/x.mp3", QByteArray(300, 'o'));
    WriteWhole(g_sandbox + "outside/y", "outside");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MakeTree();
    const QByteArray tree = g_sandbox + "tree";
    const auto outside = Snapshot(g_sandbox + "outside");
    const auto top =
        QDir(QString::fromUtf8(g_sandbox)).entryList(QDir::AllEntries | QDir::Hidden | QDir::System);

    QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    input.replace("@T", tree).replace("@D", Id(tree)).replace("@S", Id(tree + "/sub"));
    {
        CJournal journal("tags", tree, "");
        for (const QByteArray& line : input.split('\n')) {
            QList<QByteArray> parts = line.split('\t');
            SJournalRecord record;
            record.kind = parts.takeFirst();
            bool ok = !record.kind.isEmpty();
            for (const QByteArray& part : parts) {
                QByteArray raw;
                ok = ok && EscapedToRaw(part, raw);
                record.fields.push_back(raw);
            }
            if (!ok)
                continue;
            if (record.kind == "done" && record.fields.size() == 3)
                journal.Done(record.fields[0].toLong(), dev_t(record.fields[1].toULongLong()),
                             ino_t(record.fields[2].toULongLong()));
            else if (record.kind != "done")
                journal.Append(record);
        }
    }
    for (const QString& path : ListJournals()) {
        SJournalRun run;
        if (ReadJournal(path, run)) {
            UndoRun(run, false, UndoTagRecord);
            UndoRun(run, true, UndoTagRecord);
        }
    }
    for (const QString& path : ListJournals())
        QFile::remove(path); // the undo's own journals too
    LT_FUZZ_CHECK(Snapshot(g_sandbox + "outside") == outside);
    LT_FUZZ_CHECK(
        QDir(QString::fromUtf8(g_sandbox)).entryList(QDir::AllEntries | QDir::Hidden | QDir::System) == top);
    return 0;
}
