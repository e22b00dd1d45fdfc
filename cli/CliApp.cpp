#include "CliApp.h"

#include "CCharTable.h"
#include "CliConvert.h"
#include "CliIo.h"
#include "CliRename.h"
#include "CliTags.h"
#include "CodePage.h"
#include "StoredKeys.h"
#include "TextFile.h"
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
    "  to-latin [--keys TEXT] [--scheme NAME] [FILE]\n"
    "                                    Cyrillic letters written with their first Latin key,\n"
    "                                    or in a standard spelling\n"
    "  convert [--keys TEXT] [--scheme NAME] [FILE]\n"
    "                                    to Cyrillic when the text starts with a Latin\n"
    "                                    character, to Latin when it starts with a Cyrillic one\n"
    "  detect FILE...                    the recognised encoding of each file:\n"
    "                                    0 plain/system, 866 DOS, 1251 Windows, 20866 KOI8-R,\n"
    "                                    65001 UTF-16, 65002 UTF-16 with Cyrillic\n"
    "  decode [FILE]                     the file's text as the editor opens it, as UTF-8\n"
    "  rename [--apply] [--recursive] [--keys TEXT] [--scheme NAME] DIR...\n"
    "                                    Latin names for files and folders with Russian\n"
    "                                    names (also names in old 8-bit code pages); shows\n"
    "                                    \"old → new\", renames only with --apply, never\n"
    "                                    replacing anything; --recursive: every folder below\n"
    "  tags [--apply] [--recursive] [--keys TEXT] [--scheme NAME] DIR...\n"
    "                                    the seven text frames of each MP3 file's tag: frame,\n"
    "                                    encoding, text, Latin form; with --apply, Russian\n"
    "                                    texts are written back in Latin letters\n"
    "\n"
    "Options:\n"
    "  --apply       rename, or write the tags (rename and tags only)\n"
    "  --recursive   also every folder below, children before their folders (rename and tags)\n"
    "  --keys TEXT   the key table in its stored form (01a|02b|...); without it the keys\n"
    "                stored by the editor are used, or the default keys\n"
    "  --scheme NAME how Russian is written in Latin letters: keys (the first key of each\n"
    "                letter, the default), icao (passports), gost (GOST 7.79-2000 B),\n"
    "                bgn (BGN/PCGN 1947), iso9 (ISO 9:1995)\n"
    "  -h, --help    show this help\n"
    "  --version     show the version\n"
    "\n"
    "Exit status: 0 success, 1 failure, 2 usage error.\n";

struct SArgs {
    std::string command;
    SRenameOptions rename;
    bool renameOptions = false;
    bool haveKeys = false;
    std::string keys;
    bool haveScheme = false;
    ELatinScheme scheme = ELatinScheme::kKeys;
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

int WritePieces(const std::vector<std::string>& pieces) {
    std::string error;
    for (const std::string& piece : pieces) {
        if (!WriteOut(piece, error))
            return Failure(error);
    }
    return kExitOk;
}

int RunConversion(const SArgs& args) {
    if (args.files.size() > 1)
        return UsageError(args.command + " takes at most one FILE");
    CCharTable table;
    std::string error;
    if (!LoadTable(args, table, error))
        return UsageError(error);
    if (args.haveScheme && args.command == "to-cyrillic")
        return UsageError("--scheme applies to to-latin, convert, rename and tags only");
    const std::string path = args.files.empty() ? std::string() : args.files.front();
    CInputBytes input;
    if (!input.Open(path, error))
        return Failure(error);

    const EDirection direction = args.command == "to-cyrillic" ? EDirection::kToCyrillic
                                 : args.command == "to-latin"  ? EDirection::kToLatin
                                                               : ChooseDirection(table, input.Bytes());
    std::size_t offset = 0;
    const EConvertResult result = ConvertUtf8(
        table, direction, input.Bytes(), [&error](std::string_view piece) { return WriteOut(piece, error); },
        offset, &LatinSpelling(table, args.scheme));
    if (result == EConvertResult::kBadInput)
        return Failure(InputName(path) + ": invalid UTF-8 at byte offset " + std::to_string(offset));
    if (result == EConvertResult::kWriteFailed)
        return Failure(error);
    return kExitOk;
}

int RunDetect(const SArgs& args) {
    if (args.files.empty())
        return UsageError("detect needs at least one FILE");
    int status = kExitOk;
    std::string error;
    CInputBytes input;
    for (const std::string& path : args.files) {
        if (path == "-") {
            status = Failure("detect reads files, not standard input");
            continue;
        }
        if (!input.Open(path, error)) {
            status = Failure(error);
            continue;
        }
        const std::string_view bytes = input.Bytes();
        const std::string line =
            std::to_string(DetectCyrillicCodePage(Bytes(bytes), bytes.size())) + "\t" + path + "\n";
        if (!WriteOut(line, error))
            return Failure(error);
    }
    return status;
}

int RunDecode(const SArgs& args) {
    if (args.files.size() > 1)
        return UsageError("decode takes at most one FILE");
    std::string error;
    CInputBytes input;
    if (!input.Open(args.files.empty() ? std::string() : args.files.front(), error))
        return Failure(error);
    SDecodedText decoded = DecodeTextFile(Bytes(input.Bytes()), input.Bytes().size());
    input.Close();
    std::vector<std::string> pieces;
    EncodeUtf8(decoded.text, pieces);
    decoded.text.clear();
    decoded.text.shrink_to_fit();
    return WritePieces(pieces);
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
        } else if (options && (arg == "--scheme" || arg.starts_with("--scheme="))) {
            if (arg == "--scheme" && i + 1 >= argc)
                return UsageError("--scheme needs a value");
            const std::string name = arg == "--scheme" ? std::string(argv[++i]) : arg.substr(9);
            if (!LatinSchemeFromName(name, args.scheme))
                return UsageError("unknown scheme '" + name + "' (keys, icao, gost, bgn or iso9)");
            args.haveScheme = true;
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
        return RunRename(LatinSpelling(table, args.scheme), args.files, args.rename);
    }
    if (args.command == "tags") {
        if (args.files.empty())
            return UsageError("tags needs at least one DIR");
        CCharTable table;
        std::string error;
        if (!LoadTable(args, table, error))
            return UsageError(error);
        return RunTags(LatinSpelling(table, args.scheme), args.files,
                       {args.rename.apply, args.rename.recursive});
    }
    if (args.haveKeys)
        return UsageError("--keys applies to to-cyrillic, to-latin, convert, rename and tags only");
    if (args.haveScheme)
        return UsageError("--scheme applies to to-latin, convert, rename and tags only");
    if (args.command == "detect")
        return RunDetect(args);
    if (args.command == "decode")
        return RunDecode(args);
    return UsageError("unknown command '" + args.command + "'");
}
