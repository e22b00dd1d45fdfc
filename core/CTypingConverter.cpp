#include "CTypingConverter.h"

#include "Utf8.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

namespace {

// UTF-8 of every unit below U+0800 as two bytes and a length, so that encoding one is a fixed
// two-byte store: no branch on the mix of ASCII and Cyrillic.
struct SUtf8Pair {
    char bytes[2];
    std::uint16_t length;
};
const std::array<SUtf8Pair, 0x800>& Utf8Pairs() {
    static const std::array<SUtf8Pair, 0x800> pairs = [] {
        std::array<SUtf8Pair, 0x800> table{};
        for (unsigned u = 0; u < 0x800; ++u)
            table[u] = u < 0x80 ? SUtf8Pair{{char(u), 0}, 1}
                                : SUtf8Pair{{char(0xC0 | u >> 6), char(0x80 | (u & 0x3F))}, 2};
        return table;
    }();
    return pairs;
}

// Appends `text` (never ending inside a surrogate pair) to `out` as AppendUtf16AsUtf8 would.
void AppendUnits(std::string& out, std::u16string_view text) {
    const SUtf8Pair* const pairs = Utf8Pairs().data();
    // Room for two bytes a unit, which is all that units below U+0800 need (plus the spare byte
    // of a two-byte store); wider characters make room as they come.
    const std::size_t start = out.size();
    out.resize(start + 2 * text.size() + 2);
    char* w = out.data() + start;
    const char16_t* p = text.data();
    const char16_t* const end = p + text.size();
    while (p < end) {
        if (*p < 0x800) {
            const SUtf8Pair& pair = pairs[*p++];
            std::memcpy(w, pair.bytes, 2);
            w += pair.length;
            continue;
        }
        const char16_t* run = p;
        while (p < end && *p >= 0x800)
            ++p;
        std::string wide;
        AppendUtf16AsUtf8(wide, std::u16string_view(run, std::size_t(p - run)));
        const std::size_t at = std::size_t(w - out.data());
        out.resize(out.size() + wide.size());
        w = out.data() + at;
        std::memcpy(w, wide.data(), wide.size());
        w += wide.size();
    }
    out.resize(std::size_t(w - out.data()));
}

} // namespace

CTypingConverter::CTypingConverter(const CCharTable& table)
    : m_lists{0, 0, 0, 0, 0, 0}, m_listOf(0x10000, 0), m_partner(0x10000, 0), m_inForm(0x10000, false) {
    // A typed unit matches a form's unit when equal or when it is the capital partner of it.
    // Cyrillic capitals are tried before Latin ones, and the first occurrence counts.
    for (std::size_t q = std::min(table.m_latUpper.size(), table.m_latLower.size()); q-- > 0;)
        m_partner[table.m_latUpper[q]] = table.m_latLower[q];
    for (std::size_t p = std::min(table.m_cyrUpper.size(), table.m_cyrLower.size()); p-- > 0;)
        m_partner[table.m_cyrUpper[p]] = table.m_cyrLower[p];

    std::vector<int> order;
    for (int i = 0; i < CCharTable::kKeyCount; ++i) {
        if (!table.m_typed[i].empty())
            order.push_back(i);
    }
    std::sort(order.begin(), order.end(), [&table](int a, int b) {
        if (table.m_typed[a].size() != table.m_typed[b].size())
            return table.m_typed[a].size() > table.m_typed[b].size();
        return a > b;
    });
    for (int i : order) {
        m_reach = std::max(m_reach, table.m_typed[i].size());
        for (const char16_t unit : table.m_typed[i])
            m_inForm[unit] = true;
    }

    // The capitals standing for each small letter, so that a list's filter can take them in too.
    std::vector<std::vector<char16_t>> capitalsOf(0x10000);
    for (std::size_t unit = 0; unit < m_partner.size(); ++unit) {
        if (m_partner[unit] != 0)
            capitalsOf[m_partner[unit]].push_back(char16_t(unit));
    }

    // One list per unit a typed character can be: the forms ending in it or in its partner.
    auto addList = [&](char16_t unit) {
        if (m_listOf[unit] != 0)
            return;
        const char16_t partner = m_partner[unit];
        std::uint64_t filter = 0;
        std::uint32_t single = 0, singleUnit = 0;
        std::vector<std::uint32_t> pairs, longer;
        bool any = false;
        for (int i : order) {
            const std::u16string& form = table.m_typed[i];
            if (form.back() != unit && (partner == 0 || form.back() != partner))
                continue;
            any = true;
            const int row = i / CCharTable::kSlots;
            const std::uint32_t letters =
                std::uint32_t(table.m_cyrLower[row]) | std::uint32_t(table.m_cyrUpper[row]) << 16;
            if (form.size() == 1) {
                // Forms ending in the unit or its partner: a one-unit form always matches, so the
                // first one is the answer whenever no longer form matched.
                if (single == 0) {
                    single = letters;
                    singleUnit = form[0];
                }
                continue;
            }
            const char16_t first = form[form.size() - 2];
            filter |= std::uint64_t(1) << (first & 63);
            for (const char16_t capital : capitalsOf[first])
                filter |= std::uint64_t(1) << (capital & 63);
            if (form.size() == 2) {
                // The typed unit always matches the last unit here, so a two-unit form is decided
                // by the unit before it alone: the first form taking that unit wins.
                auto add = [&](char16_t before, bool upper) {
                    for (const std::uint32_t pair : pairs) {
                        if ((pair & 0xFFFF) == before)
                            return;
                    }
                    pairs.push_back(before | (upper ? letters & 0xFFFF0000 : letters << 16));
                };
                add(first, form[1] != unit);
                for (const char16_t capital : capitalsOf[first])
                    add(capital, true);
                continue;
            }
            longer.push_back(std::uint32_t(form.size()));
            longer.push_back(letters);
            longer.insert(longer.end(), form.begin(), form.end());
        }
        if (!any)
            return;
        m_listOf[unit] = std::uint32_t(m_lists.size());
        m_lists.insert(m_lists.end(), {std::uint32_t(filter), std::uint32_t(filter >> 32), single, singleUnit,
                                       std::uint32_t(pairs.size())});
        m_lists.insert(m_lists.end(), pairs.begin(), pairs.end());
        m_lists.insert(m_lists.end(), longer.begin(), longer.end());
        m_lists.push_back(0);
    };
    for (int i : order)
        addList(table.m_typed[i].back());
    for (std::size_t unit = 0; unit < m_partner.size(); ++unit) {
        if (m_partner[unit] != 0)
            addList(char16_t(unit));
    }
    for (char16_t c = 0; c < 0x80; ++c) {
        const std::uint32_t* list = m_lists.data() + m_listOf[c];
        m_ascii[c].filter = list[0] | std::uint64_t(list[1]) << 32;
        m_ascii[c].alone = list[2] == 0 ? c : char16_t(c == list[3] ? list[2] & 0xFFFF : list[2] >> 16);
    }
}

bool CTypingConverter::IsSeparator(char16_t c) const {
    return !m_inForm[c] && (m_partner[c] == 0 || !m_inForm[m_partner[c]]);
}

inline char16_t* CTypingConverter::Step(char16_t* text, char16_t* end, char16_t& last, char16_t c) const {
    const char16_t before = last;
    *end++ = c;
    last = c;
    const std::uint32_t* list = m_lists.data() + m_listOf[c];
    if (end - text >= 2) {
        const std::uint64_t filter = list[0] | std::uint64_t(list[1]) << 32;
        if ((filter >> (before & 63)) & 1) {
            const std::uint32_t* const pairs = list + 5;
            const std::uint32_t* const longer = pairs + list[4];
            if (*longer != 0 && MatchLonger(text, end, longer)) {
                last = end[-1];
                return end;
            }
            for (const std::uint32_t* pair = pairs; pair < longer; ++pair) {
                if ((*pair & 0xFFFF) == before) {
                    last = char16_t(*pair >> 16);
                    --end;
                    end[-1] = last;
                    return end;
                }
            }
        }
    }
    if (list[2] != 0) {
        last = char16_t(c == list[3] ? list[2] & 0xFFFF : list[2] >> 16);
        end[-1] = last;
    }
    return end;
}

std::size_t CTypingConverter::TypeInto(char16_t* text, std::size_t length, std::u16string_view typed) const {
    char16_t* end = text + length;
    // The last unit of the text, kept in a register: reading it back from memory right after
    // storing it would chain every step to the one before through the store.
    char16_t last = length > 0 ? end[-1] : 0;
    for (const char16_t c : typed) {
        if (c < 0x80 && ((m_ascii[c].filter >> (last & 63)) & 1) == 0) {
            last = m_ascii[c].alone;
            *end++ = last;
        } else {
            end = Step(text, end, last, c);
        }
    }
    return std::size_t(end - text);
}

bool CTypingConverter::MatchLonger(const char16_t* text, char16_t*& end, const std::uint32_t* form) const {
    const std::size_t have = std::size_t(end - text);
    for (; *form != 0; form += 2 + form[0]) {
        const std::uint32_t k = form[0];
        if (have < k)
            continue;
        const char16_t* x = end - k;
        const std::uint32_t* y = form + 2;
        bool upper = false;
        std::uint32_t i = 0;
        for (; i < k; ++i) {
            if (x[i] == y[i])
                continue;
            const char16_t partner = m_partner[x[i]];
            if (partner == 0 || partner != y[i])
                break;
            upper = true;
        }
        if (i < k)
            continue;
        end -= k;
        *end++ = char16_t(upper ? form[1] >> 16 : form[1] & 0xFFFF);
        return true;
    }
    return false;
}

void CTypingConverter::Type(std::u16string& text, std::u16string_view typed) const {
    const std::size_t length = text.size();
    text.resize(length + typed.size());
    text.resize(TypeInto(text.data(), length, typed));
}

void CTypingConverter::Type(std::u16string& text, char16_t c) const {
    Type(text, std::u16string_view(&c, 1));
}

std::u16string CTypingConverter::Convert(std::u16string_view typed) const {
    std::u16string text;
    Type(text, typed);
    return text;
}

std::u16string ConvertToCyrillic(const CCharTable& table, std::u16string_view typed) {
    return CTypingConverter(table).Convert(typed);
}

bool CTypingConverter::TypeUtf8(std::string_view utf8, std::u16string& pending, std::string& out,
                                std::size_t* errorOffset) const {
    const auto* const begin = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* const end = begin + utf8.size();
    // A cache-sized window of converted text: each input byte gives at most one unit (a
    // four-byte character two), so a stretch of `room` bytes always fits behind what is there.
    // (The window needs no more room than the whole input, which short inputs save.)
    const std::size_t window =
        std::min(std::max<std::size_t>(1 << 13, 4 * m_reach + 64), pending.size() + utf8.size());
    const auto buffer = std::make_unique_for_overwrite<char16_t[]>(window + 8);
    char16_t* const text = buffer.get();
    std::memcpy(text, pending.data(), pending.size() * sizeof(char16_t));
    char16_t* w = text + pending.size();
    char16_t last = w > text ? w[-1] : 0;
    const unsigned char* p = begin;
    bool ok = true;
    while (p < end && ok) {
        const std::size_t room = window - std::size_t(w - text);
        const unsigned char* const stop = end - p > std::ptrdiff_t(room) ? p + room : end;
        while (p < stop) {
            const unsigned b = *p;
            if (b < 0x80) {
                // Plain Latin: unless the unit before may start a longer form, the answer is
                // the one-unit form's (or the unit itself), with no list to walk.
                const SAscii& ascii = m_ascii[b];
                if (((ascii.filter >> (last & 63)) & 1) == 0) {
                    last = ascii.alone;
                    *w++ = last;
                } else {
                    w = Step(text, w, last, char16_t(b));
                }
                ++p;
            } else if (b >= 0xC2 && b <= 0xDF && end - p >= 2 && (p[1] & 0xC0) == 0x80) {
                // A two-byte character, as every Cyrillic letter is.
                w = Step(text, w, last, char16_t((b & 0x1F) << 6 | (p[1] & 0x3F)));
                p += 2;
            } else {
                const std::size_t length = WellFormedLength(p, end);
                if (length == 0) {
                    if (errorOffset)
                        *errorOffset = std::size_t(p - begin);
                    ok = false;
                    break;
                }
                if (length == 3) {
                    w = Step(text, w, last, char16_t((b & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F)));
                } else {
                    const char32_t c = char32_t(b & 0x07) << 18 | char32_t(p[1] & 0x3F) << 12 |
                                       char32_t(p[2] & 0x3F) << 6 | (p[3] & 0x3F);
                    w = Step(text, w, last, char16_t(0xD7C0 + (c >> 10)));
                    w = Step(text, w, last, char16_t(0xDC00 | (c & 0x3FF)));
                }
                p += length;
            }
        }
        // Typing can still change the last Reach() units; everything before them is final.
        std::size_t have = std::size_t(w - text);
        std::size_t final = have > m_reach ? have - m_reach : 0;
        if (final > 0 && text[final - 1] >= 0xD800 && text[final - 1] < 0xDC00)
            --final; // a surrogate pair is encoded whole
        if (final > 0 && (have + 64 > window || p >= end || !ok)) {
            AppendUnits(out, std::u16string_view(text, final));
            std::memmove(text, text + final, (have - final) * sizeof(char16_t));
            w -= final;
        }
    }
    pending.assign(text, std::size_t(w - text));
    return ok;
}

void CTypingConverter::FinishUtf8(std::u16string& pending, std::string& out) {
    AppendUnits(out, pending);
    pending.clear();
}
