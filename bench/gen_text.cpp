// Writes N megabytes of Russian-looking UTF-8 prose to standard output, the same bytes every run.
#include "Utf8.h"

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: lt-gen-text MEGABYTES\n");
        return 2;
    }
    const std::size_t target = std::size_t(std::strtoul(argv[1], nullptr, 10)) << 20;
    const std::vector<std::u16string> words = {
        u"и",        u"в",         u"не",     u"на",      u"я",       u"что",     u"тот",       u"быть",
        u"с",        u"он",        u"а",      u"весь",    u"это",     u"как",     u"она",       u"по",
        u"но",       u"они",       u"к",      u"у",       u"ты",      u"из",      u"мы",        u"за",
        u"вы",       u"так",       u"же",     u"от",      u"сказать", u"этот",    u"который",   u"мочь",
        u"человек",  u"о",         u"один",   u"ещё",     u"бы",      u"такой",   u"только",    u"себя",
        u"своё",     u"какой",     u"когда",  u"уже",     u"для",     u"вот",     u"кто",       u"да",
        u"говорить", u"год",       u"знать",  u"мой",     u"до",      u"или",     u"если",      u"время",
        u"рука",     u"нет",       u"самый",  u"ни",      u"стать",   u"большой", u"даже",      u"другой",
        u"наш",      u"свой",      u"ну",     u"под",     u"где",     u"дело",    u"есть",      u"сам",
        u"раз",      u"чтобы",     u"два",    u"там",     u"чем",     u"глаз",    u"жизнь",     u"первый",
        u"день",     u"тут",       u"во",     u"ничто",   u"потом",   u"очень",   u"со",        u"хотеть",
        u"ли",       u"при",       u"голова", u"надо",    u"без",     u"видеть",  u"идти",      u"теперь",
        u"тоже",     u"стоять",    u"друг",   u"дом",     u"щука",    u"жук",     u"объект",    u"ёлка",
        u"мышь",     u"хлеб",      u"юг",     u"яма",     u"эхо",     u"счастье", u"щи",        u"чаща",
        u"подъезд",  u"Москва",    u"Россия", u"Щёлково", u"Эрмитаж", u"Юрий",    u"Ярославль", u"Жуковский",
        u"Чехов",    u"Шостакович"};
    std::mt19937 rng(2009);
    std::uniform_int_distribution<std::size_t> pick(0, words.size() - 1);
    std::uniform_int_distribution<int> sentence(4, 14), paragraph(2, 6);
    std::string out;
    std::size_t written = 0;
    while (written < target) {
        std::u16string para;
        for (int s = paragraph(rng); s > 0; --s) {
            const int n = sentence(rng);
            for (int w = 0; w < n; ++w) {
                std::u16string word = words[pick(rng)];
                if (w == 0 && word[0] >= u'а' && word[0] <= u'я')
                    word[0] = char16_t(word[0] - 0x20);
                para += word;
                para += w + 1 == n ? u". " : (w % 5 == 4 ? u", " : u" ");
            }
        }
        para += u"\n";
        out = Utf16ToUtf8(para);
        std::fwrite(out.data(), 1, out.size(), stdout);
        written += out.size();
    }
    return 0;
}
