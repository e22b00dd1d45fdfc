#include "CTypingConverter.h"

#include <algorithm>

CTypingConverter::CTypingConverter(const CCharTable& table) : m_listOf(0x10000, 0), m_partner(0x10000, 0) {
    // A typed unit matches a form's unit when equal or when it is the capital partner of it.
    for (std::size_t q = table.m_latUpper.size(); q-- > 0;) {
        if (q < table.m_latLower.size())
            m_partner[table.m_latUpper[q]] = table.m_latLower[q];
    }
    // Cyrillic capitals are tried before Latin ones, and the first occurrence counts.
    for (std::size_t p = table.m_cyrUpper.size(); p-- > 0;) {
        if (p < table.m_cyrLower.size())
            m_partner[table.m_cyrUpper[p]] = table.m_cyrLower[p];
    }

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
        const int row = i / CCharTable::kSlots;
        m_forms.push_back({table.m_typed[i], table.m_cyrLower[row], table.m_cyrUpper[row]});
    }

    // One list per unit a typed character can be: the forms ending in it or in its partner.
    m_lists.emplace_back(); // list 0: nothing can end here
    auto addList = [this](char16_t unit) {
        if (m_listOf[unit] != 0)
            return;
        std::vector<std::uint16_t> list;
        const char16_t partner = m_partner[unit];
        for (std::size_t f = 0; f < m_forms.size(); ++f) {
            const char16_t last = m_forms[f].text.back();
            if (last == unit || (partner != 0 && last == partner))
                list.push_back(std::uint16_t(f));
        }
        if (list.empty())
            return;
        m_listOf[unit] = std::uint16_t(m_lists.size());
        m_lists.push_back(std::move(list));
    };
    for (const SForm& form : m_forms)
        addList(form.text.back());
    for (std::size_t unit = 0; unit < m_partner.size(); ++unit) {
        if (m_partner[unit] != 0)
            addList(char16_t(unit));
    }
}

int CTypingConverter::Match(std::u16string_view fragment, const SForm& form) const {
    int result = CCharTable::kMatchLower;
    for (std::size_t i = 0; i < fragment.size(); ++i) {
        const char16_t x = fragment[i];
        const char16_t y = form.text[i];
        if (x == y)
            continue;
        const char16_t partner = m_partner[x];
        if (partner == 0 || partner != y)
            return CCharTable::kNoMatch;
        result = CCharTable::kMatchUpper;
    }
    return result;
}

void CTypingConverter::Type(std::u16string& text, char16_t c) const {
    text.push_back(c);
    for (const std::uint16_t f : m_lists[m_listOf[c]]) {
        const SForm& form = m_forms[f];
        const std::size_t k = form.text.size();
        if (text.size() < k)
            continue;
        const int match = Match(std::u16string_view(text).substr(text.size() - k), form);
        if (match == CCharTable::kNoMatch)
            continue;
        text.resize(text.size() - k);
        text.push_back(match == CCharTable::kMatchLower ? form.lower : form.upper);
        return;
    }
}

std::u16string CTypingConverter::Convert(std::u16string_view typed) const {
    std::u16string text;
    text.reserve(typed.size());
    for (const char16_t c : typed)
        Type(text, c);
    return text;
}

std::u16string ConvertToCyrillic(const CCharTable& table, std::u16string_view typed) {
    return CTypingConverter(table).Convert(typed);
}
