#include "CCharTable.h"

#include "UnicodeText.h"

#include <cstdio>

CCharTable g_charTable;

namespace {

struct SDefaultKey {
    int row; // 0-based
    const char16_t* key;
};

// Slot order within a row follows the order here.
constexpr SDefaultKey kDefaultKeys[] = {
    {0, u"a"},  {1, u"b"},  {2, u"v"},  {3, u"g"},  {4, u"d"},   {5, u"e"},   {6, u"jo"},
    {7, u"zh"}, {8, u"z"},  {9, u"i"},  {10, u"j"}, {11, u"k"},  {12, u"l"},  {13, u"m"},
    {14, u"n"}, {15, u"o"}, {16, u"p"}, {17, u"r"}, {18, u"s"},  {19, u"t"},  {20, u"u"},
    {21, u"f"}, {22, u"h"}, {22, u"x"}, {23, u"c"}, {24, u"ch"}, {25, u"sh"}, {26, u"shh"},
    {26, u"w"}, {27, u"'"}, {28, u"y"}, {29, u"#"}, {30, u"je"}, {31, u"ju"}, {32, u"ja"},
};

// Reads the row number of a stored field the way wcstol reads its first two characters:
// optional white space and sign, then digits up to the first non-digit; no digits gives 0.
int FieldRowNumber(std::u16string_view field) {
    std::u16string_view head = field.substr(0, 2);
    std::size_t i = 0;
    while (i < head.size() && IsWhiteSpace(head[i]))
        ++i;
    bool negative = false;
    if (i < head.size() && (head[i] == u'+' || head[i] == u'-')) {
        negative = head[i] == u'-';
        ++i;
    }
    int value = 0;
    for (; i < head.size() && head[i] >= u'0' && head[i] <= u'9'; ++i)
        value = value * 10 + (head[i] - u'0');
    return negative ? -value : value;
}

} // namespace

CCharTable::CCharTable()
    : m_cyrLower(u"абвгдеёжзийклмнопрстуфхцчшщъыьэюя.,"), m_cyrUpper(u"АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ.,"),
      m_latLower(u"abcdefghijklmnopqrstuvwxyzßüöä.,"), m_latUpper(u"ABCDEFGHIJKLMNOPQRSTUVWXYZßÜÖÄ:;"),
      m_digits(u"0123456789") {}

void CCharTable::SetDefaultKeys() {
    for (auto& key : m_keys)
        key.clear();
    for (const SDefaultKey& entry : kDefaultKeys) {
        for (int slot = 0; slot < kSlots; ++slot) {
            std::u16string& key = m_keys[Index(entry.row, slot)];
            if (key.empty()) {
                key = entry.key;
                break;
            }
        }
    }
    BuildTypedForms();
}

std::u16string CCharTable::KeysToText() const {
    std::u16string text;
    for (int row = 0; row < kRows; ++row) {
        for (int slot = 0; slot < kSlots; ++slot) {
            const std::u16string& key = m_keys[Index(row, slot)];
            if (key.empty())
                continue;
            if (!text.empty())
                text += u'|';
            text += char16_t(u'0' + (row + 1) / 10);
            text += char16_t(u'0' + (row + 1) % 10);
            text += key;
        }
    }
    return text;
}

void CCharTable::KeysFromText(const std::u16string& text) {
    for (auto& key : m_keys)
        key.clear();
    std::u16string_view rest(text);
    for (;;) {
        const std::size_t bar = rest.find(u'|');
        const std::u16string_view field = rest.substr(0, bar);
        const int row = FieldRowNumber(field) - 1;
        // A key that would type invisible characters is no key (a stored value edited by hand).
        if (row >= 0 && row < kRows && field.size() > 2 && FirstInvisibleControl(field.substr(2)) == 0) {
            for (int slot = 0; slot < kSlots; ++slot) {
                std::u16string& key = m_keys[Index(row, slot)];
                if (key.empty()) {
                    key = field.substr(2);
                    break;
                }
            }
        }
        if (bar == std::u16string_view::npos)
            break;
        rest.remove_prefix(bar + 1);
    }
    BuildTypedForms();
}

void CCharTable::KeysFromStored(const std::u16string& stored) {
    if (stored.empty())
        SetDefaultKeys();
    else
        KeysFromText(stored);
}

bool CCharTable::CheckKeysText(const std::u16string& text, std::u16string& field, std::string& why) {
    std::array<int, kRows> keysOfRow{};
    std::u16string_view rest(text);
    for (;;) {
        const std::size_t bar = rest.find(u'|');
        const std::u16string_view current = rest.substr(0, bar);
        field = current;
        const bool digits = current.size() >= 2 && current[0] >= u'0' && current[0] <= u'9' &&
                            current[1] >= u'0' && current[1] <= u'9';
        const int row = digits ? (current[0] - u'0') * 10 + (current[1] - u'0') : 0;
        if (!digits || row < 1 || row > kRows) {
            why = "a field must start with a row number 01 to 35";
            return false;
        }
        if (current.size() == 2) {
            why = "no key after the row number";
            return false;
        }
        if (++keysOfRow[std::size_t(row - 1)] > kSlots) {
            why = "a row takes at most three keys";
            return false;
        }
        if (const char32_t c = FirstInvisibleControl(current.substr(2))) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", unsigned(c));
            why = std::string("a key cannot hold control or invisible formatting characters (") + code + ")";
            return false;
        }
        if (bar == std::u16string_view::npos)
            break;
        rest.remove_prefix(bar + 1);
    }
    field.clear();
    return true;
}

std::u16string CCharTable::RowLabel(int row) const {
    std::u16string label;
    for (int slot = 0; slot < kSlots; ++slot) {
        const std::u16string& key = m_keys[Index(row, slot)];
        if (key.empty())
            break;
        if (slot > 0)
            label += u',';
        label += key;
    }
    return label;
}

void CCharTable::ReadRowLabel(int row, const std::u16string& label) {
    std::u16string* slots = &m_keys[Index(row, 0)];
    std::size_t comma = label.find(u',');
    if (comma == std::u16string::npos) {
        slots[0] = label;
        slots[1].clear();
        slots[2].clear();
        return;
    }
    // A leading comma is the key "," itself, not an empty first slot.
    slots[0] = comma == 0 ? std::u16string(u",") : label.substr(0, comma);
    std::u16string rest = label.substr(comma + 1);
    comma = rest.find(u',');
    if (comma == std::u16string::npos) {
        slots[1] = rest;
        slots[2].clear();
        return;
    }
    slots[1] = rest.substr(0, comma);
    rest.erase(0, comma + 1);
    if (rest.find(u',') == std::u16string::npos)
        slots[2] = rest;
}
