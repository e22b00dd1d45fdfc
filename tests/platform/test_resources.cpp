// The resource modules: the language switch, and every module complete, consistent with English
// and holding pictures and sounds that decode.
#include "CResourceModuleGui.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtEndian>

#include <algorithm>
#include <functional>
#include <iterator>
#include <map>
#include <ostream>
#include <set>
#include <string>

// Readable failure messages for texts.
void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

std::string U8(const QString& text) {
    return text.toStdString();
}

// The ids one list has and the other lacks, for a failure message that names them.
std::string Difference(const std::vector<int>& a, const std::vector<int>& b) {
    std::vector<int> only;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(only));
    std::string text;
    for (int id : only)
        text += std::to_string(id) + " ";
    return text;
}

const CResourceModule& Module(ELanguage language) {
    EXPECT_TRUE(SetCurrentResources(language));
    return CurrentResources();
}

QString BuiltModuleFile(const char* name) {
    return QDir(QCoreApplication::applicationDirPath()).filePath(name);
}

// A popup's shape: command ids, 0 for a separator, -1 for a popup of its own.
std::vector<int> Shape(const SMenuItem& popup) {
    std::vector<int> shape;
    for (const SMenuItem& item : popup.items)
        shape.push_back(item.separator ? 0 : item.items.empty() ? item.id : -1);
    return shape;
}

void ForEachItem(const std::vector<SMenuItem>& items, const std::function<void(const SMenuItem&)>& visit) {
    for (const SMenuItem& item : items) {
        visit(item);
        ForEachItem(item.items, visit);
    }
}

} // namespace

// Declared first: it needs both language files still unloaded, which holds when the whole suite
// runs in one process and when each test runs on its own.
TEST(LanguageSwitch, LoadsOnceAndKeepsTheCurrentLanguageWhenAFileFails) {
    ASSERT_EQ(ResourceLoadCount(kLangRussian), 0);
    ASSERT_EQ(ResourceLoadCount(kLangGerman), 0);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SetResourceFolder(dir.path());
    struct SDefaultFolderAgain {
        ~SDefaultFolderAgain() { SetResourceFolder(QString()); } // also when an assertion ends the test
    } defaultFolderAgain;

    EXPECT_FALSE(SetCurrentResources(kLangRussian)); // no file at all
    EXPECT_EQ(CurrentResources().Language(), kLangEnglish);
    EXPECT_EQ(U8(CurrentResources().String(57345)), "Ready");

    QFile junk(dir.filePath("Res_RU.rcc"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a resource file");
    junk.close();
    EXPECT_FALSE(SetCurrentResources(kLangRussian));
    ASSERT_TRUE(junk.remove());
    // A German module under the Russian name must not pass for Russian.
    ASSERT_TRUE(QFile::copy(BuiltModuleFile("Res_DE.rcc"), dir.filePath("Res_RU.rcc")));
    EXPECT_FALSE(SetCurrentResources(kLangRussian));
    EXPECT_EQ(ResourceLoadCount(kLangRussian), 0);
    ASSERT_TRUE(QFile::remove(dir.filePath("Res_RU.rcc")));

    ASSERT_TRUE(QFile::copy(BuiltModuleFile("Res_DE.rcc"), dir.filePath("Res_DE.rcc")));
    ASSERT_TRUE(SetCurrentResources(kLangGerman));
    EXPECT_EQ(U8(CurrentResources().String(57345)), "Bereit");
    EXPECT_FALSE(SetCurrentResources(kLangRussian)); // still missing: German stays
    EXPECT_EQ(CurrentResources().Language(), kLangGerman);
    EXPECT_EQ(U8(CurrentResources().String(57345)), "Bereit");

    // The default search finds the files beside the program.
    SetResourceFolder(QString());
    ASSERT_TRUE(SetCurrentResources(kLangRussian));
    EXPECT_EQ(U8(CurrentResources().String(57345)), "Готово");
    for (ELanguage language : {kLangEnglish, kLangGerman, kLangRussian, kLangGerman, kLangRussian})
        ASSERT_TRUE(SetCurrentResources(language));
    EXPECT_EQ(ResourceLoadCount(kLangRussian), 1);
    EXPECT_EQ(ResourceLoadCount(kLangGerman), 1);
    EXPECT_EQ(ResourceLoadCount(kLangEnglish), 0); // built in, never a file
    ASSERT_TRUE(SetCurrentResources(kLangEnglish));
    EXPECT_EQ(U8(CurrentResources().String(57345)), "Ready");
}

TEST(EnglishModule, TextsKeepTheirSeparatorsAndSpacing) {
    const CResourceModule& en = Module(kLangEnglish);
    EXPECT_EQ(U8(en.String(128)),
              "Lettrino 2.7\nText\nLettr\nText Files (*.txt)\n.txt\nLettr.Document\nLettr Document");
    EXPECT_EQ(U8(en.String(130)),
              "OLE initialization failed.  Make sure that the OLE libraries are the correct version.");
    EXPECT_EQ(U8(en.String(32778)), "Write in Russian\nRussian ( Esc )");
    EXPECT_EQ(U8(en.String(32773)), "Show or hide the panel 'Toolkit'\nInstrument");
    EXPECT_EQ(U8(en.String(57344)), "Lt");
    EXPECT_EQ(U8(en.String(kStrProgressCancel)), " Cancel ");
    EXPECT_EQ(U8(en.Dialog(210).title), "Set  Path");
    EXPECT_EQ(U8(en.Dialog(100).controls.at(1042)), "E-mail: ");
    const char* const columns[] = {"Filename", "Translit", "Album", "Artist",
                                   "Comment",  "Title",    "Year",  "Composer"};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(U8(en.String(132 + i)), columns[i]);
    EXPECT_EQ(U8(en.String(141)), "Orig. artist");
}

TEST(EnglishModule, MenusHaveTheirItemsInOrder) {
    const CResourceModule& en = Module(kLangEnglish);
    const std::vector<SMenuItem> main = en.Menu(128);
    ASSERT_EQ(main.size(), 5u);
    EXPECT_EQ(U8(main[0].text), "&File");
    EXPECT_EQ(Shape(main[0]), (std::vector<int>{57600, 57601, 57603, 57604, 33600, 33601, 0, 57607, 57609,
                                                57606, 0, 32891, 0, 32795, 0, 57616, 0, 57665}));
    EXPECT_EQ(Shape(main[1]), (std::vector<int>{57643, 33703, 0, 57635, 57634, 57637, 32879, 0, 57642, 0,
                                                33700, 33701, 33702, 33704, 0, 32868, 33602, 0, 33710}));
    EXPECT_EQ(Shape(main[2]),
              (std::vector<int>{-1, 0, 59392, 59393, 32773, 0, 32778, 0, 32771, 0, 32867, 32881}));
    EXPECT_EQ(Shape(main[2].items[0]), (std::vector<int>{32882, 32883, 32884}));
    EXPECT_EQ(U8(main[2].items[0].items[1].text), "&Русский");
    EXPECT_EQ(Shape(main[3]), (std::vector<int>{32887, 32892, 33400})); // ..., Undo Last Run
    EXPECT_EQ(Shape(main[4]), (std::vector<int>{57664}));

    const std::vector<SMenuItem> popups = en.Menu(139);
    ASSERT_EQ(popups.size(), 2u);
    EXPECT_EQ(U8(popups[0].text), "List");
    EXPECT_EQ(Shape(popups[0]), (std::vector<int>{32786, 0, 32787, 0, -1}));
    EXPECT_EQ(Shape(popups[0].items[4]), (std::vector<int>{33900, 33901, 33902, 33903, 33904}));
    EXPECT_EQ(U8(popups[1].text), "View");
    EXPECT_EQ(Shape(popups[1]),
              (std::vector<int>{57635, 57634, 57637, 0, 57642, 0, 32868, 0, 32778, 0, 32771, 0, 32891}));
    EXPECT_EQ(U8(popups[1].items[8].text), "In &Russian\t( Esc )");

    EXPECT_EQ(en.ToolbarButtons(128), (std::vector<int>{57600, 57601, 57603, 0, 57635, 57634, 57637, 0, 32778,
                                                        32868, 32773, 0, 57609, 57607, 0, 32891, 0, 57664}));
    EXPECT_EQ(en.ToolbarButtons(129), en.ToolbarButtons(128));
    EXPECT_EQ(en.Accelerators(128).size(), 23u);
}

class EveryModule : public testing::TestWithParam<ELanguage> {};

// The menu texts' shortcut part must name the key the accelerator table really binds; translators
// write "Strg" in German, which is the same key.
TEST_P(EveryModule, MenuShortcutsAgreeWithTheAccelerators) {
    const CResourceModule& module = Module(GetParam());
    std::multimap<int, QString> keys;
    for (const SAccelerator& accelerator : module.Accelerators(128))
        keys.emplace(accelerator.id, accelerator.key.toString(QKeySequence::PortableText));
    int checked = 0;
    ForEachItem(module.Menu(128), [&](const SMenuItem& item) {
        const qsizetype tab = item.text.indexOf(QLatin1Char('\t'));
        if (tab < 0 || keys.count(item.id) == 0)
            return;
        QString shown = item.text.mid(tab + 1);
        shown.replace(QStringLiteral("Strg+"), QStringLiteral("Ctrl+"));
        bool bound = false;
        for (auto [it, end] = keys.equal_range(item.id); it != end; ++it)
            bound = bound || it->second == shown;
        EXPECT_TRUE(bound) << U8(item.text);
        ++checked;
    });
    // New, Open, Save, Print, Undo, Redo, Cut, Copy, Paste, Copy as Windows-1251, Find, Find Next,
    // Replace, Go to Line, Convert
    EXPECT_EQ(checked, 15);
}

// A letter used twice in one popup makes its Alt key useless.
TEST_P(EveryModule, MnemonicsAreUniqueWithinEachPopup) {
    const CResourceModule& module = Module(GetParam());
    std::vector<SMenuItem> popups = module.Menu(139);
    popups.push_back(SMenuItem{0, QString(), false, module.Menu(128)}); // the menu bar and all below it
    std::function<void(const SMenuItem&)> check = [&](const SMenuItem& popup) {
        std::set<QChar> used;
        for (const SMenuItem& item : popup.items) {
            const QString text = QString(item.text).remove(QStringLiteral("&&"));
            if (text.count(QLatin1Char('&')) > 1)
                ADD_FAILURE() << "two mnemonics in " << U8(item.text);
            const qsizetype amp = text.indexOf(QLatin1Char('&'));
            if (amp >= 0 && amp + 1 < text.size()) {
                EXPECT_TRUE(used.insert(text[amp + 1].toLower()).second)
                    << U8(text[amp + 1]) << " twice in " << U8(popup.text);
            }
            if (!item.items.empty())
                check(item);
        }
    };
    for (const SMenuItem& popup : popups)
        check(popup);
}

TEST_P(EveryModule, PicturesAndSoundsDecodeAtTheirSizes) {
    const CResourceModule& module = Module(GetParam());
    const struct {
        int id;
        int width, height;
        bool animated;
    } gifs[] = {{189, 66, 51, true}, {195, 32, 32, true}, {199, 32, 32, false}};
    for (const auto& gif : gifs) {
        QByteArray data = module.Gif(gif.id);
        QBuffer buffer(&data);
        QImageReader reader(&buffer, "gif");
        ASSERT_TRUE(reader.canRead()) << gif.id;
        EXPECT_EQ(reader.imageCount() > 1, gif.animated) << gif.id;
        int frames = 0;
        for (QImage frame = reader.read(); !frame.isNull(); frame = reader.read(), ++frames)
            EXPECT_EQ(frame.size(), QSize(gif.width, gif.height)) << gif.id;
        EXPECT_EQ(frames, std::max(reader.imageCount(), 1)) << gif.id << ": a frame failed to decode";
    }

    EXPECT_EQ(module.Bitmap(2001).size(), QSize(293, 169));
    EXPECT_EQ(module.Bitmap(213).size(), QSize(15 * 17, 16));
    EXPECT_FALSE(module.Bitmap(188).isNull());
    EXPECT_FALSE(module.Bitmap(189).isNull());
    EXPECT_EQ(module.Icon(128).size(), QSize(32, 32));
    const QImage cursor = module.Cursor(133);
    ASSERT_EQ(cursor.size(), QSize(32, 32));
    const QPoint hotSpot(cursor.text(QStringLiteral("HotSpotX")).toInt(),
                         cursor.text(QStringLiteral("HotSpotY")).toInt());
    EXPECT_TRUE(cursor.rect().contains(hotSpot));
    EXPECT_GT(qAlpha(cursor.pixel(hotSpot)), 0) << "the hot spot lies outside the hand";

    for (int id : {128, 129}) {
        const std::vector<int> items = module.ToolbarButtons(id);
        const auto buttons = static_cast<int>(items.size() - std::count(items.begin(), items.end(), 0));
        const int side = id == 128 ? 32 : 16;
        EXPECT_EQ(module.Toolbar(id).size(), QSize(buttons * side, side)) << id;
        EXPECT_EQ(module.Bitmap(id), module.Toolbar(id));
    }

    // Sounds play synchronously while the user types, so they must be short PCM.
    for (int id : {143, 158, 204, 207}) {
        const QByteArray wave = module.Wave(id);
        ASSERT_GE(wave.size(), 44) << id;
        EXPECT_TRUE(wave.startsWith("RIFF") && wave.mid(8, 8) == "WAVEfmt ") << id;
        const auto* header = reinterpret_cast<const uchar*>(wave.constData());
        EXPECT_EQ(qFromLittleEndian<quint16>(header + 20), 1) << id; // PCM
        const auto bytesPerSecond = qFromLittleEndian<quint32>(header + 28);
        const auto dataBytes = qFromLittleEndian<quint32>(header + 40);
        ASSERT_GT(bytesPerSecond, 0u);
        EXPECT_GT(dataBytes, 0u);
        EXPECT_LE(dataBytes * 1000 / bytesPerSecond, 300u) << id;
    }

    EXPECT_TRUE(module.Gif(1).isEmpty());
    EXPECT_TRUE(module.Wave(1).isEmpty());
    EXPECT_TRUE(module.Bitmap(1).isNull());
    EXPECT_TRUE(module.String(1).isEmpty());
    EXPECT_TRUE(module.Menu(1).empty());
}

// The character list draws bitmap 135 with pure green as its mask colour and relies on each row's
// bottom line to separate the lines; the folder pictures of 213 use white as the mask.
TEST_P(EveryModule, ImageStripsKeepTheirMasksAndCells) {
    const CResourceModule& module = Module(GetParam());
    const QImage chars = module.Bitmap(135).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(chars.size(), QSize(35 * 32, 17));
    for (int cell = 0; cell < 35; ++cell) {
        int blue = 0;
        for (int y = 0; y < 17; ++y) {
            for (int x = cell * 32; x < cell * 32 + 32; ++x) {
                const QRgb pixel = chars.pixel(x, y);
                EXPECT_NE(pixel, qRgb(0, 255, 0));
                if (y == 16)
                    EXPECT_EQ(pixel, qRgb(0, 0, 0)) << "cell " << cell;
                else if (qBlue(pixel) > qRed(pixel) + 60)
                    ++blue;
            }
        }
        EXPECT_GT(blue, 3) << "cell " << cell << " shows no character";
    }
    const QImage tree = module.Bitmap(213).convertToFormat(QImage::Format_RGB32);
    for (int cell = 0; cell < 15; ++cell) {
        int drawn = 0;
        for (int y = 0; y < 16; ++y) {
            for (int x = cell * 17; x < cell * 17 + 17; ++x)
                drawn += tree.pixel(x, y) != qRgb(255, 255, 255);
        }
        EXPECT_GT(drawn, 40) << "cell " << cell;
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, EveryModule, testing::Values(kLangEnglish, kLangRussian, kLangGerman),
                         [](const testing::TestParamInfo<ELanguage>& info) {
                             return info.param == kLangEnglish   ? std::string("English")
                                    : info.param == kLangRussian ? std::string("Russian")
                                                                 : std::string("German");
                         });

class Translation : public testing::TestWithParam<ELanguage> {};

// Every resource English has, the translation has under the same number, and nothing else: a
// mistyped number would be a text nobody asks for, and a missing one an empty label.
TEST_P(Translation, HoldsExactlyTheIdsOfEnglish) {
    const CResourceModule& en = Module(kLangEnglish);
    const CResourceModule& other = Module(GetParam());
    for (EResourceType type : {kResString, kResMenu, kResAccelerators, kResToolbarButtons, kResDialog,
                               kResGif, kResWave, kResBitmap, kResToolbar, kResIcon, kResCursor}) {
        const std::vector<int> enIds = en.Ids(type), otherIds = other.Ids(type);
        EXPECT_FALSE(enIds.empty()) << type;
        EXPECT_TRUE(otherIds == enIds)
            << "resource type " << type << ": missing " << Difference(enIds, otherIds) << "; unknown "
            << Difference(otherIds, enIds);
    }
    EXPECT_EQ(other.StringIds(), other.Ids(kResString));
    for (int id : en.Ids(kResDialog)) {
        std::vector<int> enControls, otherControls;
        for (const auto& [control, text] : en.Dialog(id).controls)
            enControls.push_back(control);
        for (const auto& [control, text] : other.Dialog(id).controls)
            otherControls.push_back(control);
        EXPECT_EQ(otherControls, enControls) << "dialog " << id;
    }
    for (int id : {128, 139}) {
        const std::vector<SMenuItem> enMenu = en.Menu(id), otherMenu = other.Menu(id);
        ASSERT_EQ(otherMenu.size(), enMenu.size());
        for (std::size_t i = 0; i < enMenu.size(); ++i) {
            EXPECT_EQ(Shape(otherMenu[i]), Shape(enMenu[i])) << "menu " << id << " popup " << i;
            for (std::size_t j = 0; j < enMenu[i].items.size() && j < otherMenu[i].items.size(); ++j)
                EXPECT_EQ(Shape(otherMenu[i].items[j]), Shape(enMenu[i].items[j]));
        }
    }
    const auto pairs = [](const std::vector<SAccelerator>& table) {
        std::vector<std::pair<int, QString>> list;
        for (const SAccelerator& accelerator : table)
            list.emplace_back(accelerator.id, accelerator.key.toString(QKeySequence::PortableText));
        return list;
    };
    EXPECT_EQ(pairs(other.Accelerators(128)), pairs(en.Accelerators(128)));
    EXPECT_EQ(other.ToolbarButtons(128), en.ToolbarButtons(128));
}

// Texts the program splits or fills in must keep their fields: the prompt's status part and
// tooltip, the seven document fields, the "%1" of messages, the shortcut after the tab.
TEST_P(Translation, KeepsFieldsPlaceholdersAndShortcuts) {
    const CResourceModule& en = Module(kLangEnglish);
    const CResourceModule& other = Module(GetParam());
    for (int id : en.StringIds()) {
        const QString text = other.String(id);
        EXPECT_FALSE(text.trimmed().isEmpty()) << id;
        EXPECT_EQ(text.count(QLatin1Char('\n')), en.String(id).count(QLatin1Char('\n'))) << id;
        EXPECT_EQ(text.count(QStringLiteral("%1")), en.String(id).count(QStringLiteral("%1"))) << id;
    }
    EXPECT_EQ(other.String(128).split(QLatin1Char('\n')).mid(4, 2),
              en.String(128).split(QLatin1Char('\n')).mid(4, 2))
        << "extension and type name are no texts to translate";
    for (int id : {128, 139}) {
        std::vector<const SMenuItem*> enItems, otherItems;
        const std::vector<SMenuItem> enMenu = en.Menu(id), otherMenu = other.Menu(id);
        ForEachItem(enMenu, [&](const SMenuItem& item) { enItems.push_back(&item); });
        ForEachItem(otherMenu, [&](const SMenuItem& item) { otherItems.push_back(&item); });
        ASSERT_EQ(otherItems.size(), enItems.size());
        for (std::size_t i = 0; i < enItems.size(); ++i) {
            if (enItems[i]->separator)
                continue;
            EXPECT_FALSE(otherItems[i]->text.isEmpty());
            EXPECT_EQ(otherItems[i]->text.contains(QLatin1Char('\t')),
                      enItems[i]->text.contains(QLatin1Char('\t')))
                << U8(otherItems[i]->text);
        }
    }
}

// A text left in English is a text a translator forgot; only names, addresses and a few
// conventional words are the same in every language.
TEST_P(Translation, TranslatesEveryText) {
    const std::set<QString> same = {"Lt",
                                    "lettrino@example.org",
                                    "https://example.org/lettrino",
                                    "CAP",
                                    "NUM",
                                    "SCRL",
                                    "Album",
                                    "OK",
                                    "List1",
                                    "&English",
                                    "&Русский",
                                    "&Deutsch",
                                    "List",
                                    "View",
                                    "ICAO", // the standard spellings' own names
                                    "GOST 7.79-B",
                                    "BGN/PCGN",
                                    "ISO 9",
                                    ""};
    const CResourceModule& en = Module(kLangEnglish);
    const CResourceModule& other = Module(GetParam());
    for (int id : en.StringIds()) {
        if (!same.count(en.String(id))) {
            EXPECT_NE(other.String(id), en.String(id)) << "string " << id;
        }
    }
    for (int id : en.Ids(kResDialog)) {
        const SDialogTexts enDialog = en.Dialog(id), otherDialog = other.Dialog(id);
        if (!same.count(enDialog.title)) {
            EXPECT_NE(otherDialog.title, enDialog.title) << "dialog " << id;
        }
        for (const auto& [control, text] : enDialog.controls) {
            if (!same.count(text) && otherDialog.controls.count(control)) {
                EXPECT_NE(otherDialog.controls.at(control), text)
                    << "dialog " << id << " control " << control;
            }
        }
    }
    std::vector<QString> enTexts, otherTexts;
    for (int id : {128, 139}) {
        ForEachItem(en.Menu(id), [&](const SMenuItem& item) { enTexts.push_back(item.text); });
        ForEachItem(other.Menu(id), [&](const SMenuItem& item) { otherTexts.push_back(item.text); });
    }
    ASSERT_EQ(otherTexts.size(), enTexts.size());
    for (std::size_t i = 0; i < enTexts.size(); ++i) {
        if (!same.count(enTexts[i])) {
            EXPECT_NE(otherTexts[i], enTexts[i]);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, Translation, testing::Values(kLangRussian, kLangGerman),
                         [](const testing::TestParamInfo<ELanguage>& info) {
                             return info.param == kLangRussian ? std::string("Russian")
                                                               : std::string("German");
                         });

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
