#include "CodePage.h"
#include "Corpus.h"
#include "Mojibake.h"
#include "RussianPairs.h"
#include "RussianText.h"
#include "TestText.h"
#include "TextEncoding.h"

#include <gtest/gtest.h>

namespace {

// Bytes read one per character through a code page's table; Latin-1 when no table is given.
std::u16string ReadAs(const std::string& bytes, const char16_t* table) {
    std::u16string out;
    for (const char b : bytes)
        out +=
            table != nullptr ? table[static_cast<unsigned char>(b)] : char16_t(static_cast<unsigned char>(b));
    return out;
}

std::string Bytes8(const std::u16string& text, ETextEncoding encoding) {
    return EncodeText(text, {encoding, false}).bytes;
}

struct SDamage {
    const char* name;
    ETextEncoding origin;   // what the bytes were
    const char16_t* readAs; // the table they were wrongly read with (nullptr: Latin-1)
    bool twice;             // read wrongly, written as UTF-8, and read as Windows-1252 again
};
const SDamage kDamages[] = {
    {"UTF-8 as Windows-1252", ETextEncoding::kUtf8, kCp1252ToUnicode, false},
    {"UTF-8 as Latin-1", ETextEncoding::kUtf8, nullptr, false},
    {"UTF-8 as Windows-1251", ETextEncoding::kUtf8, kCp1251ToUnicode, false},
    {"UTF-8 as KOI8-R", ETextEncoding::kUtf8, kKoi8rToUnicode, false},
    {"UTF-8 as CP866", ETextEncoding::kUtf8, kCp866ToUnicode, false},
    {"Windows-1251 as Windows-1252", ETextEncoding::kCp1251, kCp1252ToUnicode, false},
    {"Windows-1251 as Latin-1", ETextEncoding::kCp1251, nullptr, false},
    {"KOI8-R as Windows-1251", ETextEncoding::kKoi8r, kCp1251ToUnicode, false},
    {"Windows-1251 as KOI8-R", ETextEncoding::kCp1251, kKoi8rToUnicode, false},
    {"CP866 as Windows-1251", ETextEncoding::kCp866, kCp1251ToUnicode, false},
    {"UTF-8 as Windows-1251, then as Windows-1252", ETextEncoding::kUtf8, kCp1251ToUnicode, true},
    {"UTF-8 as Windows-1252, then again", ETextEncoding::kUtf8, kCp1252ToUnicode, true},
    {"UTF-8 as KOI8-R, then as Windows-1252", ETextEncoding::kUtf8, kKoi8rToUnicode, true},
    {"UTF-8 as CP866, then as Windows-1252", ETextEncoding::kUtf8, kCp866ToUnicode, true},
};

std::u16string Damage(const std::u16string& text, const SDamage& d) {
    std::u16string once = ReadAs(Bytes8(text, d.origin), d.readAs);
    return d.twice ? ReadAs(U8(once), kCp1252ToUnicode) : once;
}

TEST(RepairMojibake, ExamplesAndWhatStays) {
    EXPECT_EQ(RepairMojibake(U16("Ð¿Ñ€Ð¸Ð²ÐµÑ‚")), u"привет");
    EXPECT_EQ(RepairMojibake(U16("РџСЂРёРІРµС‚, РјРёСЂ!")), u"Привет, мир!");
    EXPECT_EQ(RepairMojibake(U16("Ïðèâåò, ìèð!")), u"Привет, мир!");
    EXPECT_EQ(RepairMojibake(U16("рТЙЧЕФ, НЙТ!")), u"Привет, мир!");
    // Names and Latin look-alikes inside Russian words (KOI8-R read as Windows-1251, Windows-1251
    // as Windows-1252).
    EXPECT_EQ(RepairMojibake(U16("Å. Ëåö")), u"Е. Лец");
    EXPECT_EQ(RepairMojibake(U16("еУМЙ ЕК ОpБЧЙФУС")), u"Если ей нpавится");
    // Only the damaged line changes; the others, and the line ends, stay byte for byte.
    std::size_t lines = 0;
    EXPECT_EQ(RepairMojibake(U16("Grüße, þjóð\r\nÐ¼Ð¸Ñ€\r\n«Привет» — café\n"), &lines),
              U16("Grüße, þjóð\r\nмир\r\n«Привет» — café\n"));
    EXPECT_EQ(lines, 1u);
    EXPECT_EQ(RepairMojibake(U16("GrÃ¼ÃŸe")), u"Grüße");
    for (const char* clean :
         {"Её", "á", "í ó é", "naïve ½ € 😀 中文", "", "ЗАКОН БОКЛЭДЖА", "людям.", "-- Сэр Compton"})
        EXPECT_EQ(RepairMojibake(U16(clean)), U16(clean)) << clean;
}

// Clean text of many languages stays as it is, abbreviations and units included.
TEST(RepairMojibake, CleanLinesStay) {
    for (const char* clean :
         {"РСФСР", "ООО «Ромашка»", "НДС 20%", "ВВП РФ", "РФ и РФ", "в ДМС", "- дБ!", "мРНК", "ЁЁ", "ёёёё",
          "бЁ", "Cтоп. Стоп!", "opérandes invalides pour « %s » en définissant « %s »", "¡«%s» sin un valor!",
          "до тієї, яка", "Ні", "відео", "GTK+ опцыі", "Јава", "КЛИ за Програмски ток",
          "Ако СОБСТВЕНИК не е посочен, той остава непроменен.", "Ã is the letter A with a tilde",
          "São Paulo, Ãgua", "abcde ABCDE àèìòù €", "╔═══╗ ║ box ║", "-- Сэр Compton",
          // abbreviations whose swapped readings are words ("для", "фай"), a unit, Belarusian, a sound
          "ДМС", "ДМС и ДМС", "ЁЁ и ЁЁ", "ЖБК", "УФМС", "5 кВт", "Йчын", "тр-р-р-р"})
        EXPECT_EQ(RepairMojibakeLine(U16(clean)), U16(clean)) << clean;
}

// Each kind of damage, one or two layers deep; C1 controls become the signs Windows code pages
// have at 80..9F.
TEST(RepairMojibake, DamagedLinesAndTheirRepairs) {
    for (const std::u16string line :
         {u"Съешь же ещё этих мягких французских булок, да выпей чаю.", u"• Пункт первый — “да” или „нет“"}) {
        for (const SDamage& d : kDamages) {
            if (EncodeText(line, {d.origin, false}).lacking == 0) {
                EXPECT_EQ(RepairMojibakeLine(Damage(line, d)), line) << d.name << ": " << U8(Damage(line, d));
            }
        }
    }
    EXPECT_EQ(RepairMojibakeLine(u"\u0095 пункт, \u0093да\u0094"), u"• пункт, “да”");
    // Lower-case words read swapped turn into capitals, which also read as abbreviations; signs
    // stuck inside words (CP866 read as Windows-1251) make no abbreviation; rare names from
    // Windows-1252.
    const struct {
        const char* damaged;
        const char16_t* repaired;
    } kRepairs[] = {
        {"ОЕ ИПФЙН.", u"не хотим."},        {"ВРН ЛНФМН Б ЩРНИ ФХГМХ.", u"что можно в этой жизни."},
        {"НАПЕВ╦ММШИ", u"обречённый"},      {"УБЮКШ.", u"хвалы."},
        {"ЈЁ¤а®ЎЁ®\u00ADв", u"гидробионт"}, {"Ãåéãåð", u"Гейгер"}};
    for (const auto& r : kRepairs)
        EXPECT_EQ(RepairMojibakeLine(U16(r.damaged)), r.repaired) << r.damaged;
}

// A second repair changes nothing, whatever the first did.
TEST(RepairMojibake, RepairingTwiceIsRepairingOnce) {
    std::vector<std::u16string> lines;
    for (const std::string& line : corpus::Lines(corpus::Cookies(corpus::kRussian)))
        lines.push_back(U16(line));
    for (const char* extra : {"бЁ", "ЁЁ", "ёёёё", "ЖЖЖЖЖЖЖЖ", "Ã©tÃ©", "Ð¿Ñ€Ð¸Ð²ÐµÑ‚", "рТЙЧЕФ, НЙТ!"})
        lines.push_back(U16(extra));
    for (std::size_t i = 0; i < lines.size(); i += 7) {
        for (const SDamage& d : kDamages) {
            const std::u16string once = RepairMojibakeLine(i % 2 ? Damage(lines[i], d) : lines[i]);
            ASSERT_EQ(RepairMojibakeLine(once), once) << U8(lines[i]);
        }
    }
}

// The weighed pairs tell words from the salad that the swapped 8-bit readings make of them, in
// either case, with ё counted as е.
TEST(RussianPairScore, WordsAgainstTheirWrongReadings) {
    const struct {
        const char16_t* word;
        const char16_t* salad;
    } kPairs[] = {{u"привет", u"ПТЙЧЕФ"},   {u"главное", u"ЗМБЧОПЕ"}, {u"жизни", u"ЦЙЪОЙ"},
                  {u"аппетит", u"ЮООЕРХР"}, {u"закон", u"ъблпо"},     {u"следствие", u"бкеднрбхе"}};
    for (const auto& p : kPairs) {
        EXPECT_GT(RussianPairScore(p.word), 0) << U8(p.word);
        EXPECT_GT(RussianPairScore(p.word), RussianPairScore(p.salad) + 12) << U8(p.salad);
    }
    EXPECT_EQ(RussianPairScore(u"ЁЖИК"), RussianPairScore(u"ежик"));
}

// The letter classes every part of the program asks.
TEST(RussianText, LetterClasses) {
    const struct {
        char16_t c;
        bool russian, capital, small, cyrillic, block;
        char16_t lower;
    } kLetters[] = {
        {u'А', true, true, false, true, true, u'а'},    {u'я', true, false, true, true, true, u'я'},
        {u'Ё', true, true, false, true, true, u'ё'},    {u'ё', true, false, true, true, true, u'ё'},
        {u'Ї', false, false, false, true, true, u'Ї'},  {u'ґ', false, false, false, true, true, u'ґ'},
        {u'Ѣ', false, false, false, false, true, u'Ѣ'}, {u'A', false, false, false, false, false, u'A'}};
    for (const auto& l : kLetters) {
        EXPECT_EQ(IsRussianLetter(l.c), l.russian) << int(l.c);
        EXPECT_EQ(IsRussianCapital(l.c), l.capital) << int(l.c);
        EXPECT_EQ(IsRussianSmall(l.c), l.small) << int(l.c);
        EXPECT_EQ(IsCyrillicLetter(l.c), l.cyrillic) << int(l.c);
        EXPECT_EQ(IsInCyrillicBlock(l.c), l.block) << int(l.c);
        EXPECT_EQ(RussianSmallLetter(l.c), l.lower) << int(l.c);
    }
}

TEST(RepairFigures, DamagedLinesRepairedCleanLinesKept) {
    std::vector<std::u16string> russian;
    for (const std::string& line : corpus::Lines(corpus::Cookies(corpus::kRussian))) {
        const std::u16string text = U16(line);
        if (std::any_of(text.begin(), text.end(), IsRussianLetter))
            russian.push_back(text);
    }
    ASSERT_GT(russian.size(), 10000u) << "install fortunes-ru";
    // Every tenth line, each way, from the lines that the origin's code page can hold. Readings
    // that swap Russian letters for Russian letters leave short lines in capitals alone: they
    // read as abbreviations.
    for (const SDamage& d : kDamages) {
        std::size_t tried = 0, repaired = 0;
        for (std::size_t i = 0; i < russian.size(); i += 10) {
            if (EncodeText(russian[i], {d.origin, false}).lacking > 0)
                continue;
            ++tried;
            const std::u16string fixed = RepairMojibakeLine(Damage(russian[i], d));
            repaired += fixed == russian[i];
            if (fixed != russian[i] && tried - repaired < 4)
                std::printf("  %s: %s -> %s\n", d.name, U8(russian[i]).c_str(), U8(fixed).c_str());
        }
        std::printf("%-45s %zu of %zu repaired\n", d.name, repaired, tried);
        const bool swap =
            d.origin != ETextEncoding::kUtf8 && d.readAs != kCp1252ToUnicode && d.readAs != nullptr;
        EXPECT_GE(repaired * 100, tried * (swap ? 94 : 98)) << d.name;
    }

    std::vector<std::u16string> clean = russian;
    for (const char* where : {corpus::kGerman, corpus::kEnglish})
        for (const std::string& line : corpus::Lines(corpus::Cookies(where)))
            clean.push_back(U16(line));
    for (const char* dic : {corpus::kFrench, corpus::kIcelandic})
        for (const std::string& line : corpus::DictionaryLines(dic, 5000))
            clean.push_back(U16(line));
    ASSERT_GT(clean.size(), russian.size() + 10000)
        << "install fortunes-de, fortunes-min and the dictionaries";
    // Lines drawn with box characters are no clean text, nor are lines with C1 controls (Windows
    // quotes read as Latin-1, which the repair mends): leave them out.
    std::erase_if(clean, [](const std::u16string& line) {
        return std::any_of(line.begin(), line.end(),
                           [](char16_t c) { return (c >= 0x2500 && c < 0x25A0) || (c >= 0x80 && c < 0xA0); });
    });
    std::size_t changed = 0;
    for (const std::u16string& line : clean) {
        const std::u16string repaired = RepairMojibakeLine(line);
        if (repaired != line && ++changed < 20)
            std::printf("  changed: %s -> %s\n", U8(line).c_str(), U8(repaired).c_str());
    }
    std::printf("clean lines: %zu of %zu changed\n", changed, clean.size());
    EXPECT_EQ(changed, 0u);
}

} // namespace
