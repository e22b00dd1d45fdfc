// The standard Latin spellings, against words written out by hand from the schemes' rules: every
// letter at a word's start, after a vowel, after ъ and ь, before е, и, ы and й, as a capital before
// a small letter, alone, and inside a word in capitals.
#include "CCharTable.h"
#include "LatinSpelling.h"
#include "TestText.h"

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string_view>

namespace {

// clang-format off
const char* const kWords[] = {
    "абвгдеёжзийклмнопрстуфхцчшщъыьэюя", // every letter
    "АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ", // every capital, all-capitals word
    "а б в г д е ё ж з и й к л м н о п р с т у ф х ц ч ш щ ъ ы ь э ю я", // one-letter words
    "А Б В Г Д Е Ё Ж З И Й К Л М Н О П Р С Т У Ф Х Ц Ч Ш Щ Ъ Ы Ь Э Ю Я", // one-letter capital words
    "Аа Бб Вв Гг Дд Ее Ёё Жж Зз Ии Йй Кк Лл Мм Нн Оо Пп Рр Сс Тт Уу Фф Хх Цц Чч Шш Щщ Ъъ Ыы Ьь Ээ Юю Яя", // capital before small
    "АА ББ ВВ ГГ ДД ЕЕ ЁЁ ЖЖ ЗЗ ИИ ЙЙ КК ЛЛ ММ НН ОО ПП РР СС ТТ УУ ФФ ХХ ЦЦ ЧЧ ШШ ЩЩ ЪЪ ЫЫ ЬЬ ЭЭ ЮЮ ЯЯ", // capitals in a word in capitals
    "оа об ов ог од ое оё ож оз ои ой ок ол ом он оо оп ор ос от оу оф ох оц оч ош ощ оъ оы оь оэ ою оя", // after a vowel
    "ъа ъб ъв ъг ъд ъе ъё ъж ъз ъи ъй ък ъл ъм ън ъо ъп ър ъс ът ъу ъф ъх ъц ъч ъш ъщ ъъ ъы ъь ъэ ъю ъя", // after ъ
    "ьа ьб ьв ьг ьд ье ьё ьж ьз ьи ьй ьк ьл ьм ьн ьо ьп ьр ьс ьт ьу ьф ьх ьц ьч ьш ьщ ьъ ьы ьь ьэ ью ья", // after ь
    "ае бе ве ге де ее ёе же зе ие йе ке ле ме не ое пе ре се те уе фе хе це че ше ще ъе ые ье эе юе яе", // before е
    "аи би ви ги ди еи ёи жи зи ии йи ки ли ми ни ои пи ри си ти уи фи хи ци чи ши щи ъи ыи ьи эи юи яи", // before и
    "аы бы вы гы ды еы ёы жы зы иы йы кы лы мы ны оы пы ры сы ты уы фы хы цы чы шы щы ъы ыы ьы эы юы яы", // before ы
    "ай бй вй гй дй ей ёй жй зй ий йй кй лй мй нй ой пй рй сй тй уй фй хй цй чй шй щй ъй ый ьй эй юй яй", // before й
    "Щука ЩУКА Щ Ёлкин ЁЛКИН Подъезд Цыганов ЦЫГАНОВ Юрьев Соловьёв Объект Ель ЕЛЬ Шёлк Москва, 2009.", // names
    "abc где: «ёж» — 5 ц е", // mixed text
};
const char* const kIcao[] = {
    "abvgdeezhziiklmnoprstufkhtschshshchieyeiuia",
    "ABVGDEEZHZIIKLMNOPRSTUFKHTSCHSHSHCHIEYEIUIA",
    "a b v g d e e zh z i i k l m n o p r s t u f kh ts ch sh shch ie y  e iu ia",
    "A B V G D E E Zh Z I I K L M N O P R S T U F Kh Ts Ch Sh Shch Ie Y  E Iu Ia",
    "Aa Bb Vv Gg Dd Ee Ee Zhzh Zz Ii Ii Kk Ll Mm Nn Oo Pp Rr Ss Tt Uu Ff Khkh Tsts Chch Shsh Shchshch Ieie Yy  Ee Iuiu Iaia",
    "AA BB VV GG DD EE EE ZHZH ZZ II II KK LL MM NN OO PP RR SS TT UU FF KHKH TSTS CHCH SHSH SHCHSHCH IEIE YY  EE IUIU IAIA",
    "oa ob ov og od oe oe ozh oz oi oi ok ol om on oo op or os ot ou of okh ots och osh oshch oie oy o oe oiu oia",
    "iea ieb iev ieg ied iee iee iezh iez iei iei iek iel iem ien ieo iep ier ies iet ieu ief iekh iets iech iesh ieshch ieie iey ie iee ieiu ieia",
    "a b v g d e e zh z i i k l m n o p r s t u f kh ts ch sh shch ie y  e iu ia",
    "ae be ve ge de ee ee zhe ze ie ie ke le me ne oe pe re se te ue fe khe tse che she shche iee ye e ee iue iae",
    "ai bi vi gi di ei ei zhi zi ii ii ki li mi ni oi pi ri si ti ui fi khi tsi chi shi shchi iei yi i ei iui iai",
    "ay by vy gy dy ey ey zhy zy iy iy ky ly my ny oy py ry sy ty uy fy khy tsy chy shy shchy iey yy y ey iuy iay",
    "ai bi vi gi di ei ei zhi zi ii ii ki li mi ni oi pi ri si ti ui fi khi tsi chi shi shchi iei yi i ei iui iai",
    "Shchuka SHCHUKA Shch Elkin ELKIN Podieezd Tsyganov TSYGANOV Iurev Solovev Obieekt El EL Shelk Moskva, 2009.",
    "abc gde: «ezh» — 5 ts e",
};
const char* const kGost[] = {
    "abvgdeyozhzijklmnoprstufxczchshshh``y``e`yuya",
    "ABVGDEYOZHZIJKLMNOPRSTUFXCZCHSHSHH``Y``E`YUYA",
    "a b v g d e yo zh z i j k l m n o p r s t u f x cz ch sh shh `` y` ` e` yu ya",
    "A B V G D E Yo Zh Z I J K L M N O P R S T U F X Cz Ch Sh Shh `` Y` ` E` Yu Ya",
    "Aa Bb Vv Gg Dd Ee Yoyo Zhzh Zz Ii Jj Kk Ll Mm Nn Oo Pp Rr Ss Tt Uu Ff Xx Czcz Chch Shsh Shhshh ```` Y`y` `` E`e` Yuyu Yaya",
    "AA BB VV GG DD EE YOYO ZHZH ZZ II JJ KK LL MM NN OO PP RR SS TT UU FF XX CZCZ CHCH SHSH SHHSHH ```` Y`Y` `` E`E` YUYU YAYA",
    "oa ob ov og od oe oyo ozh oz oi oj ok ol om on oo op or os ot ou of ox ocz och osh oshh o`` oy` o` oe` oyu oya",
    "``a ``b ``v ``g ``d ``e ``yo ``zh ``z ``i ``j ``k ``l ``m ``n ``o ``p ``r ``s ``t ``u ``f ``x ``cz ``ch ``sh ``shh ```` ``y` ``` ``e` ``yu ``ya",
    "`a `b `v `g `d `e `yo `zh `z `i `j `k `l `m `n `o `p `r `s `t `u `f `x `cz `ch `sh `shh ``` `y` `` `e` `yu `ya",
    "ae be ve ge de ee yoe zhe ze ie je ke le me ne oe pe re se te ue fe xe ce che she shhe ``e y`e `e e`e yue yae",
    "ai bi vi gi di ei yoi zhi zi ii ji ki li mi ni oi pi ri si ti ui fi xi ci chi shi shhi ``i y`i `i e`i yui yai",
    "ay` by` vy` gy` dy` ey` yoy` zhy` zy` iy` jy` ky` ly` my` ny` oy` py` ry` sy` ty` uy` fy` xy` cy` chy` shy` shhy` ``y` y`y` `y` e`y` yuy` yay`",
    "aj bj vj gj dj ej yoj zhj zj ij jj kj lj mj nj oj pj rj sj tj uj fj xj cj chj shj shhj ``j y`j `j e`j yuj yaj",
    "Shhuka SHHUKA Shh Yolkin YOLKIN Pod``ezd Cy`ganov CY`GANOV Yur`ev Solov`yov Ob``ekt El` EL` Shyolk Moskva, 2009.",
    "abc gde: «yozh» — 5 cz e",
};
const char* const kBgn[] = {
    "abvgdeyëzhziyklmnoprstufkhtschshshch”y’eyuya",
    "ABVGDEYËZHZIYKLMNOPRSTUFKHTSCHSHSHCH”Y’EYUYA",
    "a b v g d ye yë zh z i y k l m n o p r s t u f kh ts ch sh shch ” y ’ e yu ya",
    "A B V G D Ye Yë Zh Z I Y K L M N O P R S T U F Kh Ts Ch Sh Shch ” Y ’ E Yu Ya",
    "Aa Bb Vv Gg Dd Yeye Yëyë Zhzh Zz Ii Yy Kk Ll Mm Nn Oo Pp Rr Ss Tt Uu Ff Khkh Tsts Chch Shsh Shchshch ”” Yy ’’ Ee Yuyu Yaya",
    "AA BB VV GG DD YEYE YËYË ZHZH ZZ II YY KK LL MM NN OO PP RR SS TT UU FF KHKH TSTS CHCH SHSH SHCHSHCH ”” YY ’’ EE YUYU YAYA",
    "oa ob ov og od oye oyë ozh oz oi oy ok ol om on oo op or os ot ou of okh ots och osh oshch o” oy o’ oe oyu oya",
    "”a ”b ”v ”g ”d ”ye ”yë ”zh ”z ”i ”y ”k ”l ”m ”n ”o ”p ”r ”s ”t ”u ”f ”kh ”ts ”ch ”sh ”shch ”” ”y ”’ ”e ”yu ”ya",
    "’a ’b ’v ’g ’d ’ye ’yë ’zh ’z ’i ’y ’k ’l ’m ’n ’o ’p ’r ’s ’t ’u ’f ’kh ’ts ’ch ’sh ’shch ’” ’y ’’ ’e ’yu ’ya",
    "aye be ve ge de yeye yëye zhe ze iye yye ke le me ne oye pe re se te uye fe khe tse che she shche ”ye yye ’ye eye yuye yaye",
    "ai bi vi gi di yei yëi zhi zi ii yi ki li mi ni oi pi ri si ti ui fi khi tsi chi shi shchi ”i yi ’i ei yui yai",
    "ay by vy gy dy yey yëy zhy zy iy yy ky ly my ny oy py ry sy ty uy fy khy tsy chy shy shchy ”y yy ’y ey yuy yay",
    "ay by vy gy dy yey yëy zhy zy iy yy ky ly my ny oy py ry sy ty uy fy khy tsy chy shy shchy ”y yy ’y ey yuy yay",
    "Shchuka SHCHUKA Shch Yëlkin YËLKIN Pod”yezd Tsyganov TSYGANOV Yur’yev Solov’yëv Ob”yekt Yel’ YEL’ Shëlk Moskva, 2009.",
    "abc gde: «yëzh» — 5 ts ye",
};
const char* const kIso9[] = {
    "abvgdeëžzijklmnoprstufhcčšŝʺyʹèûâ",
    "ABVGDEËŽZIJKLMNOPRSTUFHCČŠŜʺYʹÈÛÂ",
    "a b v g d e ë ž z i j k l m n o p r s t u f h c č š ŝ ʺ y ʹ è û â",
    "A B V G D E Ë Ž Z I J K L M N O P R S T U F H C Č Š Ŝ ʺ Y ʹ È Û Â",
    "Aa Bb Vv Gg Dd Ee Ëë Žž Zz Ii Jj Kk Ll Mm Nn Oo Pp Rr Ss Tt Uu Ff Hh Cc Čč Šš Ŝŝ ʺʺ Yy ʹʹ Èè Ûû Ââ",
    "AA BB VV GG DD EE ËË ŽŽ ZZ II JJ KK LL MM NN OO PP RR SS TT UU FF HH CC ČČ ŠŠ ŜŜ ʺʺ YY ʹʹ ÈÈ ÛÛ ÂÂ",
    "oa ob ov og od oe oë ož oz oi oj ok ol om on oo op or os ot ou of oh oc oč oš oŝ oʺ oy oʹ oè oû oâ",
    "ʺa ʺb ʺv ʺg ʺd ʺe ʺë ʺž ʺz ʺi ʺj ʺk ʺl ʺm ʺn ʺo ʺp ʺr ʺs ʺt ʺu ʺf ʺh ʺc ʺč ʺš ʺŝ ʺʺ ʺy ʺʹ ʺè ʺû ʺâ",
    "ʹa ʹb ʹv ʹg ʹd ʹe ʹë ʹž ʹz ʹi ʹj ʹk ʹl ʹm ʹn ʹo ʹp ʹr ʹs ʹt ʹu ʹf ʹh ʹc ʹč ʹš ʹŝ ʹʺ ʹy ʹʹ ʹè ʹû ʹâ",
    "ae be ve ge de ee ëe že ze ie je ke le me ne oe pe re se te ue fe he ce če še ŝe ʺe ye ʹe èe ûe âe",
    "ai bi vi gi di ei ëi ži zi ii ji ki li mi ni oi pi ri si ti ui fi hi ci či ši ŝi ʺi yi ʹi èi ûi âi",
    "ay by vy gy dy ey ëy žy zy iy jy ky ly my ny oy py ry sy ty uy fy hy cy čy šy ŝy ʺy yy ʹy èy ûy ây",
    "aj bj vj gj dj ej ëj žj zj ij jj kj lj mj nj oj pj rj sj tj uj fj hj cj čj šj ŝj ʺj yj ʹj èj ûj âj",
    "Ŝuka ŜUKA Ŝ Ëlkin ËLKIN Podʺezd Cyganov CYGANOV Ûrʹev Solovʹëv Obʺekt Elʹ ELʹ Šëlk Moskva, 2009.",
    "abc gde: «ëž» — 5 c e",
};
// clang-format on

struct SSchemeWords {
    ELatinScheme scheme;
    const char* name;
    const char* const* expected;
};
constexpr SSchemeWords kSchemes[] = {{ELatinScheme::kIcao, "icao", kIcao},
                                     {ELatinScheme::kGost, "gost", kGost},
                                     {ELatinScheme::kBgn, "bgn", kBgn},
                                     {ELatinScheme::kIso9, "iso9", kIso9}};
constexpr std::size_t kWordCount = std::size(kWords);
static_assert(std::size(kIcao) == kWordCount && std::size(kGost) == kWordCount &&
              std::size(kBgn) == kWordCount && std::size(kIso9) == kWordCount);

} // namespace

TEST(LatinSchemes, EveryLetterInEveryContext) {
    const CCharTable table;
    for (const SSchemeWords& scheme : kSchemes) {
        const ILatinSpelling& spelling = LatinSpelling(table, scheme.scheme);
        for (std::size_t i = 0; i < kWordCount; ++i) {
            std::u16string text = U16(kWords[i]);
            EXPECT_TRUE(spelling.ToLatin(text));
            EXPECT_EQ(U8(text), scheme.expected[i]) << scheme.name << ": " << kWords[i];
        }
    }
}

// A stream converts piece by piece; with the neighbours given, every cut gives the same text.
TEST(LatinSchemes, PiecesJoinUpToTheWhole) {
    const CCharTable table;
    for (const SSchemeWords& scheme : kSchemes) {
        const ILatinSpelling& spelling = LatinSpelling(table, scheme.scheme);
        for (std::size_t i = 0; i < kWordCount; ++i) {
            const std::u16string text = U16(kWords[i]);
            for (std::size_t cut = 0; cut <= text.size(); ++cut) {
                std::u16string out;
                spelling.AppendLatin(std::u16string_view(text).substr(0, cut), 0,
                                     cut < text.size() ? text[cut] : 0, out);
                spelling.AppendLatin(std::u16string_view(text).substr(cut), cut > 0 ? text[cut - 1] : 0, 0,
                                     out);
                ASSERT_EQ(U8(out), scheme.expected[i])
                    << scheme.name << " cut at " << cut << ": " << kWords[i];
            }
        }
    }
}

TEST(LatinSchemes, KeysAreTheUsersTable) {
    CCharTable table;
    table.SetDefaultKeys();
    table.ReadRowLabel(0, u"q");
    table.ReadRowLabel(22, u"x,h");
    table.ReadRowLabel(26, u"w");
    std::u16string text = u"Щука ах";
    EXPECT_TRUE(LatinSpelling(table, ELatinScheme::kKeys).ToLatin(text));
    EXPECT_EQ(U8(text), "Wukq qx");
    std::u16string empty;
    EXPECT_FALSE(LatinSpelling(table, ELatinScheme::kIcao).ToLatin(empty));
}

TEST(LatinSchemes, NamesAndStoredNumbers) {
    const struct {
        const char* name;
        bool known;
        ELatinScheme scheme;
    } names[] = {{"keys", true, ELatinScheme::kKeys}, {"icao", true, ELatinScheme::kIcao},
                 {"gost", true, ELatinScheme::kGost}, {"bgn", true, ELatinScheme::kBgn},
                 {"iso9", true, ELatinScheme::kIso9}, {"ICAO", false, ELatinScheme::kKeys},
                 {"iso", false, ELatinScheme::kKeys}, {"", false, ELatinScheme::kKeys}};
    for (const auto& row : names) {
        ELatinScheme scheme = ELatinScheme::kKeys;
        EXPECT_EQ(LatinSchemeFromName(row.name, scheme), row.known) << row.name;
        EXPECT_EQ(scheme, row.scheme) << row.name;
    }
    const std::array<std::pair<int, ELatinScheme>, 5> numbers = {{{-1, ELatinScheme::kKeys},
                                                                  {0, ELatinScheme::kKeys},
                                                                  {3, ELatinScheme::kBgn},
                                                                  {4, ELatinScheme::kIso9},
                                                                  {5, ELatinScheme::kKeys}}};
    for (const auto& [number, scheme] : numbers)
        EXPECT_EQ(LatinSchemeFromNumber(number), scheme) << number;
}

// A journal's header names a run's spelling by Describe(), the name --scheme takes back: every
// entry of the table must survive the round trip, and no two may share a name or an id.
TEST(LatinSchemes, TheTableNamesEachSchemeOnce) {
    CCharTable table;
    table.SetDefaultKeys();
    std::set<std::string_view> names;
    std::set<int> ids;
    for (const SLatinSchemeInfo& info : kLatinSchemes) {
        ELatinScheme scheme = ELatinScheme::kKeys;
        EXPECT_TRUE(LatinSchemeFromName(info.cliName, scheme) && scheme == info.scheme) << info.cliName;
        if (info.scheme != ELatinScheme::kKeys) {
            EXPECT_EQ(U8(LatinSpelling(table, info.scheme).Describe()), info.cliName);
        }
        EXPECT_TRUE(names.insert(info.cliName).second) << info.cliName;
        EXPECT_TRUE(ids.insert(info.nameString).second && ids.insert(info.menuCommand).second)
            << info.cliName;
        EXPECT_FALSE(info.description.empty()) << info.cliName;
    }
}

// Rows: а 0, е 5, ё 6, ж 7, з 8, й 10, о 15, с 18, х 22, ц 23, ч 24, ш 25, щ 26.
TEST(KeySequence, FirstKeysThatOtherKeysSpell) {
    CCharTable table;
    table.SetDefaultKeys();
    const struct {
        int row;
        std::vector<int> sequence;
    } rows[] = {{0, {}},        {6, {10, 15}},  {7, {8, 22}}, {24, {23, 22}},
                {25, {18, 22}}, {26, {25, 22}}, {22, {}},     {27, {}}};
    for (const auto& row : rows)
        EXPECT_EQ(table.FirstKeyAsSequence(row.row), row.sequence) << row.row;
    // Only first keys count: with "x" first for х, "sh" is no longer s + x.
    table.ReadRowLabel(22, u"x,h");
    EXPECT_EQ(table.FirstKeyAsSequence(25), std::vector<int>());
    EXPECT_EQ(table.FirstKeyAsSequence(-1), std::vector<int>());
}
