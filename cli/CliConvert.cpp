#include "CliConvert.h"

#include "CTypingConverter.h"
#include "CliIo.h"
#include "Mojibake.h"
#include "TextEncoding.h"
#include "UnicodeText.h"
#include "Utf8.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <thread>

namespace {

constexpr std::size_t kBlockBytes = 1 << 16;
constexpr std::size_t kMinPieceBytes = 1 << 20; // below this a thread costs more than it saves
constexpr std::size_t kFlushBytes = 1 << 20;    // the first piece is written out as it goes

const unsigned char* Bytes(std::string_view s) {
    return reinterpret_cast<const unsigned char*>(s.data());
}
bool IsContinuation(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}
bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit < 0xDC00;
}

std::size_t PieceCount(std::size_t size) {
    const std::size_t threads = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 8);
    return std::clamp<std::size_t>(size / kMinPieceBytes, 1, threads);
}

// Runs work(i) for i = 0 .. count - 1, each on a thread of its own (the first on this one).
void RunPieces(std::size_t count, const std::function<void(std::size_t)>& work) {
    std::vector<std::thread> threads;
    for (std::size_t i = 1; i < count; ++i)
        threads.emplace_back(work, i);
    work(0);
    for (std::thread& thread : threads)
        thread.join();
}

// Cut points near count equal shares, each where cut(position) accepts it (moving forwards);
// always starts with 0 and ends with the size.
std::vector<std::size_t> CutPoints(std::size_t size, std::size_t count,
                                   const std::function<std::size_t(std::size_t)>& cutAtOrAfter) {
    std::vector<std::size_t> cuts = {0};
    for (std::size_t k = 1; k < count; ++k) {
        const std::size_t cut = cutAtOrAfter(std::max(cuts.back(), size / count * k));
        if (cut > cuts.back() && cut < size)
            cuts.push_back(cut);
    }
    cuts.push_back(size);
    return cuts;
}

// The end of the next block: a cache-sized stretch ending before a character.
std::size_t BlockEnd(std::string_view input) {
    std::size_t end = std::min(input.size(), kBlockBytes);
    while (end < input.size() && end > 0 && IsContinuation(input[end]))
        --end;
    return end > 0 ? end : std::min(input.size(), kBlockBytes);
}

// Calls each(block) for the input cut into decoded blocks at character boundaries; false, with
// the offset of the first bad byte, when the input is not well-formed UTF-8.
bool ForEachBlock(std::string_view input, std::size_t& errorOffset,
                  const std::function<void(std::u16string&)>& each) {
    std::u16string block;
    const std::size_t size = input.size();
    while (!input.empty()) {
        const std::size_t end = BlockEnd(input);
        std::size_t offset = 0;
        if (!Utf8ToUtf16Checked(Bytes(input), end, block, &offset)) {
            errorOffset = size - input.size() + offset;
            return false;
        }
        each(block);
        input.remove_prefix(end);
    }
    return true;
}

// The Russian letter (two bytes in UTF-8) starting at `at`, else 0: all the standard spellings
// need to know of the characters around a piece.
char16_t RussianLetterAt(std::string_view input, std::size_t at) {
    if (at + 1 >= input.size() || (input[at] != '\xD0' && input[at] != '\xD1') ||
        !IsContinuation(input[at + 1]))
        return 0;
    return char16_t(((static_cast<unsigned char>(input[at]) & 0x1F) << 6) |
                    (static_cast<unsigned char>(input[at + 1]) & 0x3F));
}

// Spells one piece with a scheme, block by block. Each block's last character waits for the next
// block, so the letter after it is known when it is spelled.
bool SpellPiece(const ILatinSpelling& latin, std::string_view input, char16_t before, char16_t after,
                std::size_t& errorOffset, const std::function<void(std::u16string_view)>& converted) {
    std::u16string held;
    std::u16string out;
    const bool ok = ForEachBlock(input, errorOffset, [&](std::u16string& block) {
        block.insert(0, held);
        const std::size_t keep = block.size() >= 2 && IsHighSurrogate(block[block.size() - 2]) ? 2 : 1;
        held.assign(block, block.size() - keep, keep);
        out.clear();
        latin.AppendLatin(std::u16string_view(block).substr(0, block.size() - keep), before, held.front(),
                          out);
        if (block.size() > keep)
            before = block[block.size() - keep - 1];
        converted(out);
    });
    out.clear();
    latin.AppendLatin(held, before, after, out);
    converted(out);
    return ok;
}

// Converts one piece into `out`; flush(out) may take (and empty) what has been converted so far.
// `latin`, when given, spells towards Latin, with `before` and `after` the letters around the piece.
// `pending`, towards Cyrillic, is what typing can still change, carried in and (when `keep`) out.
struct SLatinPiece {
    const ILatinSpelling* latin;
    char16_t before;
    char16_t after;
    std::u16string* pending;
    bool keep;
};
bool ConvertPiece(const CCharTable& table, const CTypingConverter* typing, EDirection direction,
                  std::string_view input, std::string& out, const std::function<bool(std::string&)>& flush,
                  std::size_t& errorOffset, const SLatinPiece& scheme) {
    out.reserve(std::min<std::size_t>(2 * input.size(), kFlushBytes + 4 * kBlockBytes));
    if (direction == EDirection::kNone) {
        if (!IsValidUtf8(Bytes(input), input.size(), &errorOffset))
            return false;
        out.assign(input); // well-formed UTF-8 passes through unchanged
        return true;
    }
    bool flushed = true;
    auto convertedBlock = [&](std::u16string_view text) {
        AppendUtf16AsUtf8(out, text);
        if (out.size() >= kFlushBytes)
            flushed = flushed && flush(out);
    };
    if (direction == EDirection::kToLatin && scheme.latin != nullptr)
        return SpellPiece(*scheme.latin, input, scheme.before, scheme.after, errorOffset, convertedBlock) &&
               flushed;
    if (direction == EDirection::kToLatin) {
        // UTF-8 to UTF-8 directly, block by block into the one output buffer.
        const CLatinUtf8 latinUtf8(table);
        const std::size_t size = input.size();
        while (!input.empty()) {
            const std::size_t end = BlockEnd(input);
            std::size_t offset = 0;
            if (!latinUtf8.Append(input.substr(0, end), out, &offset)) {
                errorOffset = size - input.size() + offset;
                return false;
            }
            input.remove_prefix(end);
            if (out.size() >= kFlushBytes)
                flushed = flushed && flush(out);
        }
        return flushed;
    }
    // UTF-8 to UTF-8 as typed, block by block into the one output buffer. A piece kept in memory
    // gets room for its likely whole output at once (a Latin letter becomes a two-byte one):
    // growing by doubling would copy it and touch fresh pages each time. Room not written to
    // costs no memory.
    out.reserve(2 * input.size() + kBlockBytes);
    std::u16string own;
    std::u16string& pending = scheme.pending ? *scheme.pending : own;
    const std::size_t size = input.size();
    while (!input.empty()) {
        const std::size_t end = BlockEnd(input);
        std::size_t offset = 0;
        if (!typing->TypeUtf8(input.substr(0, end), pending, out, &offset)) {
            errorOffset = size - input.size() + offset;
            return false;
        }
        input.remove_prefix(end);
        if (out.size() >= kFlushBytes)
            flushed = flushed && flush(out);
    }
    if (!scheme.keep)
        CTypingConverter::FinishUtf8(pending, out);
    return flushed;
}

} // namespace

EDirection ChooseDirection(const CCharTable& table, std::string_view utf8) {
    EDirection direction = EDirection::kNone;
    bool decided = false;
    // Stops decoding at the first block with something other than white space.
    while (!decided && !utf8.empty()) {
        const std::size_t end = BlockEnd(utf8);
        const std::u16string block = Utf8ToUtf16(Bytes(utf8), end);
        utf8.remove_prefix(end);
        const std::u16string_view trimmed = TrimWhiteSpace(block);
        if (trimmed.empty())
            continue;
        decided = true;
        const std::u16string first(1, trimmed.front());
        if (table.IsNotCyrillicStart(first))
            direction = EDirection::kToCyrillic;
        else if (table.IsNotLatinStart(first))
            direction = EDirection::kToLatin;
    }
    return direction;
}

EConvertResult ConvertUtf8(const CCharTable& table, EDirection direction, std::string_view input,
                           const FWrite& write, std::size_t& errorOffset, const ILatinSpelling* latin,
                           char16_t before, char16_t after, std::u16string* typed) {
    if (latin == &table)
        latin = nullptr; // the keys' own fast path
    std::optional<CTypingConverter> typing;
    std::function<std::size_t(std::size_t)> cutAtOrAfter;
    if (direction == EDirection::kToCyrillic) {
        typing.emplace(table);
        // Typing never combines across a separator, so pieces may start right behind one.
        const char separator = typing->IsSeparator(u'\n') ? '\n' : typing->IsSeparator(u' ') ? ' ' : 0;
        cutAtOrAfter = [input, separator](std::size_t from) {
            if (separator == 0)
                return input.size();
            const std::size_t at = input.find(separator, from);
            return at == std::string_view::npos ? input.size() : at + 1;
        };
    } else {
        cutAtOrAfter = [input](std::size_t from) {
            while (from < input.size() && IsContinuation(input[from]))
                ++from;
            return from;
        };
    }
    const std::vector<std::size_t> cuts = CutPoints(input.size(), PieceCount(input.size()), cutAtOrAfter);
    const std::size_t count = cuts.size() - 1;
    // The first piece streams to `write` while the others are converted into memory; those are
    // written after it, in order.
    std::vector<std::string> pieces(count);
    std::vector<std::size_t> bad(count, std::string_view::npos);
    // Typing carries in through the first piece and out through the last; the other pieces
    // start behind a separator, so they start with nothing to carry.
    std::u16string carryOut;
    bool writeFailed = false;
    RunPieces(count, [&](std::size_t i) {
        // Cuts lie before a character that is not a continuation byte (or behind an ASCII
        // separator), so each piece is well-formed exactly when its part of the whole is.
        const std::string_view piece = input.substr(cuts[i], cuts[i + 1] - cuts[i]);
        auto flush = [&](std::string& out) {
            if (i != 0)
                return true;
            writeFailed = writeFailed || !write(out);
            out.clear();
            return !writeFailed;
        };
        std::size_t offset = 0;
        SLatinPiece scheme = {latin,
                              i == 0         ? before
                              : cuts[i] >= 2 ? RussianLetterAt(input, cuts[i] - 2)
                                             : char16_t(0),
                              i + 1 == count ? after : RussianLetterAt(input, cuts[i + 1]), nullptr,
                              typed != nullptr && i + 1 == count};
        std::u16string own;
        if (direction == EDirection::kToCyrillic && typed != nullptr)
            scheme.pending = i == 0 ? typed : i + 1 == count ? &carryOut : &own;
        const bool ok = ConvertPiece(table, typing ? &*typing : nullptr, direction, piece, pieces[i], flush,
                                     offset, scheme);
        if (!ok && !(i == 0 && writeFailed)) // only the first piece's thread touches writeFailed
            bad[i] = cuts[i] + offset;
    });
    if (direction == EDirection::kToCyrillic && typed != nullptr && count > 1)
        *typed = std::move(carryOut);
    for (std::size_t i = 0; i < count; ++i) {
        if (writeFailed)
            return EConvertResult::kWriteFailed;
        if (bad[i] != std::string_view::npos) {
            errorOffset = bad[i];
            return EConvertResult::kBadInput;
        }
        if (!write(pieces[i]))
            return EConvertResult::kWriteFailed;
        std::string().swap(pieces[i]);
    }
    return EConvertResult::kOk;
}

namespace {

constexpr std::size_t kStreamPiece = 1 << 20;    // read at a time
constexpr std::size_t kConvertPiece = 8 << 20;   // converted at a time, on several threads
constexpr std::size_t kChosenOnStdin = 16 << 20; // a stream that cannot be read twice

// Where the bytes up to the last complete UTF-8 character end.
std::size_t CompleteUtf8(std::string_view bytes) {
    std::size_t i = bytes.size(), back = 0;
    while (i > 0 && back < 3 && IsContinuation(bytes[i - 1])) {
        --i;
        ++back;
    }
    if (i == 0)
        return bytes.size();
    const unsigned lead = static_cast<unsigned char>(bytes[i - 1]);
    if (lead < 0xC0)
        return bytes.size(); // complete, or ill-formed: the conversion reports it
    const std::size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    return back + 1 < need ? i - 1 : bytes.size();
}

} // namespace

bool StreamConversion(const CCharTable& table, const std::string& command, const std::string& path,
                      std::string& error, const ILatinSpelling* latin) {
    CInputStream in;
    if (!in.Open(path, error))
        return false;
    EDirection direction = command == "to-cyrillic" ? EDirection::kToCyrillic
                           : command == "to-latin"  ? EDirection::kToLatin
                                                    : EDirection::kNone;
    bool decided = command != "convert";
    const CTypingConverter typing(table);
    // Typing never combines across a separator, so a piece may end right behind one.
    const char separator = typing.IsSeparator(u'\n') ? '\n' : typing.IsSeparator(u' ') ? ' ' : 0;
    std::string buffer;
    std::size_t base = 0; // offset of buffer[0] in the input
    char16_t before = 0;  // the Russian letter that ended the previous piece, for a scheme
    std::u16string typed; // what typing can still change at the end of the pieces so far
    auto write = [&error](std::string_view piece) { return WriteOut(piece, error); };
    while (true) {
        if (!in.Read(buffer, kConvertPiece - std::min(buffer.size(), kConvertPiece / 2), error))
            return false;
        std::size_t cut = buffer.size();
        if (!in.AtEnd()) {
            cut = CompleteUtf8(buffer);
            if (direction == EDirection::kToCyrillic && separator != 0) {
                const std::size_t at = buffer.rfind(separator);
                if (at != std::string::npos)
                    cut = at + 1;
            } else if (latin != nullptr && cut > 0) {
                // A scheme spells a letter by its neighbours: keep the last character for the
                // next piece, so the one after this piece is known.
                do
                    --cut;
                while (cut > 0 && IsContinuation(buffer[cut]));
            }
        }
        const std::string_view piece(buffer.data(), cut);
        if (!decided) {
            direction = ChooseDirection(table, piece);
            decided = direction != EDirection::kNone ||
                      !TrimWhiteSpace(Utf8ToUtf16(Bytes(piece), piece.size())).empty() || in.AtEnd();
        }
        std::size_t offset = 0;
        const char16_t after = cut < buffer.size() ? RussianLetterAt(buffer, cut) : char16_t(0);
        const EConvertResult result =
            ConvertUtf8(table, direction, piece, write, offset, latin, before, after, &typed);
        if (cut > 0)
            before = cut >= 2 ? RussianLetterAt(buffer, cut - 2) : char16_t(0);
        if (result == EConvertResult::kBadInput) {
            error = InputName(path) + ": invalid UTF-8 at byte offset " + std::to_string(base + offset);
            return false;
        }
        if (result == EConvertResult::kWriteFailed)
            return false;
        buffer.erase(0, cut);
        base += cut;
        if (in.AtEnd() && buffer.empty()) {
            std::string last;
            CTypingConverter::FinishUtf8(typed, last);
            return last.empty() || write(last);
        }
    }
}

bool DetectEncoding(const std::string& path, bool verbose, std::string& answer, std::string& error) {
    CInputStream in;
    if (!in.Open(path, error))
        return false;
    CTextFormatProbe probe;
    std::string piece;
    while (!in.AtEnd()) {
        piece.clear();
        if (!in.Read(piece, kStreamPiece, error))
            return false;
        probe.Feed(Bytes(piece), piece.size());
    }
    answer = EncodingName(probe.Result().encoding);
    if (verbose) {
        answer += '\t';
        answer += std::to_string(probe.DetectorLabel());
    }
    return true;
}

namespace {
// Decodes (and repairs) the rest of the input in the chosen format, the window read to choose it
// first.
bool DecodeStream(CInputStream& in, const std::string& path, bool repair, bool twice, CTextFormatProbe& probe,
                  STextFormat format, std::string& window, std::string& error);
} // namespace

bool StreamDecode(const std::string& path, bool repair, std::string& error) {
    CInputStream in;
    if (!in.Open(path, error))
        return false;
    CTextFormatProbe probe;
    std::string window, piece;
    const bool twice = in.Rewind();
    if (twice) {
        while (!in.AtEnd()) {
            piece.clear();
            if (!in.Read(piece, kStreamPiece, error))
                return false;
            probe.Feed(Bytes(piece), piece.size());
        }
        in.Rewind();
    } else {
        while (!in.AtEnd() && window.size() < kChosenOnStdin) {
            if (!in.Read(window, kStreamPiece, error))
                return false;
        }
        // The encoding is chosen on whole characters: a letter cut by the end of the window is
        // no invalid UTF-8, and waits for the rest of the stream.
        const std::size_t whole = in.AtEnd() ? window.size() : CompleteUtf8(window);
        probe.Feed(Bytes(window), whole);
        const STextFormat format = probe.Result();
        probe.Feed(Bytes(window) + whole, window.size() - whole);
        return DecodeStream(in, path, repair, twice, probe, format, window, error);
    }
    return DecodeStream(in, path, repair, twice, probe, probe.Result(), window, error);
}

namespace {

bool DecodeStream(CInputStream& in, const std::string& path, bool repair, bool twice, CTextFormatProbe& probe,
                  const STextFormat format, std::string& window, std::string& error) {
    std::string piece;
    CTextDecoder decoder(format);
    std::u16string text, pending;
    std::string out;
    // Each piece of text goes out as UTF-8; a pair of surrogates, or for repair a line, cut by
    // the end of a piece waits for the next one.
    auto emit = [&](bool last) {
        pending += text;
        text.clear();
        std::size_t cut = pending.size();
        if (!last && repair) {
            const std::size_t feed = pending.rfind(u'\n');
            cut = feed == std::u16string::npos ? 0 : feed + 1;
            if (cut == 0 && pending.size() > kStreamPiece) // no line end for long: cut anyway
                cut = pending.size() - ((pending.back() & 0xFC00) == 0xD800);
        } else if (!last && cut > 0 && (pending[cut - 1] & 0xFC00) == 0xD800) {
            --cut;
        }
        const std::u16string_view done(pending.data(), cut);
        out.clear();
        AppendUtf16AsUtf8(out, repair ? std::u16string_view(RepairMojibake(done)) : done);
        pending.erase(0, cut);
        return WriteOut(out, error);
    };
    // The window read to choose the encoding goes out in pieces too.
    for (std::size_t at = 0; at < window.size(); at += kStreamPiece) {
        const std::size_t n = std::min(kStreamPiece, window.size() - at);
        const bool last = in.AtEnd() && at + n == window.size();
        decoder.Decode(Bytes(window) + at, n, last, text);
        if (!emit(last))
            return false;
    }
    std::string().swap(window);
    while (!in.AtEnd()) {
        piece.clear();
        if (!in.Read(piece, kStreamPiece, error))
            return false;
        if (!twice)
            probe.Feed(Bytes(piece), piece.size());
        decoder.Decode(Bytes(piece), piece.size(), in.AtEnd(), text);
        if (!emit(in.AtEnd()))
            return false;
    }
    if (!twice && !(probe.Result() == format)) {
        error = InputName(path) + ": its encoding, chosen on the first 16 MB as " +
                EncodingName(format.encoding) +
                ", does not hold for the rest; name the file instead of piping it";
        return false;
    }
    return true;
}

} // namespace
