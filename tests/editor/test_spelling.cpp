// Spelling as you type: the marks, the context menu's part, the personal list, the dictionaries'
// encodings.
#include "../common/GuiTestMain.h"

#include "CCharTable.h"
#include "CLtDoc.h"
#include "CLtView.h"
#include "CSpellChecker.h"
#include "Settings.h"
#include "TextEncoding.h"

#include <QMenu>
#include <QTextBlock>
#include <QTextLayout>

#include <optional>

namespace {

// The underlined words of the text, in order.
QStringList MarkedWords(const QTextDocument* doc) {
    QStringList words;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        for (const QTextLayout::FormatRange& range : block.layout()->formats()) {
            if (range.format.underlineStyle() == QTextCharFormat::SpellCheckUnderline)
                words << block.text().mid(range.start, range.length);
        }
    }
    return words;
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

bool Installed(const char* name) {
    return QFile::exists(u"/usr/share/hunspell/"_qs + QLatin1StringView(name) + u".dic"_qs);
}

#define NEED_DICTIONARIES()                                                                                  \
    if (!Installed("ru_RU") || !Installed("en_US"))                                                          \
    QSKIP("hunspell-ru or hunspell-en-us is not installed")

} // namespace

class TestSpelling : public QObject {
    Q_OBJECT

private slots:
    void init() {
        g_inRussian = false;
        m_settings.emplace();
        m_view = new CLtView(*m_settings);
        m_view->resize(500, 300);
        m_view->show();
        m_settings->checkSpelling.Set(1);
    }
    void cleanup() {
        delete m_view;
        m_view = nullptr;
        m_settings.reset();
        g_inRussian = true;
    }

    void marksMisspeltWords_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("marked");
        QTest::newRow("ru") << u"Привет, превед мир"_qs << QStringList{u"превед"_qs};
        QTest::newRow("en") << u"Hello helo world"_qs << QStringList{u"helo"_qs};
        QTest::newRow("both") << u"мир helo, превед world"_qs << QStringList{u"helo"_qs, u"превед"_qs};
        QTest::newRow("mixed scripts, digits") << u"hеllo abc123 превед2"_qs << QStringList{};
        QTest::newRow("hyphen, apostrophe") << u"кто-то don't"_qs << QStringList{};
    }
    void marksMisspeltWords() {
        NEED_DICTIONARIES();
        QFETCH(QString, text);
        QFETCH(QStringList, marked);
        m_view->setPlainText(text);
        QCOMPARE(MarkedWords(m_view->document()), marked);
    }

    // Far blocks wait until they are scrolled to.
    void onlyBlocksNearTheViewAreChecked() {
        NEED_DICTIONARIES();
        m_view->setPlainText(u"helo\n"_qs.repeated(5000));
        const QTextDocument* doc = m_view->document();
        const auto marked = [doc](int block) {
            return !doc->findBlockByNumber(block).layout()->formats().isEmpty();
        };
        QVERIFY(marked(0));
        QVERIFY(!marked(4999));
        m_view->moveCursor(QTextCursor::End);
        QTRY_VERIFY(marked(4999));
        QVERIFY(MarkedWords(doc).size() < 1000);
    }

    void settingTogglesMarks() {
        NEED_DICTIONARIES();
        m_view->setPlainText(u"helo превед"_qs);
        QCOMPARE(MarkedWords(m_view->document()).size(), 2);
        m_view->ToggleSpelling();
        QCOMPARE(m_settings->checkSpelling.Value(), 0);
        QVERIFY(MarkedWords(m_view->document()).isEmpty());
        m_view->ToggleSpelling();
        QCOMPARE(MarkedWords(m_view->document()).size(), 2);
    }

    // A word cut where a long line is shown in pieces is only a part of a word.
    void wordAtPieceSeamUnmarked() {
        NEED_DICTIONARIES();
        CLtDoc doc;
        doc.SetView(m_view);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"long.txt"_qs);
        WriteBytes(path, (u"helo "_qs + QString(15000, u'x') + u" превед\n"_qs).toUtf8());
        QVERIFY(doc.OnOpenDocument(path));
        QCOMPARE(m_view->document()->blockCount(), 3);
        QTRY_COMPARE(MarkedWords(m_view->document()), (QStringList{u"helo"_qs, u"превед"_qs}));
    }

    void retypedAndConvertedTextIsChecked() {
        NEED_DICTIONARIES();
        g_inRussian = true;
        QTest::keyClicks(m_view, u"preved"_qs);
        QVERIFY(MarkedWords(m_view->document()).isEmpty()); // still being typed
        QTest::keyClick(m_view, Qt::Key_Home);
        QCOMPARE(MarkedWords(m_view->document()), QStringList{u"превед"_qs});
        m_view->clear();
        QTest::keyClicks(m_view, u"slovo "_qs);
        QCOMPARE(m_view->toPlainText(), u"слово "_qs);
        QVERIFY(MarkedWords(m_view->document()).isEmpty());
        m_view->selectAll();
        m_view->OnEditConvert();
        QCOMPARE(MarkedWords(m_view->document()), QStringList{u"slovo"_qs});
    }

    void suggestionReplacesInOneUndoStep() {
        NEED_DICTIONARIES();
        m_view->setPlainText(u"a helo world"_qs);
        QMenu menu;
        QVERIFY(m_view->AddSpellingActions(&menu, 4));
        QVERIFY(!m_view->AddSpellingActions(&menu, 9)); // "world" is right
        const QList<QAction*> actions = menu.actions();
        QVERIFY(actions.size() >= 5 && actions.size() <= 7 + 4); // suggestions, |, Add, Ignore, |
        const QString first = actions[0]->text();
        QVERIFY(!first.isEmpty() && first != u"helo"_qs);
        actions[0]->trigger();
        QCOMPARE(m_view->toPlainText(), u"a "_qs + first + u" world"_qs);
        m_view->undo();
        QCOMPARE(m_view->toPlainText(), u"a helo world"_qs);
    }

    void addToDictionaryPersistsIgnoreDoesNot() {
        NEED_DICTIONARIES();
        m_view->setPlainText(u"zorblaxian qwertzuiop"_qs);
        QCOMPARE(MarkedWords(m_view->document()).size(), 2);
        QMenu add, ignore;
        QVERIFY(m_view->AddSpellingActions(&add, 2));
        QVERIFY(m_view->AddSpellingActions(&ignore, 13));
        add.actions()[add.actions().size() - 3]->trigger();
        ignore.actions()[ignore.actions().size() - 2]->trigger();
        QVERIFY(MarkedWords(m_view->document()).isEmpty());
        QFile list(CSpellChecker::PersonalListPath());
        QVERIFY(list.open(QIODevice::ReadOnly));
        QCOMPARE(list.readAll(), QByteArray("zorblaxian\n"));
        CSpellChecker next; // a later session
        QVERIFY(next.IsCorrect(u"zorblaxian"_qs));
        QVERIFY(next.IsCorrect(u"Zorblaxian"_qs)); // at the start of a sentence
        QVERIFY(!next.IsCorrect(u"qwertzuiop"_qs));
    }

    // Dictionaries in 8-bit encodings take and give words in them.
    void eightBitDictionaries() {
        QTemporaryDir dir;
        const auto encoded = [](const QString& text, ETextEncoding encoding) {
            const std::string bytes = EncodeText(text.toStdU16String(), {encoding, false}).bytes;
            return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
        };
        WriteBytes(dir.filePath(u"ru_RU.aff"_qs), "SET KOI8-R\nTRY оеаинтсрвл\n");
        WriteBytes(dir.filePath(u"ru_RU.dic"_qs), encoded(u"2\nпривет\nёлка\n"_qs, ETextEncoding::kKoi8r));
        WriteBytes(dir.filePath(u"en_US.aff"_qs), "SET ISO8859-1\nTRY eacf\n");
        WriteBytes(dir.filePath(u"en_US.dic"_qs), u"1\ncafé\n"_qs.toLatin1());
        CSpellChecker checker(dir.path());
        QVERIFY(checker.HasDictionary());
        QVERIFY(checker.IsCorrect(u"привет"_qs));
        QVERIFY(checker.IsCorrect(u"ёлка"_qs));
        QVERIFY(!checker.IsCorrect(u"превед"_qs));
        QVERIFY(checker.IsCorrect(u"café"_qs));
        QVERIFY(!checker.IsCorrect(u"cafe"_qs));
        QVERIFY(checker.IsCorrect(u"caféŁ"_qs)); // no Latin-1 letter: the dictionary cannot say
        QCOMPARE(checker.Suggestions(u"привт"_qs), QStringList{u"привет"_qs});
        QCOMPARE(checker.Suggestions(u"cafe"_qs), QStringList{u"café"_qs});
    }

    void missingDictionaryChecksNothing() {
        QTemporaryDir dir;
        CSpellChecker checker(dir.path());
        QVERIFY(!checker.HasDictionary());
        QVERIFY(checker.IsCorrect(u"превед"_qs));
        QVERIFY(checker.Suggestions(u"helo"_qs).isEmpty());
    }

private:
    std::optional<CSettings> m_settings;
    CLtView* m_view = nullptr;
};

int main(int argc, char** argv) {
    QTemporaryDir home;
    if (!PreparePrivateGuiEnvironment(home))
        return 2;
    // The personal word list too.
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + u"/data"_qs));
    QApplication app(argc, argv);
    g_charTable.SetDefaultKeys();
    TestSpelling test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_spelling.moc"
