#!/usr/bin/python3
"""Builds the corpus of bench/judgement from text the project did not write: the translation
catalogues Debian packages ship under /usr/share/locale, fortune cookies (fortunes-ru,
fortunes-de, fortunes-min) and hunspell dictionaries (hunspell-ru, hunspell-uk, hunspell-fr).

    corpus.py OUT_DIR

writes OUT_DIR/clean/LANG.txt (distinct clean lines, one a line) and OUT_DIR/damaged/KIND.txt
(pairs of lines: the damaged line, then the line it was made from). Deterministic.
"""
import gettext
import glob
import os
import random
import sys

LANGUAGES = ["ru", "uk", "be", "sr", "bg", "de", "fr", "es", "pl", "cs", "el", "it"]
PER_LANGUAGE = 60000
PER_KIND = 20000


def decode8(data, codec):
    """Bytes read with an 8-bit code page as Windows reads them: a byte the code page leaves
    undefined stands for the code point of its value."""
    out = []
    for b in data:
        try:
            out.append(bytes([b]).decode(codec))
        except UnicodeDecodeError:
            out.append(chr(b))
    return "".join(out)


def catalogue_lines(lang):
    for path in sorted(glob.glob("/usr/share/locale/%s/LC_MESSAGES/*.mo" % lang)):
        try:
            with open(path, "rb") as f:
                catalogue = gettext.GNUTranslations(f)._catalog
        except Exception:
            continue
        for key, value in catalogue.items():
            if key in ("", ("", 0)) or not isinstance(value, str):
                continue
            yield from value.splitlines()


def fortune_lines(folder):
    for path in sorted(glob.glob(folder + "/*")):
        if path.endswith(".dat") or path.endswith(".u8") or os.path.islink(path) or os.path.isdir(path):
            continue
        with open(path, encoding="utf-8", errors="strict") as f:
            try:
                yield from f.read().splitlines()
            except UnicodeDecodeError:
                continue


def dictionary_words(path):
    if not os.path.exists(path):
        return
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f.read().splitlines()[1:]:
            yield line.split("/")[0]


def clean(line):
    line = line.strip()
    if not line or any(ord(c) < 0x20 or 0x7F <= ord(c) < 0xA0 for c in line):
        return None
    return line


ABBREVIATIONS = """РФ РСФСР СССР ООО ОАО ЗАО ПАО НДС ВВП МВД ФСБ ГИБДД МГУ ВУЗ США ЕС ООН НАТО ТВ ПК
ИНН КПП ОГРН БИК ЖКХ ДТП ЧП ИП СМИ ЦБ РАН МЧС ФИО ЛДПР КПРФ ГУМ ЦУМ МКАД РЖД ВДВ ВМФ ТАСС РИА
АО НИИ КГБ ЦРУ ФРГ ГДР ЮАР ОАЭ КНР КНДР ЕГЭ ОГЭ ПТУ ЗАГС ДНК ВИЧ СПИД ОРВИ ЭКГ УЗИ МРТ ГОСТ
ТЭЦ АЭС ГЭС ЛЭП ЖД АТС ИТ ОС ПО БД ЭВМ ЧГК КВН ОМОН СНГ ФНС ПФР ФСС ОМС ДМС РЖД СНИЛС ЁЁ ЁЖ""".split()
# A second list, written apart from the first: bodies, schools, regions, technical terms.
MORE_ABBREVIATIONS = """МИД ГАИ ОТК ЦК КПСС ВЛКСМ ЦСКА СКА ЖЭК ДОСААФ МФТИ МИФИ ВШЭ РГГУ АПК ВПК ОПК ЕЭС ЦФО СЗФО ЮФО
ДФО УФО ПФО СКФО ХМАО ЯНАО ЛНР ДНР РБК НТВ ОРТ РТР СТС ТНТ ГТРК ВГТРК МТС ЖЭУ ТСЖ УК ГК АК НК ТК
СК ГПК УПК ФЗ ЦИК ГД СФ ВС КС ФАС ФСИН ФМС ФСО ГРУ СВР МВФ ВТО ВОЗ МОК ФИФА УЕФА НХЛ КХЛ НБА РПЛ
ЧМ ОИ ЧЕ ЮНЕСКО ЮНИСЕФ ОБСЕ ЕАЭС ШОС БРИКС ОДКБ АСЕАН ОПЕК НЛО ЭЭГ КТ ПЭТ МСКТ ЛОР ЦНС ЖКТ ОРЗ
ВВС ПВО РВСН БТР БМП ЗРК ПЗРК РСЗО ПМ ТТ СВД ГЛОНАСС МКС ЦУП НПО КБ ОКБ ЦАГИ АПН ИТАР ЖЗЛ БСЭ
СМС ММС ПИН ПДД ГСМ АЗС СТО ГАЗ ВАЗ КАМАЗ ЗИЛ УАЗ ПАЗ МАЗ ЛАЗ ЕРЦ МФЦ ПФ ТФОМС ОКВЭД ОКПО КБК
УСН ЕНВД НДФЛ ЕГРЮЛ ЕГРИП ЕГРН БТИ ЖСК ДДУ ИЖС СНТ ДНТ ГСК ЧОП ЧОО ТОО ИЧП ГУП МУП ФГУП ФГБУ ГБУ
МБОУ СОШ ДОУ ДЮСШ ПМЖ ВНЖ РВП ЗП ЧК ВЧК НКВД ОГПУ ГПУ МГБ ГУЛАГ СМЕРШ РККА ВКП РСДРП ЦП ОЗУ ПЗУ
ЖК ЭЛТ ГРЭС ТЭС ВЭС СЭС ЖБИ ЖБК ДСП ДВП МДФ ОСБ ПВХ ПНД ПЭ ПП ТЦ ТРЦ ТРК БЦ МЦК МЦД ЗСД КАД ВДНХ
ВВЦ ЦДХ ГТГ ГМИИ БДТ МДТ ТЮЗ МХАТ ГИТИС ВГИК МГИМО РУДН МГТУ МАИ МЭИ ЛЭТИ ЛГУ ТГУ НГУ КФУ ДВФУ
СФУ ЮФУ САФУ БФУ ЯГУ АСУ САПР ЧПУ ПЛК ИБП БП ЖКИ СВЧ УКВ ДВ КВ СВ АМ ВЧ НЧ ПЧ ЭДС КПД ТВС АБС
ГУР ДВС АКПП МКПП ГБО ОСАГО КАСКО ПТС ВУ МРОТ ВРИО ИО ЗАМ ГЕНДИР ЧСВ ЗОЖ ПГТ РОНО ГОРОНО ОБЖ ИЗО
ФИЗРА КВД ЦРБ ФАП ЛФК УФМС ЗАКС СПБ ЕКБ НСК ОКР ВКР НИР НИОКР ТЗ ПЗ ЧТЗ ЛТД ГИПХ ВНИИ ЦНИИ НИЦ
ИКИ ИПМ ВЦ ИВЦ АСУТП КИП КИПИА ППР ТБ ОТ ЯО АЭ ЭВ ЕВ ЯП ЯВУ ОП ОК ОДН ИВЛ ЭКО ПЦР ВПЧ АД ЧСС ЖЕЛ
СОЭ АЛТ АСТ ТТГ ЛПУ ВОП ФАПЧ""".split()


def main(out):
    random.seed(28)
    os.makedirs(out + "/clean", exist_ok=True)
    os.makedirs(out + "/damaged", exist_ok=True)
    sources = {lang: list(catalogue_lines(lang)) for lang in LANGUAGES}
    sources["ru"] += list(fortune_lines("/usr/share/games/fortunes/ru"))
    sources["ru"] += list(dictionary_words("/usr/share/hunspell/ru_RU.dic"))
    sources["uk"] += list(dictionary_words("/usr/share/hunspell/uk_UA.dic"))
    sources["fr"] += list(dictionary_words("/usr/share/hunspell/fr_FR.dic"))
    sources["de"] += list(fortune_lines("/usr/share/games/fortunes/de"))
    sources["en"] = list(fortune_lines("/usr/share/games/fortunes"))
    russian = set()
    for lang, lines in sources.items():
        seen = sorted({c for c in (clean(line) for line in lines) if c})
        if lang == "ru":
            russian = seen
        random.shuffle(seen)
        with open("%s/clean/%s.txt" % (out, lang), "w", encoding="utf-8") as f:
            f.write("".join(line + "\n" for line in seen[:PER_LANGUAGE]))
    with open(out + "/clean/ru-abbreviations.txt", "w", encoding="utf-8") as f:
        for a in ABBREVIATIONS:
            for form in ("%s", "%s РФ", "НДС 20%%", "«%s»", "ООО «%s»", "в %s", "%s:", "(%s)", "%s и %s"):
                f.write((form.replace("%s", a) if "%s" in form else form.replace("%%", "%")) + "\n")
    with open(out + "/clean/ru-abbreviations-more.txt", "w", encoding="utf-8") as f:
        for a in MORE_ABBREVIATIONS:
            for form in ("%s", "%s РФ", "«%s»", "в %s", "%s:", "(%s)", "%s и %s", "у %s"):
                f.write(form.replace("%s", a) + "\n")

    def utf8_as(codec):
        return lambda s: decode8(s.encode("utf-8"), codec)

    def code_page_as(origin, codec):
        return lambda s: decode8(s.encode(origin), codec)

    def twice(inner, outer):
        return lambda s: utf8_as(outer)(utf8_as(inner)(s))

    kinds = {
        "utf8-as-1252": utf8_as("cp1252"),
        "utf8-as-1251": utf8_as("cp1251"),
        "utf8-as-koi8r": utf8_as("koi8_r"),
        "utf8-as-866": utf8_as("cp866"),
        "utf8-as-latin1": utf8_as("latin-1"),
        "1251-as-1252": code_page_as("cp1251", "cp1252"),
        "1251-as-latin1": code_page_as("cp1251", "latin-1"),
        "1251-as-koi8r": code_page_as("cp1251", "koi8_r"),
        "koi8r-as-1251": code_page_as("koi8_r", "cp1251"),
        "866-as-1251": code_page_as("cp866", "cp1251"),
        "twice-1252-1252": twice("cp1252", "cp1252"),
        "twice-1251-1252": twice("cp1251", "cp1252"),
        "twice-koi8r-1252": twice("koi8_r", "cp1252"),
        "twice-866-1252": twice("cp866", "cp1252"),
    }
    # Lines long enough to be told from an abbreviation: three letters or more of Russian.
    material = [s for s in russian if sum(1 for c in s if "а" <= c.lower() <= "я" or c in "ёЁ") >= 3]
    random.shuffle(material)
    for kind, damage in kinds.items():
        with open("%s/damaged/%s.txt" % (out, kind), "w", encoding="utf-8") as f:
            written = 0
            for line in material:
                if written == PER_KIND:
                    break
                try:
                    damaged = damage(line)
                except UnicodeEncodeError:
                    continue
                if damaged == line or "\n" in damaged or "\r" in damaged or "\x85" in damaged:
                    continue
                f.write(damaged + "\n" + line + "\n")
                written += 1


if __name__ == "__main__":
    main(sys.argv[1])
