// Latin keys to Cyrillic: typed forms, matching with case folding, the conversion at the caret.
#include "CCharTable.h"

#include "UnicodeText.h"

#include <algorithm>
#include <string_view>

namespace {

// MatchTyped over views, so the per-keystroke scan allocates nothing.
int MatchTypedView(const CCharTable& table, std::u16string_view fragment, std::u16string_view form) {
    int result = CCharTable::kMatchLower;
    for (std::size_t i = 0; i < fragment.size(); ++i) {
        const char16_t x = fragment[i];
        const char16_t y = form[i];
        if (x == y)
            continue;
        const std::size_t p = table.m_cyrUpper.find(x);
        if (p != std::u16string::npos) {
            result = CCharTable::kMatchUpper;
            if (table.m_cyrLower[p] == y)
                continue;
        }
        const std::size_t q = table.m_latUpper.find(x);
        if (q == std::u16string::npos)
            return CCharTable::kNoMatch;
        result = CCharTable::kMatchUpper;
        if (table.m_latLower[q] != y)
            return CCharTable::kNoMatch;
    }
    return result;
}

} // namespace

int CCharTable::MatchTyped(std::u16string fragment, std::u16string form) const {
    return MatchTypedView(*this, fragment, form);
}

bool CCharTable::ConvertAtCaret(std::u16string& text, std::size_t& caret) const {
    if (text.empty())
        return false;
    // Longest typed forms first; among equal lengths the highest row, then the highest slot.
    std::array<int, kKeyCount> order;
    int count = 0;
    for (int i = 0; i < kKeyCount; ++i) {
        if (!m_typed[i].empty())
            order[count++] = i;
    }
    std::sort(order.begin(), order.begin() + count, [this](int a, int b) {
        if (m_typed[a].size() != m_typed[b].size())
            return m_typed[a].size() > m_typed[b].size();
        return a > b;
    });
    for (int n = 0; n < count; ++n) {
        const std::u16string& form = m_typed[order[n]];
        const std::size_t k = form.size();
        if (caret < k)
            continue;
        const std::u16string_view fragment = std::u16string_view(text).substr(caret - k, k);
        const int match = MatchTypedView(*this, fragment, form);
        if (match == kNoMatch)
            continue;
        const int row = order[n] / kSlots;
        const char16_t c = match == kMatchLower ? m_cyrLower[row] : m_cyrUpper[row];
        text.replace(caret - k, k, 1, c);
        caret = caret - k + 1;
        return true;
    }
    return false;
}

void CCharTable::BuildTypedForms() {
    for (int i = 0; i < kKeyCount; ++i) {
        if (m_keys[i].size() == 1)
            m_typed[i] = m_keys[i];
        else
            m_typed[i].clear();
    }
    // Pass L converts the first L - 1 characters of each longer form, seeing the forms this pass
    // has already stored; only forms shorter than L can match, and those are final by now.
    bool more = true;
    for (std::size_t length = 2; more; ++length) {
        more = false;
        for (int i = 0; i < kKeyCount; ++i) {
            const std::u16string& source = length == 2 ? m_keys[i] : m_typed[i];
            if (source.size() > length)
                more = true;
            if (source.size() >= length) {
                std::u16string form = source;
                std::size_t caret = length - 1;
                ConvertAtCaret(form, caret);
                m_typed[i] = std::move(form);
            }
        }
    }
}

bool CCharTable::IsNotCyrillicStart(std::u16string text) const {
    const std::u16string_view trimmed = TrimWhiteSpace(text);
    if (trimmed.empty())
        return false;
    return m_cyrLower.find(trimmed.front()) == std::u16string::npos &&
           m_cyrUpper.find(trimmed.front()) == std::u16string::npos;
}

std::size_t CCharTable::MaxTypedLength() const {
    std::size_t longest = 0;
    for (const std::u16string& form : m_typed)
        longest = std::max(longest, form.size());
    return longest;
}
