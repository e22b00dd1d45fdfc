#include "CTypingConverter.h"

#include <algorithm>

CTypingConverter::CTypingConverter(const CCharTable& table)
    : m_lists{0, 0, 0, 0, 0}, m_listOf(0x10000, 0), m_partner(0x10000, 0), m_inForm(0x10000, false) {
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
        const std::size_t start = m_lists.size();
        m_lists.insert(m_lists.end(), {0, 0, 0, 0});
        std::uint64_t filter = 0;
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
                if (m_lists[start + 2] == 0) {
                    m_lists[start + 2] = letters;
                    m_lists[start + 3] = form[0];
                }
                continue;
            }
            filter |= std::uint64_t(1) << (form[form.size() - 2] & 63);
            for (const char16_t capital : capitalsOf[form[form.size() - 2]])
                filter |= std::uint64_t(1) << (capital & 63);
            m_lists.push_back(std::uint32_t(form.size()));
            m_lists.push_back(letters);
            m_lists.insert(m_lists.end(), form.begin(), form.end());
        }
        if (!any) {
            m_lists.resize(start);
            return;
        }
        m_lists[start] = std::uint32_t(filter);
        m_lists[start + 1] = std::uint32_t(filter >> 32);
        m_lists.push_back(0);
        m_listOf[unit] = std::uint32_t(start);
    };
    for (int i : order)
        addList(table.m_typed[i].back());
    for (std::size_t unit = 0; unit < m_partner.size(); ++unit) {
        if (m_partner[unit] != 0)
            addList(char16_t(unit));
    }
}

bool CTypingConverter::IsSeparator(char16_t c) const {
    return !m_inForm[c] && (m_partner[c] == 0 || !m_inForm[m_partner[c]]);
}

std::size_t CTypingConverter::TypeInto(char16_t* text, std::size_t length, std::u16string_view typed) const {
    // Local copies of the table pointers: stores into the text would otherwise make the compiler
    // reload them for every character.
    const std::uint32_t* const lists = m_lists.data();
    const std::uint32_t* const listOf = m_listOf.data();
    char16_t* end = text + length;
    // The last unit of the text, kept in a register: reading it back from memory right after
    // storing it would chain every step to the one before through the store.
    char16_t last = length > 0 ? end[-1] : 0;
    for (const char16_t c : typed) {
        const char16_t before = last;
        *end++ = c;
        last = c;
        const std::uint32_t* list = lists + listOf[c];
        if (end - text >= 2) {
            const std::uint64_t filter = list[0] | std::uint64_t(list[1]) << 32;
            if ((filter >> (before & 63)) & 1) {
                if (MatchLonger(text, end, list + 4)) {
                    last = end[-1];
                    continue;
                }
            }
        }
        if (list[2] != 0) {
            last = char16_t(c == list[3] ? list[2] & 0xFFFF : list[2] >> 16);
            end[-1] = last;
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
