// The fast paths against a plain, literal rendering of the typing algorithm, on random tables and
// texts: whole-text conversion, ConvertAtCaret on the whole text, ConvertAtCaret on only the tail
// that a typed form can span (what the editor hands over), and the derivation of typed forms.
#include "CCharTable.h"
#include "CTypingConverter.h"
#include "TestText.h"
#include "UnicodeText.h"
#include "Utf8.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

// --- Literal reference: the steps exactly as written down, no shortcuts. ---

int RefMatch(const CCharTable& t, std::u16string_view fragment, std::u16string_view form) {
    int result = 1;
    for (std::size_t i = 0; i < fragment.size(); ++i) {
        const char16_t x = fragment[i], y = form[i];
        if (x == y)
            continue;
        std::size_t p = t.m_cyrUpper.find(x);
        if (p != std::u16string::npos) {
            result = 2;
            if (t.m_cyrLower[p] == y)
                continue;
        }
        std::size_t q = t.m_latUpper.find(x);
        if (q == std::u16string::npos)
            return 0;
        result = 2;
        if (t.m_latLower[q] == y)
            continue;
        return 0;
    }
    return result;
}

bool RefConvertAtCaret(const CCharTable& t, const std::array<std::u16string, 105>& typed,
                       std::u16string& text, std::size_t& caret) {
    if (text.empty())
        return false;
    std::vector<std::pair<const std::u16string*, int>> candidates;
    std::size_t longest = 0;
    for (const auto& form : typed)
        longest = std::max(longest, form.size());
    for (std::size_t length = 1; length <= longest; ++length) {
        for (int row = 0; row < 35; ++row)
            for (int slot = 0; slot < 3; ++slot)
                if (!typed[row * 3 + slot].empty() && typed[row * 3 + slot].size() == length)
                    candidates.push_back({&typed[row * 3 + slot], row});
    }
    for (auto it = candidates.rbegin(); it != candidates.rend(); ++it) {
        const std::size_t k = it->first->size();
        if (caret < k)
            continue;
        const int m = RefMatch(t, std::u16string_view(text).substr(caret - k, k), *it->first);
        if (m == 0)
            continue;
        const char16_t c = m == 1 ? t.m_cyrLower[it->second] : t.m_cyrUpper[it->second];
        text = text.substr(0, caret - k) + c + text.substr(caret);
        caret = caret - k + 1;
        return true;
    }
    return false;
}

std::array<std::u16string, 105> RefTypedForms(const CCharTable& t) {
    std::array<std::u16string, 105> typed;
    for (int i = 0; i < 105; ++i)
        typed[i] = t.m_keys[i].size() == 1 ? t.m_keys[i] : std::u16string();
    bool more = true;
    for (std::size_t length = 2; more; ++length) {
        more = false;
        for (int i = 0; i < 105; ++i) {
            const std::u16string source = length == 2 ? t.m_keys[i] : typed[i];
            if (source.size() > length)
                more = true;
            if (source.size() >= length) {
                std::u16string copy = source;
                std::size_t caret = length - 1;
                RefConvertAtCaret(t, typed, copy, caret);
                typed[i] = copy;
            }
        }
    }
    return typed;
}

std::u16string RefWholeText(const CCharTable& t, std::u16string text) {
    for (std::size_t caret = 1; caret <= text.size(); ++caret)
        RefConvertAtCaret(t, t.m_typed, text, caret);
    return text;
}

// --- Random material. ---

const std::u16string kKeyChars = u"abcshjoxyzAHSZ019.,:;'#ßüÜсшйЁ";
const std::u16string kTextChars = u"abcshjoxyzAHSZ019.,:;'#ßüÜсшйЁСШЙ Ж\n";

std::u16string RandomString(std::mt19937& rng, const std::u16string& alphabet, std::size_t maxLength,
                            std::size_t minLength = 0) {
    std::uniform_int_distribution<std::size_t> length(minLength, maxLength);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::u16string s(length(rng), u' ');
    for (char16_t& c : s)
        c = alphabet[pick(rng)];
    return s;
}

void RandomKeys(std::mt19937& rng, CCharTable& table) {
    std::vector<std::u16string> pool; // keys repeated across rows
    for (int i = 0; i < 6; ++i)
        pool.push_back(RandomString(rng, kKeyChars, 3, 1));
    std::bernoulli_distribution emptyRow(0.3), fromPool(0.25);
    std::uniform_int_distribution<int> slots(1, 3), poolPick(0, int(pool.size()) - 1);
    for (auto& key : table.m_keys)
        key.clear();
    for (int row = 0; row < CCharTable::kRows; ++row) {
        if (emptyRow(rng))
            continue;
        const int n = slots(rng);
        for (int slot = 0; slot < n; ++slot)
            table.m_keys[CCharTable::Index(row, slot)] =
                fromPool(rng) ? pool[poolPick(rng)] : RandomString(rng, kKeyChars, 4, 1);
    }
    table.BuildTypedForms();
}

unsigned Seed() {
    const char* env = std::getenv("LT_DIFF_SEED");
    return env ? unsigned(std::strtoul(env, nullptr, 10)) : 20261207u;
}

} // namespace

TEST(Differential, FastPathsMatchTheLiteralAlgorithm) {
    const unsigned seed = Seed();
    std::mt19937 rng(seed);
    constexpr int kTables = 2000;
    constexpr int kTextsPerTable = 50; // 100,000 cases
    int cases = 0, changed = 0;
    for (int n = 0; n < kTables; ++n) {
        CCharTable table;
        RandomKeys(rng, table);
        ASSERT_EQ(table.m_typed, RefTypedForms(table))
            << "seed " << seed << " table " << n << ": " << U8(table.KeysToText());
        const CTypingConverter fast(table);
        const std::size_t tail = table.MaxTypedLength();
        for (int k = 0; k < kTextsPerTable; ++k, ++cases) {
            const std::u16string input = RandomString(rng, kTextChars, 24);
            const std::u16string expected = RefWholeText(table, input);

            // What the editor does: the new character, then ConvertAtCaret on the tail alone.
            std::u16string typed, whole = input;
            for (char16_t c : input) {
                typed.push_back(c);
                const std::size_t start = typed.size() > tail ? typed.size() - tail : 0;
                std::u16string piece = typed.substr(start);
                std::size_t caret = piece.size();
                if (table.ConvertAtCaret(piece, caret))
                    typed = typed.substr(0, start) + piece;
            }
            for (std::size_t caret = 1; caret <= whole.size(); ++caret)
                table.ConvertAtCaret(whole, caret);

            const std::string context = "seed " + std::to_string(seed) + " table " + std::to_string(n) +
                                        " keys " + U8(table.KeysToText()) + " text " + U8(input);
            ASSERT_EQ(U8(fast.Convert(input)), U8(expected)) << context;
            // UTF-8 straight to UTF-8, in two calls cut at a random character.
            const std::size_t cut = std::uniform_int_distribution<std::size_t>(0, input.size())(rng);
            std::u16string pending;
            std::string utf8;
            ASSERT_TRUE(fast.TypeUtf8(U8(input.substr(0, cut)), pending, utf8, nullptr));
            ASSERT_TRUE(fast.TypeUtf8(U8(input.substr(cut)), pending, utf8, nullptr));
            CTypingConverter::FinishUtf8(pending, utf8);
            ASSERT_EQ(utf8, U8(expected)) << context << " cut " << cut;
            ASSERT_EQ(U8(typed), U8(expected)) << context;
            ASSERT_EQ(U8(whole), U8(expected)) << context;
            changed += expected != input;
        }
    }
    EXPECT_EQ(cases, kTables * kTextsPerTable);
    EXPECT_GT(changed, cases / 2); // the random material really exercises the conversion
}

TEST(Differential, LongTextInOnePass) {
    // A text far longer than any quadratic path could take, converted the fast way, equals the
    // concatenation of its independently converted lines (no key spans a line end).
    CCharTable table;
    table.SetDefaultKeys();
    std::u16string line = u"Shhuka i ob'ekt, jolka; SHH zhuk x w # 2009.\n";
    std::u16string input;
    for (int i = 0; i < 20000; ++i)
        input += line;
    const std::u16string convertedLine = ConvertToCyrillic(table, line);
    EXPECT_EQ(U8(convertedLine), "Щука и объект, ёлка; Щ жук х щ ь 2009.\n");
    std::u16string expected;
    for (int i = 0; i < 20000; ++i)
        expected += convertedLine;
    EXPECT_EQ(ConvertToCyrillic(table, input), expected);
}

TEST(Differential, TypingUtf8OverManyWindows) {
    // Texts far longer than the converter's window, with three- and four-byte characters, fed
    // in random pieces: the same as the UTF-16 conversion; a bad byte is found where it is.
    std::mt19937 rng(Seed());
    const std::vector<std::u16string> pieces = {u"a", u"s",  u"h", u"j", u"S", u"H", u"ш", u"Ш",
                                                u" ", u"\n", u"'", u"#", u"€", u"😀", u"ß", u"9"};
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    for (int n = 0; n < 40; ++n) {
        CCharTable table;
        RandomKeys(rng, table);
        if (n % 4 == 0)
            table.m_keys[std::uniform_int_distribution<int>(0, 104)(rng)] = u"sh😀" + std::u16string(n, u'h');
        table.BuildTypedForms();
        const CTypingConverter fast(table);
        std::u16string text;
        while (text.size() < 40000)
            text += pieces[pick(rng)];
        const std::string bytes = U8(text);
        std::u16string pending;
        std::string out;
        std::size_t at = 0;
        while (at < bytes.size()) {
            std::size_t next =
                std::min(bytes.size(), at + std::uniform_int_distribution<std::size_t>(1, 30000)(rng));
            while (next < bytes.size() && (static_cast<unsigned char>(bytes[next]) & 0xC0) == 0x80)
                ++next;
            ASSERT_TRUE(fast.TypeUtf8(std::string_view(bytes).substr(at, next - at), pending, out, nullptr));
            at = next;
        }
        CTypingConverter::FinishUtf8(pending, out);
        ASSERT_EQ(out, U8(fast.Convert(text))) << "table " << n << " keys " << U8(table.KeysToText());

        const std::size_t bad = std::uniform_int_distribution<std::size_t>(0, bytes.size())(rng);
        std::size_t start = bad;
        while (start < bytes.size() && (static_cast<unsigned char>(bytes[start]) & 0xC0) == 0x80)
            ++start;
        std::string broken = bytes;
        broken.insert(start, 1, '\xFF');
        std::size_t offset = 0;
        pending.clear();
        out.clear();
        EXPECT_FALSE(fast.TypeUtf8(broken, pending, out, &offset));
        EXPECT_EQ(offset, start);
    }
}

TEST(Differential, ToLatinMatchesTheLiteralAlgorithm) {
    // Keys of every length around the inline copy's limit of four units, empty rows, capitals
    // and letters beyond ASCII, against the plain search through the two letter strings.
    const std::u16string keyChars = u"abzZ'#ßäёЖ";
    const std::u16string textChars = u"абвёжщъяАБВЁЖЩЪЯ.,a Z\n😀ӂ";
    std::mt19937 rng(Seed());
    for (int n = 0; n < 3000; ++n) {
        CCharTable table;
        for (int row = 0; row < CCharTable::kRows; ++row)
            table.m_keys[CCharTable::Index(row, 0)] = RandomString(rng, keyChars, 7);
        const std::u16string text = RandomString(rng, textChars, 30);
        std::u16string expected;
        for (const char16_t c : text) {
            const std::size_t lower = table.m_cyrLower.substr(0, 33).find(c);
            const std::size_t upper = table.m_cyrUpper.substr(0, 33).find(c);
            if (lower != std::u16string::npos)
                expected += table.m_keys[CCharTable::Index(int(lower), 0)];
            else if (upper != std::u16string::npos)
                expected += UpperCase(table.m_keys[CCharTable::Index(int(upper), 0)]);
            else
                expected += c;
        }
        std::u16string actual = text;
        ASSERT_EQ(table.ToLatin(actual), !text.empty());
        ASSERT_EQ(U8(actual), U8(expected)) << "keys " << U8(table.KeysToText()) << " text " << U8(text);
    }
}

TEST(Differential, TypedFormsOfLongKeys) {
    // Long keys over few letters, so that forms shrink and skip units on the way; several long
    // keys per table, so that one form finishing changes what the others can match.
    std::mt19937 rng(Seed());
    const std::u16string letters = u"shaSH";
    for (int n = 0; n < 300; ++n) {
        CCharTable table;
        RandomKeys(rng, table);
        for (int k = 0; k < 4; ++k)
            table.m_keys[std::uniform_int_distribution<int>(0, 104)(rng)] = RandomString(rng, letters, 40, 2);
        table.BuildTypedForms();
        ASSERT_EQ(table.m_typed, RefTypedForms(table)) << U8(table.KeysToText());
    }
}

TEST(Differential, AVeryLongKeyLoadsQuickly) {
    // The key s, h, h, ... of 500,000 units: s types с, the first h turns it into ш, and from then
    // on every second-to-last unit is typed alone (the unit after a replacement is skipped).
    std::u16string stored = u"01a|19s|23h|26sh|27s";
    stored += std::u16string(499999, u'h');
    CCharTable table;
    const auto start = std::chrono::steady_clock::now();
    table.KeysFromText(stored);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
#ifdef __SANITIZE_ADDRESS__
    EXPECT_LT(seconds, 3.0); // the sanitizers slow every step down; quadratic took 49 s
#else
    EXPECT_LT(seconds, 0.5);
#endif
    EXPECT_EQ(table.m_typed[CCharTable::Index(26, 0)], u"шh" + std::u16string(499996, u'х') + u"h");
}

// The count that chooses UTF-8 by share, word-wise where it can be, against the byte-wise walk:
// random bytes drawn from ASCII, continuation bytes and lead bytes, so sequences complete, break
// and straddle the eight-byte words.
TEST(Differential, Utf8CountMatchesTheByteWiseWalk) {
    std::mt19937 rng(11);
    const unsigned char kinds[][2] = {{0x20, 0x7F}, {0x80, 0xBF}, {0xC0, 0xDF}, {0xE0, 0xEF}, {0xF0, 0xFF}};
    for (int round = 0; round < 2000; ++round) {
        std::string bytes(rng() % 64, '\0');
        const int bias = int(rng() % 5);
        for (char& c : bytes) {
            const auto* kind = kinds[rng() % 3 == 0 ? bias : rng() % 5];
            c = char(kind[0] + rng() % (kind[1] - kind[0] + 1));
        }
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
        std::size_t multiByte = 0, invalid = 0, refMulti = 0, refInvalid = 0;
        CountUtf8(p, bytes.size(), multiByte, invalid);
        for (std::size_t i = 0; i < bytes.size();) {
            const std::size_t len = p[i] < 0x80 ? 1 : WellFormedLength(p + i, p + bytes.size());
            refMulti += len > 1;
            refInvalid += len == 0;
            i += std::max<std::size_t>(len, 1);
        }
        ASSERT_EQ(multiByte, refMulti) << round;
        ASSERT_EQ(invalid, refInvalid) << round;
    }
}
