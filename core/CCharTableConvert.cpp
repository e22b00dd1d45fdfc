// Latin keys to Cyrillic: typed forms, matching with case folding, the conversion at the caret.
#include "CCharTable.h"

#include "UnicodeText.h"

#include <algorithm>
#include <string_view>
#include <vector>

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
    // Pass L converts at caret L - 1 of every form at least L long, seeing the forms this pass has
    // already stored; only forms shorter than L can match, and those are final by then. Done
    // literally (copy the form, convert, store) this costs the key's length per pass, so a long key
    // took time quadratic in its length. Here a form still being worked on is kept as a converted
    // head (`head` units at the start of its buffer) followed by the untouched rest of its key (from
    // `rest` on): a pass moves the head up to the caret and replaces only at its end. A form that
    // still reaches past the caret cannot match anything there, so only finished forms are
    // candidates, and the candidate order (longest first, then highest slot) changes only when a
    // form finishes.
    struct SWork {
        int slot;
        std::u16string buffer;
        std::size_t head;
        std::size_t rest;
        std::size_t Size() const { return head + buffer.size() - rest; }
    };
    std::vector<SWork> working;
    for (int i = 0; i < kKeyCount; ++i) {
        if (m_keys[i].size() == 1) {
            m_typed[i] = m_keys[i];
        } else {
            m_typed[i].clear();
            if (m_keys[i].size() > 1)
                working.push_back({i, m_keys[i], 0, 0});
        }
    }
    std::vector<int> candidates;
    auto sortCandidates = [&] {
        candidates.clear();
        for (int i = 0; i < kKeyCount; ++i) {
            if (!m_typed[i].empty())
                candidates.push_back(i);
        }
        std::sort(candidates.begin(), candidates.end(), [this](int a, int b) {
            if (m_typed[a].size() != m_typed[b].size())
                return m_typed[a].size() > m_typed[b].size();
            return a > b;
        });
    };
    sortCandidates();
    for (std::size_t length = 2; !working.empty(); ++length) {
        bool finished = false;
        for (SWork& work : working) {
            const std::size_t caret = length - 1;
            char16_t* data = work.buffer.data();
            while (work.head < caret)
                data[work.head++] = data[work.rest++];
            const std::u16string_view head(data, work.head);
            // What a form may end with to match here: the last unit or a small partner of it.
            const char16_t last = head.back();
            const std::size_t p = m_cyrUpper.find(last);
            const std::size_t q = m_latUpper.find(last);
            const char16_t ends[] = {last, p == std::u16string::npos ? last : m_cyrLower[p],
                                     q == std::u16string::npos ? last : m_latLower[q]};
            for (const int candidate : candidates) {
                const std::u16string& form = m_typed[candidate];
                const std::size_t k = form.size();
                if (k > caret || (form.back() != ends[0] && form.back() != ends[1] && form.back() != ends[2]))
                    continue;
                const int match = MatchTypedView(*this, head.substr(caret - k), form);
                if (match == kNoMatch)
                    continue;
                const int row = candidate / kSlots;
                data[caret - k] = match == kMatchLower ? m_cyrLower[row] : m_cyrUpper[row];
                work.head = caret - k + 1;
                break;
            }
            // The next pass takes this form only while it is longer than the next caret.
            if (work.Size() <= length) {
                std::u16string& typed = m_typed[work.slot];
                typed.assign(data, work.head);
                typed.append(data + work.rest, work.buffer.size() - work.rest);
                work.slot = -1;
                sortCandidates();
                finished = true;
            }
        }
        if (finished)
            std::erase_if(working, [](const SWork& work) { return work.slot < 0; });
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
