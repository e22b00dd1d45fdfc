#include "CliApp.h"

#include "CCharTable.h"
#include "CliConvert.h"
#include "CliIo.h"
#include "CliRename.h"
#include "CliTags.h"
#include "CliUndo.h"
#include "CodePage.h"
#include "LatinSpelling.h"
#include "LtVersion.h"
#include "RawNames.h"
#include "StoredKeys.h"
#include "TextEncoding.h"
#include "Utf8.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// The help; the lists of spellings and encodings are filled in from their tables.
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
    "@DETECT@"
    "  decode [FILE]                     the file's text as the editor opens it, as UTF-8\n"
    "  repair [FILE...]                  the text (read as decode reads it) with double-encoded\n"
    "                                    lines (\"Ð¿Ñ€Ð¸Ð²ÐµÑ‚\", \"РџСЂРёРІРµС‚\") repaired, as UTF-8\n"
    "  rename [--apply] [--recursive] [--json] [--keys TEXT] [--scheme NAME]\n"
    "         [--encoding ENC] [--only GLOB] [--to TARGET] [--nfc] PATH...\n"
    "                                    Latin names for files and folders with Russian\n"
    "                                    names (also names in old 8-bit code pages), or\n"
    "                                    with --to cyrillic their UTF-8 Russian; shows\n"
    "                                    \"old → new\" and what a run would refuse; renames\n"
    "                                    only with --apply, never replacing anything, and\n"
    "                                    journals every rename first (see undo); PATH is a\n"
    "                                    folder or one file\n"
    "  tags [--apply] [--recursive] [--json] [--keys TEXT] [--scheme NAME]\n"
    "       [--encoding ENC] [--only GLOB] [--to TARGET] [--bom] PATH...\n"
    "                                    the seven text frames of each MP3 file's tag (the\n"
    "                                    Vorbis comments of .flac, .ogg, .oga, .opus, the\n"
    "                                    items of .m4a, .m4b, the TITLE, PERFORMER,\n"
    "                                    SONGWRITER and REM lines of .cue sheets): frame,\n"
    "                                    encoding, text, new form; with --apply, Russian\n"
    "                                    texts are written back in Latin letters, or with\n"
    "                                    --to cyrillic as Unicode Russian (journalled)\n"
    "  undo [--list] [--apply] [--json] [RUN]\n"
    "                                    what undoing the latest batch run (or the journal\n"
    "                                    RUN) would do; with --apply, does it: names go back\n"
    "                                    unless taken meanwhile, tags get their old bytes;\n"
    "                                    --list: the recent runs. Journals are kept in\n"
    "                                    $XDG_STATE_HOME/lettrino/journal/\n"
    "\n"
    "Options:\n"
    "  --apply       rename, write the tags, or undo (rename, tags, undo)\n"
    "  --recursive   also every folder below, children before their folders (rename, tags)\n"
    "  --json        one JSON object per entry, for scripts (rename, tags, undo)\n"
    "  --keys TEXT   the key table in its stored form: fields NNkey joined by |, NN a row\n"
    "                01 to 35 (01a|02b|...); without it the keys stored by the editor are\n"
    "                used, or the default keys\n"
    "@SCHEME@"
    "@ENCODING@"
    "  --only GLOB   take only the names matching the shell pattern GLOB (rename, tags)\n"
    "  --to TARGET   what Russian becomes (rename, tags): latin (the default: the spelling\n"
    "                of --scheme), or cyrillic: 8-bit and double-encoded Russian mended into\n"
    "                Unicode Russian (names UTF-8 NFC; tags UTF-16 in ID3v2.3, UTF-8 in\n"
    "                ID3v2.4, ID3v1 left as it is); text already right in Unicode is left\n"
    "  --nfc         also rewrite names stored decomposed (NFD) as NFC, nothing else\n"
    "                changed (rename)\n"
    "  --bom         8-bit CUE sheets, which a rewrite turns into UTF-8, start with a\n"
    "                byte order mark (tags)\n"
    "  -h, --help    show this help\n"
    "  --version     show the version\n"
    "\n"
    "Names are shown with every byte visible: control characters and bytes that are not\n"
    "UTF-8 as \\n, \\t, \\xHH, a backslash as \\\\, with the decoded name beside in ( ).\n"
    "\n"
    "Exit status:\n"
    "  0  success; a dry run also when it predicts refusals\n"
    "  1  failure: a file or folder could not be read or written, a rename or tag write\n"
    "     was refused, an undo left something, output could not be written\n"
    "  2  usage error: unknown command or option, a bad --keys table, missing PATH\n";

// The --encoding values besides auto: UTF-8 and the 8-bit encodings.
bool IsNameEncoding(ETextEncoding encoding) {
    return encoding == ETextEncoding::kUtf8 || !IsUnicodeEncoding(encoding);
}

std::vector<std::string> NameEncodings() {
    std::vector<std::string> names;
    for (int i = 0; i < kTextEncodingCount; ++i) {
        if (IsNameEncoding(ETextEncoding(i)))
            names.emplace_back(EncodingCliName(ETextEncoding(i)));
    }
    return names;
}

std::vector<std::string> SchemeNames() {
    std::vector<std::string> names;
    for (const SLatinSchemeInfo& info : kLatinSchemes)
        names.emplace_back(info.cliName);
    return names;
}

// "a, b or c", for the usage errors.
std::string Choices(const std::vector<std::string>& names, const std::string& last = {}) {
    std::vector<std::string> all = names;
    if (!last.empty())
        all.push_back(last);
    std::string out;
    for (std::size_t i = 0; i < all.size(); ++i)
        out += (i == 0 ? "" : i + 1 == all.size() ? " or " : ", ") + all[i];
    return out;
}

// The words of `text` in lines of at most 86 columns: the first after `lead`, the others after
// `indent` blanks.
std::string Filled(const std::string& lead, std::size_t indent, const std::string& text) {
    constexpr std::size_t kWidth = 86;
    std::string out = lead;
    std::size_t column = lead.size();
    bool lineStart = true;
    std::size_t start = 0;
    while ((start = text.find_first_not_of(' ', start)) != std::string::npos) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        const std::size_t length = end - start;
        if (!lineStart && column + 1 + length > kWidth) {
            out += "\n" + std::string(indent, ' ');
            column = indent;
            lineStart = true;
        }
        if (!lineStart) {
            out += ' ';
            ++column;
        }
        out.append(text, start, length);
        column += length;
        lineStart = false;
        start = end;
    }
    return out + "\n";
}

std::string Usage() {
    std::string detect = "the encoding each file opens as:";
    for (int i = 0; i < kTextEncodingCount; ++i)
        detect += std::string(i == 0 ? " " : ", ") + EncodingName(ETextEncoding(i));
    detect += "; --verbose adds the 8-bit detector's own answer (0 plain, 866, 1251, 20866 KOI8-R, "
              "65001/65002 UTF-16)";
    std::string scheme = "the Latin spelling (to-latin, convert, rename, tags):";
    for (const SLatinSchemeInfo& info : kLatinSchemes)
        scheme += std::string(info.scheme == kLatinSchemes.front().scheme ? " " : ", ") +
                  std::string(info.cliName) + " (" + std::string(info.description) + ")";
    std::string encoding =
        "read every name (rename) or 8-bit tag text (tags) that is not valid UTF-8 in ENC:";
    for (const std::string& name : NameEncodings())
        encoding += " " + name + ",";
    encoding += " or auto (the default: as the program reads text)";

    std::string usage = kUsage;
    const std::pair<const char*, std::string> filled[] = {
        {"@DETECT@", Filled("  detect [--verbose] FILE...        ", 36, detect)},
        {"@SCHEME@", Filled("  --scheme NAME ", 16, scheme)},
        {"@ENCODING@", Filled("  --encoding ENC ", 16, encoding)}};
    for (const auto& [mark, text] : filled)
        usage.replace(usage.find(mark), std::string_view(mark).size(), text);
    return usage;
}

struct SArgs {
    std::string command;
    SRenameOptions rename;
    bool list = false;
    bool haveKeys = false;
    bool verbose = false;
    bool bom = false; // 8-bit CUE sheets written as UTF-8 with a byte-order mark (tags)
    std::string keys;
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
        std::u16string field;
        std::string why;
        if (!stored.empty() && !CCharTable::CheckKeysText(stored, field, why)) {
            // The field as escaped bytes: it may hold the very characters refused.
            const std::string bytes = Utf16ToUtf8(field);
            error = "--keys: bad field '" +
                    RawToEscaped(QByteArray(bytes.data(), qsizetype(bytes.size()))).toStdString() +
                    "': " + why;
            return false;
        }
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
    return StreamConversion(table, args.command, path, error, &LatinSpelling(table, args.scheme))
               ? kExitOk
               : Failure(error);
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

// The commands, the options each takes and what runs them.
// One bit per option, by its place in the list.
enum EOption : unsigned {
    kOptKeys = 1u << 0,
    kOptApply = 1u << 1,
    kOptRecursive = 1u << 2,
    kOptJson = 1u << 3,
    kOptList = 1u << 4,
    kOptVerbose = 1u << 5,
    kOptScheme = 1u << 6,
    kOptEncoding = 1u << 7,
    kOptOnly = 1u << 8,
    kOptTo = 1u << 9,
    kOptNfc = 1u << 10,
    kOptBom = 1u << 11
};

// The batch tools: at least one PATH, and the spelling: the key table or a scheme.
template <typename Run> int RunBatchCommand(const SArgs& args, Run run) {
    if (args.files.empty())
        return UsageError(args.command + " needs at least one PATH");
    CCharTable table;
    std::string error;
    if (!LoadTable(args, table, error))
        return UsageError(error);
    return run(LatinSpelling(table, args.scheme));
}

int RunRenameCommand(const SArgs& args) {
    return RunBatchCommand(
        args, [&](const ILatinSpelling& spelling) { return RunRename(spelling, args.files, args.rename); });
}

int RunTagsCommand(const SArgs& args) {
    return RunBatchCommand(args, [&](const ILatinSpelling& spelling) {
        return RunTags(spelling, args.files,
                       {args.rename.apply, args.rename.recursive, args.rename.json, args.rename.encoding,
                        args.rename.only, args.rename.cyrillic, args.bom});
    });
}

int RunUndoCommand(const SArgs& args) {
    if (args.files.size() > 1)
        return UsageError("undo takes at most one RUN");
    if (args.list && args.rename.apply)
        return UsageError("undo takes --list or --apply, not both");
    return RunUndo(
        {args.list, args.rename.apply, args.rename.json, args.files.empty() ? std::string() : args.files[0]});
}

struct SCommand {
    const char* name;
    unsigned options;
    int (*run)(const SArgs&);
};

const SCommand kCommands[] = {
    {"to-cyrillic", kOptKeys, RunConversion},
    {"to-latin", kOptKeys | kOptScheme, RunConversion},
    {"convert", kOptKeys | kOptScheme, RunConversion},
    {"detect", kOptVerbose, RunDetect},
    {"decode", 0, RunDecode},
    {"repair", 0, RunDecode},
    {"rename",
     kOptKeys | kOptScheme | kOptApply | kOptRecursive | kOptJson | kOptEncoding | kOptOnly | kOptTo |
         kOptNfc,
     RunRenameCommand},
    {"tags",
     kOptKeys | kOptScheme | kOptApply | kOptRecursive | kOptJson | kOptEncoding | kOptOnly | kOptTo |
         kOptBom,
     RunTagsCommand},
    {"undo", kOptApply | kOptJson | kOptList, RunUndoCommand},
};

} // namespace

int RunCli(int argc, char** argv) {
    SArgs args;
    unsigned given = 0;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (options && (arg == "-h" || arg == "--help")) {
            std::string error;
            return WriteOut(Usage(), error) ? kExitOk : Failure(error);
        }
        if (options && arg == "--version") {
            std::string error;
            return WriteOut("lettrino-cli " LT_VERSION "\n", error) ? kExitOk : Failure(error);
        }
        unsigned option = 0;
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
            option = kOptKeys;
        } else if (options && arg == "--apply") {
            args.rename.apply = true;
            option = kOptApply;
        } else if (options && arg == "--recursive") {
            args.rename.recursive = true;
            option = kOptRecursive;
        } else if (options && arg == "--json") {
            args.rename.json = true;
            option = kOptJson;
        } else if (options && arg == "--list") {
            args.list = true;
            option = kOptList;
        } else if (options && arg == "--verbose") {
            args.verbose = true;
            option = kOptVerbose;
        } else if (options && (arg == "--scheme" || arg.starts_with("--scheme="))) {
            if (arg == "--scheme" && i + 1 >= argc)
                return UsageError("--scheme needs a value");
            const std::string name = arg == "--scheme" ? std::string(argv[++i]) : arg.substr(9);
            if (!LatinSchemeFromName(name, args.scheme))
                return UsageError("unknown scheme '" + name + "' (" + Choices(SchemeNames()) + ")");
            option = kOptScheme;
        } else if (options && (arg == "--encoding" || arg.starts_with("--encoding="))) {
            if (arg == "--encoding" && i + 1 >= argc)
                return UsageError("--encoding needs a value");
            const std::string name = arg == "--encoding" ? std::string(argv[++i]) : arg.substr(11);
            ETextEncoding encoding{};
            if (name == "auto")
                args.rename.encoding.reset();
            else if (ParseEncodingName(name, encoding) && IsNameEncoding(encoding))
                args.rename.encoding = encoding;
            else
                return UsageError("unknown encoding '" + name + "' (" + Choices(NameEncodings(), "auto") +
                                  ")");
            option = kOptEncoding;
        } else if (options && (arg == "--only" || arg.starts_with("--only="))) {
            if (arg == "--only" && i + 1 >= argc)
                return UsageError("--only needs a value");
            args.rename.only = arg == "--only" ? std::string(argv[++i]) : arg.substr(7);
            option = kOptOnly;
        } else if (options && (arg == "--to" || arg.starts_with("--to="))) {
            if (arg == "--to" && i + 1 >= argc)
                return UsageError("--to needs a value");
            const std::string name = arg == "--to" ? std::string(argv[++i]) : arg.substr(5);
            if (name != "latin" && name != "cyrillic")
                return UsageError("unknown target '" + name + "' (latin or cyrillic)");
            args.rename.cyrillic = name == "cyrillic";
            option = kOptTo;
        } else if (options && arg == "--nfc") {
            args.rename.nfc = true;
            option = kOptNfc;
        } else if (options && arg == "--bom") {
            args.bom = true;
            option = kOptBom;
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
        given |= option;
    }
    if (args.command.empty())
        return UsageError("missing COMMAND");
    for (const SCommand& command : kCommands) {
        if (args.command != command.name)
            continue;
        if ((given & ~command.options) != 0) {
            std::string names;
            for (const SCommand& other : kCommands) {
                if ((given & ~other.options) == 0)
                    names += std::string(names.empty() ? "" : ", ") + other.name;
            }
            return UsageError("an option given does not apply to " + args.command +
                              (names.empty() ? std::string() : " (only to " + names + ")"));
        }
        return command.run(args);
    }
    return UsageError("unknown command '" + args.command + "'");
}
