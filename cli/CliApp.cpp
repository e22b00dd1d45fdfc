#include "CliApp.h"

#include "CCharTable.h"
#include "CliConvert.h"
#include "CliIo.h"
#include "CliRename.h"
#include "CliTags.h"
#include "CodePage.h"
#include "StoredKeys.h"
#include "Utf8.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "Usage: lettrino-cli COMMAND [OPTIONS] [FILE...]\n"
    "\n"
    "Russian text from a Latin keyboard, and back. Text is UTF-8 in and out; without FILE the\n"
    "text comes from standard input.\n"
    "\n"
    "Commands:\n"
    "  to-cyrillic [--keys TEXT] [FILE]  the text as typing it in Russian mode would give\n"
    "  to-latin [--keys TEXT] [FILE]     Cyrillic letters written with their first Latin key\n"
    "  convert [--keys TEXT] [FILE]      to Cyrillic when the text starts with a Latin\n"
    "                                    character, to Latin when it starts with a Cyrillic one\n"
    "  detect [--verbose] FILE...        the encoding each file opens as: UTF-8, UTF-16LE,\n"
    "                                    UTF-16BE, CP866, Windows-1251, KOI8-R, Windows-1252;\n"
    "                                    --verbose adds the 8-bit detector's own answer (0 plain,\n"
    "                                    866, 1251, 20866 KOI8-R, 65001/65002 UTF-16)\n"
    "  decode [FILE]                     the file's text as the editor opens it, as UTF-8\n"
    "  repair [FILE...]                  the text (read as decode reads it) with double-encoded\n"
    "                                    lines (\"Ð¿Ñ€Ð¸Ð²ÐµÑ‚\", \"РџСЂРёРІРµС‚\") repaired, as UTF-8\n"
    "  rename [--apply] [--recursive] [--keys TEXT] DIR...\n"
    "                                    Latin names for files and folders with Russian\n"
    "                                    names (also names in old 8-bit code pages); shows\n"
    "                                    \"old → new\", renames only with --apply, never\n"
    "                                    replacing anything; --recursive: every folder below\n"
    "  tags [--apply] [--recursive] [--keys TEXT] DIR...\n"
    "                                    the seven text frames of each MP3 file's tag: frame,\n"
    "                                    encoding, text, Latin form; with --apply, Russian\n"
    "                                    texts are written back in Latin letters\n"
    "\n"
    "Options:\n"
    "  --apply       rename, or write the tags (rename and tags only)\n"
    "  --recursive   also every folder below, children before their folders (rename and tags)\n"
    "  --keys TEXT   the key table in its stored form (01a|02b|...); without it the keys\n"
    "                stored by the editor are used, or the default keys\n"
    "  -h, --help    show this help\n"
    "  --version     show the version\n"
    "\n"
    "Exit status: 0 success, 1 failure, 2 usage error.\n";

struct SArgs {
    std::string command;
    SRenameOptions rename;
    bool renameOptions = false;
    bool haveKeys = false;
    bool verbose = false;
    std::string keys;
    std::vector<std::string> files;
};

int UsageError(const std::string& message) {
    std::fprintf(stderr, "lettrino-cli: %s\nTry 'lettrino-cli --help'.\n", message.c_str());
    return kExitUsage;
}

int Failure(const std::string& message) {
    std::fprintf(stderr, "lettrino-cli: %s\n", message.c_str());
    return kExitFailure;
}

const unsigned char* Bytes(std::string_view s) {
    return reinterpret_cast<const unsigned char*>(s.data());
}

bool LoadTable(const SArgs& args, CCharTable& table, std::string& error) {
    std::u16string stored;
    if (args.haveKeys) {
        std::size_t offset = 0;
        if (!IsValidUtf8(Bytes(args.keys), args.keys.size(), &offset)) {
            error = "--keys: invalid UTF-8 at byte offset " + std::to_string(offset);
            return false;
        }
        stored = Utf8ToUtf16(Bytes(args.keys), args.keys.size());
    } else {
        stored = StoredKeysText();
    }
    table.KeysFromStored(stored);
    return true;
}

int RunConversion(const SArgs& args) {
    if (args.files.size() > 1)
        return UsageError(args.command + " takes at most one FILE");
    CCharTable table;
    std::string error;
    if (!LoadTable(args, table, error))
        return UsageError(error);
    const std::string path = args.files.empty() ? std::string() : args.files.front();
    return StreamConversion(table, args.command, path, error) ? kExitOk : Failure(error);
}

int RunDetect(const SArgs& args) {
    if (args.files.empty())
        return UsageError("detect needs at least one FILE");
    int status = kExitOk;
    std::string error, answer;
    for (const std::string& path : args.files) {
        if (path == "-") {
            status = Failure("detect reads files, not standard input");
            continue;
        }
        if (!DetectEncoding(path, args.verbose, answer, error)) {
            status = Failure(error);
            continue;
        }
        if (!WriteOut(answer + "\t" + path + "\n", error))
            return Failure(error);
    }
    return status;
}

// decode takes at most one FILE; repair any number, one after the other.
int RunDecode(const SArgs& args) {
    const bool repair = args.command == "repair";
    if (!repair && args.files.size() > 1)
        return UsageError("decode takes at most one FILE");
    std::vector<std::string> paths = args.files;
    if (paths.empty())
        paths.emplace_back();
    std::string error;
    for (const std::string& path : paths) {
        if (!StreamDecode(path, repair, error))
            return Failure(error);
    }
    return kExitOk;
}

} // namespace

int RunCli(int argc, char** argv) {
    SArgs args;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (options && (arg == "-h" || arg == "--help")) {
            std::string error;
            return WriteOut(kUsage, error) ? kExitOk : Failure(error);
        }
        if (options && arg == "--version") {
            std::string error;
            return WriteOut("lettrino-cli " LT_VERSION "\n", error) ? kExitOk : Failure(error);
        }
        if (options && arg == "--") {
            options = false;
        } else if (options && (arg == "--keys" || arg.starts_with("--keys="))) {
            if (arg == "--keys") {
                if (i + 1 >= argc)
                    return UsageError("--keys needs a value");
                args.keys = argv[++i];
            } else {
                args.keys = arg.substr(7);
            }
            args.haveKeys = true;
        } else if (options && arg == "--verbose") {
            args.verbose = true;
        } else if (options && (arg == "--apply" || arg == "--recursive")) {
            (arg == "--apply" ? args.rename.apply : args.rename.recursive) = true;
            args.renameOptions = true;
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            return UsageError("unknown option '" + arg + "'");
        } else if (arg.empty()) {
            return UsageError("an empty FILE name");
        } else if (args.command.empty()) {
            args.command = arg;
        } else {
            // "-" names standard input, as usual.
            args.files.push_back(arg == "-" && args.command != "detect" ? std::string() : arg);
        }
    }
    if (args.command.empty())
        return UsageError("missing COMMAND");
    if (args.renameOptions && args.command != "rename" && args.command != "tags")
        return UsageError("--apply and --recursive apply to rename and tags only");
    if (args.command == "to-cyrillic" || args.command == "to-latin" || args.command == "convert")
        return RunConversion(args);
    if (args.command == "rename") {
        if (args.files.empty())
            return UsageError("rename needs at least one DIR");
        CCharTable table;
        std::string error;
        if (!LoadTable(args, table, error))
            return UsageError(error);
        return RunRename(table, args.files, args.rename);
    }
    if (args.command == "tags") {
        if (args.files.empty())
            return UsageError("tags needs at least one DIR");
        CCharTable table;
        std::string error;
        if (!LoadTable(args, table, error))
            return UsageError(error);
        return RunTags(table, args.files, {args.rename.apply, args.rename.recursive});
    }
    if (args.verbose && args.command != "detect")
        return UsageError("--verbose applies to detect only");
    if (args.haveKeys)
        return UsageError("--keys applies to to-cyrillic, to-latin, convert, rename and tags only");
    if (args.command == "detect")
        return RunDetect(args);
    if (args.command == "decode" || args.command == "repair")
        return RunDecode(args);
    return UsageError("unknown command '" + args.command + "'");
}
