// The editor view typed into as a user types: keys one by one, Esc, F4, double-clicks, the clipboard.
#include "EditorTest.h"

#include "../common/EncodedBytes.h"
#include "CCharTable.h"
#include "CFindBar.h"
#include "CLtView.h"
#include "CPrintRenderer.h"
#include "CTypingConverter.h"
#include "CodePage.h"
#include "LtMessageBox.h"
#include "ResourceIds.h"
#include "Settings.h"
#include "Sound.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QRandomGenerator>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <vector>

using namespace Qt::StringLiterals;

namespace {

void SelectRange(CLtView* view, int start, int end) {
    QTextCursor cursor = view->textCursor();
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    view->setTextCursor(cursor);
}

} // namespace

void TestEditorView::init() {
    g_inRussian = true;
    m_settings.emplace();
    m_view =
        new CLtView(*m_settings); // reads wrap, automatic clipboard and tab stops: nothing stored, defaults
    QCOMPARE(m_settings->wrapText.Value(), 1);
    QCOMPARE(m_settings->autoClip.Value(), 0);
    QCOMPARE(m_settings->tabStops.Value(), 4);
    m_view->resize(400, 300);
    m_view->show();
    m_view->setFocus();
    Modal::Intercept(); // no audio device in tests
}

void TestEditorView::cleanup() {
    delete m_view;
    m_view = nullptr;
    m_settings.reset();
    Modal::Reset();
    g_inRussian = true;
}

void TestEditorView::typing_data() {
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("text");
    QTest::newRow("privet") << "privet" << u"привет"_qs;
    QTest::newRow("Privet") << "Privet" << u"Привет"_qs;
    QTest::newRow("zhuk") << "zhuk" << u"жук"_qs;
    QTest::newRow("shh") << "shh" << u"щ"_qs;
    QTest::newRow("Shh") << "Shh" << u"Щ"_qs;
    QTest::newRow("sHh") << "sHh" << u"Щ"_qs;
    QTest::newRow("ob'ekt") << "ob'ekt" << u"объект"_qs;
    QTest::newRow("jo") << "jo" << u"ё"_qs;
    QTest::newRow("JO") << "JO" << u"Ё"_qs;
    QTest::newRow("je") << "je" << u"э"_qs;
    QTest::newRow("ja") << "ja" << u"я"_qs;
    QTest::newRow("w") << "w" << u"щ"_qs;
    QTest::newRow("x") << "x" << u"х"_qs;
    QTest::newRow("#") << "#" << u"ь"_qs;
    QTest::newRow("schi") << "schi" << u"счи"_qs;
    QTest::newRow("two lines") << "da\nnet" << u"да\nнет"_qs;
}

void TestEditorView::typing() {
    QFETCH(QString, keys);
    QFETCH(QString, text);
    TypeKeys(m_view, keys);
    QCOMPARE(m_view->toPlainText(), text);
    QCOMPARE(m_view->textCursor().position(), text.size());
}

void TestEditorView::latinModeTypesAsIs() {
    QTest::keyClick(m_view, Qt::Key_Escape);
    QVERIFY(!g_inRussian);
    QTest::keyClicks(m_view, "abc shh");
    QCOMPARE(m_view->toPlainText(), u"abc shh"_qs);
    // Back in Russian, a key continues what the text before the caret forms.
    QTest::keyClick(m_view, Qt::Key_Escape);
    QTest::keyClicks(m_view, "h");
    QCOMPARE(m_view->toPlainText(), u"abc shhх"_qs);
}

void TestEditorView::typingEqualsWholeTextConversion() {
    // Typing key by key must give what the whole-text conversion gives, for texts of every kind.
    const QString alphabet = u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ'#\" .,\n"_qs;
    QRandomGenerator random(20261207);
    for (int round = 0; round < 20; ++round) {
        QString keys;
        const int length = 1 + static_cast<int>(random.bounded(60));
        for (int i = 0; i < length; ++i)
            keys += alphabet[static_cast<int>(random.bounded(alphabet.size()))];
        m_view->clear();
        TypeKeys(m_view, keys);
        const QString expected =
            QString::fromStdU16String(ConvertToCyrillic(g_charTable, keys.toStdU16String()));
        QCOMPARE(m_view->toPlainText(), expected);
    }
}

void TestEditorView::typingMidTextUsesOnlyTheKeysBefore() {
    QTest::keyClicks(m_view, "s");
    QTest::keyClick(m_view, Qt::Key_Escape);
    QTest::keyClicks(m_view, " tail");
    QTest::keyClick(m_view, Qt::Key_Escape);
    QTextCursor cursor = m_view->textCursor();
    cursor.setPosition(1);
    m_view->setTextCursor(cursor);
    QTest::keyClicks(m_view, "h");
    QCOMPARE(m_view->toPlainText(), u"ш tail"_qs);
    QCOMPARE(m_view->textCursor().position(), 1);
}

void TestEditorView::undoTakesBackKeyWithItsLetter() {
    QTest::keyClicks(m_view, "sh");
    QCOMPARE(m_view->toPlainText(), u"ш"_qs);
    QTest::keyClick(m_view, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(m_view->toPlainText(), u"с"_qs);
    QTest::keyClick(m_view, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(m_view->toPlainText(), QString());
}

// The find bar's fields type through the editor's rule: one undo step a key, the typing sound.
void TestEditorView::findFieldTypesLikeTheEditor() {
    CFindBar bar(m_view);
    m_settings->beep.Set(15);
    Modal::Record().sounds.clear();
    QTest::keyClicks(bar.FindField(), "sh");
    QCOMPARE(bar.FindField()->text(), u"ш"_qs);
    QCOMPARE(Modal::Record().sounds, (std::vector<int>{158, 158}));
    QTest::keyClick(bar.FindField(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(bar.FindField()->text(), u"с"_qs);
}

void TestEditorView::modeKeys() {
    QSignalSpy spy(m_view, &CLtView::RussianModeChanged);
    QTest::keyClick(m_view, Qt::Key_Escape, Qt::ControlModifier);
    QVERIFY(g_inRussian);
    QTest::keyClick(m_view, Qt::Key_Escape);
    QVERIFY(!g_inRussian);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.last().at(0).toBool(), false);
    QCOMPARE(m_view->toPlainText(), QString()); // Esc types nothing

    // Ctrl+Shift toggles only with "KeysCtrlShift"; Ctrl+A is select all, never a conversion.
    // Shift pressed while Ctrl is down: QTest presses Ctrl first, which alone toggles nothing.
    QTest::keyPress(m_view, Qt::Key_Shift, Qt::ControlModifier);
    QTest::keyRelease(m_view, Qt::Key_Shift, Qt::ControlModifier);
    QVERIFY(!g_inRussian);
    m_settings->keysCtrlShift.Set(1);
    QTest::keyPress(m_view, Qt::Key_Shift, Qt::ControlModifier);
    QTest::keyRelease(m_view, Qt::Key_Shift, Qt::ControlModifier);
    QVERIFY(g_inRussian);
    QTest::keyClicks(m_view, "s");
    QTest::keyClick(m_view, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(m_view->textCursor().selectedText(), u"с"_qs);
    QVERIFY(g_inRussian);
    m_view->ToggleRussianMode();
    QVERIFY(!g_inRussian);
}

void TestEditorView::greyBackgroundFollowsMode() {
    const QColor grey(191, 191, 191);
    QCOMPARE(m_view->palette().color(QPalette::Base), grey);
    QTest::keyClick(m_view, Qt::Key_Escape);
    QVERIFY(m_view->palette().color(QPalette::Base) != grey);
    // Changed in the settings dialog: the editor follows at once.
    m_settings->blueOrig.Set(1);
    QCOMPARE(m_view->palette().color(QPalette::Base), grey);
}

void TestEditorView::viewFollowsWrapAndTabWidth() {
    m_settings->wrapText.Set(0);
    QCOMPARE(m_view->lineWrapMode(), QPlainTextEdit::NoWrap);
    m_settings->tabStops.Set(6);
    QCOMPARE(m_view->tabStopDistance(), qreal(6 * m_view->fontMetrics().averageCharWidth()));
    // 0 is one character on screen, as on paper (Qt alone would make it 80 pixels).
    m_settings->tabStops.Set(0);
    QCOMPARE(m_view->tabStopDistance(), qreal(m_view->fontMetrics().averageCharWidth()));
    QCOMPARE(TabStopDistance(0, 7), TabStopDistance(1, 7));
}

void TestEditorView::sounds() {
    std::vector<int>& played = Modal::Record().sounds;
    // The default 2: typing silent, the mode switches sound.
    QTest::keyClicks(m_view, "ab");
    QTest::keyClick(m_view, Qt::Key_Escape);
    QTest::keyClick(m_view, Qt::Key_Escape);
    QCOMPARE(played, (std::vector<int>{207, 204}));
    played.clear();
    m_settings->beep.Set(15);
    QTest::keyClicks(m_view, "ab");
    QTest::keyClick(m_view, Qt::Key_Backspace);
    QCOMPARE(played, (std::vector<int>{158, 158}));
    played.clear();
    m_settings->beep.Set(1);
    QTest::keyClick(m_view, Qt::Key_Escape);
    QTest::keyClicks(m_view, "ab"); // no typing sound with the mode off
    QCOMPARE(played, (std::vector<int>{207}));
    played.clear();
    m_settings->beep.Set(0);
    QTest::keyClick(m_view, Qt::Key_Escape);
    QTest::keyClicks(m_view, "ab");
    QCOMPARE(played, (std::vector<int>{}));
    QCOMPARE(WaveForSoundCode(2), 0);
}

void TestEditorView::typingHasNoLimit() {
    // 2.5 M characters in lines of 64: one huge line would only measure the line layout.
    const QString text = (QString(63, u'a') + u'\n').repeated(2'500'000 / 64) + u's';
    m_view->setPlainText(text);
    m_view->moveCursor(QTextCursor::End);
    QTest::keyClicks(m_view, "h da");
    QVERIFY(m_view->toPlainText().size() > text.size() + 2);
    QVERIFY2(m_view->toPlainText().endsWith(u" да"_qs), qPrintable(m_view->toPlainText().right(8)));
}

void TestEditorView::convertThereAndBack() {
    QTest::keyClick(m_view, Qt::Key_Escape);
    QTest::keyClicks(m_view, "Ja pishu privet");
    SelectRange(m_view, 3, 15);
    m_view->OnEditConvert();
    QCOMPARE(m_view->toPlainText(), u"Ja пишу привет"_qs);
    QCOMPARE(m_view->textCursor().selectedText(), u"пишу привет"_qs);
    m_view->OnEditConvert();
    QCOMPARE(m_view->toPlainText(), u"Ja pishu privet"_qs);
    QTest::keyClick(m_view, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(m_view->toPlainText(), u"Ja пишу привет"_qs);
    QTest::keyClick(m_view, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(m_view->toPlainText(), u"Ja pishu privet"_qs);
}

void TestEditorView::convertDirectionAndEdges() {
    QTest::keyClick(m_view, Qt::Key_Escape);
    // Judged by the first non-blank character; the text before the selection takes no part.
    m_view->setPlainText(u"s  hut\nda"_qs);
    SelectRange(m_view, 1, 9);
    m_view->OnEditConvert();
    QCOMPARE(m_view->toPlainText(), u"s  хут\nда"_qs);
    // "." belongs to both sides: nothing happens.
    m_view->setPlainText(u".shuba"_qs);
    m_view->selectAll();
    m_view->OnEditConvert();
    QCOMPARE(m_view->toPlainText(), u".shuba"_qs);
    m_view->setPlainText(u"   "_qs);
    m_view->selectAll();
    m_view->OnEditConvert();
    QCOMPARE(m_view->toPlainText(), u"   "_qs);
    // Nothing selected: the command does nothing (the frame keeps its action off then).
    m_view->setPlainText(u"abc"_qs);
    m_view->OnEditConvert();
    QCOMPARE(m_view->toPlainText(), u"abc"_qs);
}

void TestEditorView::doubleClickSelectsWord() {
    const auto clickAt = [this](int pos) {
        QTextCursor cursor = m_view->textCursor();
        cursor.setPosition(pos);
        const QPoint point = m_view->cursorRect(cursor).center() + QPoint(1, 0);
        // A double click is a click and then the double-click event; QTest sends only the latter.
        QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {}, point);
        QTest::mouseDClick(m_view->viewport(), Qt::LeftButton, {}, point);
        return m_view->textCursor().selectedText();
    };
    m_view->setPlainText(u"one tw-o,three\nfour(five)"_qs);
    QCOMPARE(clickAt(5), u"tw-o"_qs);
    QCOMPARE(clickAt(17), u"four"_qs);
    m_view->setPlainText(u"abcdef"_qs);
    QCOMPARE(clickAt(2), u"abcdef"_qs);
}

void TestEditorView::pasteRepairsEightBitCyrillic() {
    const QString sentence = u"Съешь же ещё этих мягких французских булок, да выпей чаю"_qs;
    for (const unsigned codePage : {kCodePageKoi8r, kCodePage866, kCodePage1251}) {
        const QByteArray bytes = EncodedBytes(codePage, sentence);
        auto* data = new QMimeData;
        data->setData(u"text/plain"_qs, bytes);
        QApplication::clipboard()->setMimeData(data);
        m_view->clear();
        m_view->OnEditPaste();
        QCOMPARE(m_view->toPlainText(), sentence);
        // The clipboard is left as it was.
        QCOMPARE(QApplication::clipboard()->mimeData()->data(u"text/plain"_qs), bytes);
    }
    // 1251 bytes offered as X11 STRING, which arrives as Latin-1 text.
    QApplication::clipboard()->setText(QString::fromLatin1(EncodedBytes(kCodePage1251, sentence)));
    m_view->clear();
    m_view->OnEditPaste();
    QCOMPARE(m_view->toPlainText(), sentence);
    // UTF-8 text pastes as it is; so does Latin-1 text that is no Russian.
    QApplication::clipboard()->setText(u"Grüße, café"_qs);
    m_view->clear();
    m_view->OnEditPaste();
    QCOMPARE(m_view->toPlainText(), u"Grüße, café"_qs);
    QApplication::clipboard()->setText(sentence);
    m_view->clear();
    m_view->OnEditPaste();
    QCOMPARE(m_view->toPlainText(), sentence);
}

void TestEditorView::copy1251RoundTrip() {
    m_view->setPlainText(u"Привет, мир"_qs);
    SelectRange(m_view, 0, 6);
    m_view->OnEditCopy1251();
    QCOMPARE(QApplication::clipboard()->mimeData()->data(u"text/plain;charset=windows-1251"_qs),
             EncodedBytes(kCodePage1251, u"Привет"_qs));
    QCOMPARE(QApplication::clipboard()->text(), u"Привет"_qs); // other programs paste the text
    m_view->moveCursor(QTextCursor::End);
    m_view->OnEditPaste();
    QCOMPARE(m_view->toPlainText(), u"Привет, мирПривет"_qs);
}

void TestEditorView::copyKeepsEveryCharacter() {
    const QString text = u"10\u00A0000\u2028руб.\nдва"_qs;
    m_view->setPlainText(text);
    m_view->selectAll();
    m_view->copy();
    QCOMPARE(QApplication::clipboard()->text(), text);
}

void TestEditorView::autoClipOnFocusLoss() {
    m_view->setPlainText(u"whole text"_qs);
    QApplication::clipboard()->clear();
    QFocusEvent menuOut(QEvent::FocusOut, Qt::PopupFocusReason);
    QFocusEvent windowOut(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(m_view, &windowOut);
    QCOMPARE(QApplication::clipboard()->text(), QString()); // off by default
    m_settings->autoClip.Set(1);
    QApplication::sendEvent(m_view, &menuOut);
    QCOMPARE(QApplication::clipboard()->text(), QString()); // a menu borrows the focus only
    QApplication::sendEvent(m_view, &windowOut);
    QCOMPARE(QApplication::clipboard()->text(), u"whole text"_qs);
    QCOMPARE(m_view->textCursor().selectedText(), u"whole text"_qs);
    m_view->ToggleAutoClip();
    QCOMPARE(m_settings->autoClip.Value(), 0);
}

void TestEditorView::wordWrapKeepsTabStops() {
    m_settings->tabStops.Set(6);
    m_view->ApplyTabStops();
    const qreal width = 6 * m_view->fontMetrics().averageCharWidth();
    QCOMPARE(m_view->tabStopDistance(), width);
    QCOMPARE(m_view->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    m_view->ToggleWordWrap();
    QCOMPARE(m_settings->wrapText.Value(), 0);
    QCOMPARE(m_view->lineWrapMode(), QPlainTextEdit::NoWrap);
    QCOMPARE(m_view->tabStopDistance(), width);
    QFont font = m_view->font();
    font.setPointSize(font.pointSize() + 8);
    m_view->setFont(font);
    QCOMPARE(m_view->tabStopDistance(), qreal(6 * m_view->fontMetrics().averageCharWidth()));
}

void TestEditorView::storedSettingsAreRead() {
    {
        QSettings settings(u"ZDK"_s, u"Lt"_s);
        settings.setValue(u"Settings/TabStops"_s, 7);
        settings.setValue(u"Settings/WrapText"_s, 0);
    }
    CLtView view(*m_settings);
    QCOMPARE(view.lineWrapMode(), QPlainTextEdit::NoWrap);
    QCOMPARE(view.tabStopDistance(), qreal(7 * view.fontMetrics().averageCharWidth()));
    {
        QSettings settings(u"ZDK"_s, u"Lt"_s);
        settings.setValue(u"Settings/TabStops"_s, 25);
    }
    CLtView outOfRange(*m_settings);
    QCOMPARE(outOfRange.tabStopDistance(), qreal(4 * outOfRange.fontMetrics().averageCharWidth()));
    QSettings(u"ZDK"_s, u"Lt"_s).remove(u"Settings"_s);
    m_settings->wrapText.Set(1);
}

void TestEditorView::contextMenuGreysWithoutSelection() {
    m_settings->checkSpelling.Set(0); // the menu without a misspelt word's part (see test_spelling)
    QMenu* menu = m_view->ContextMenu();
    for (const int id : {kCmdEditCut, kCmdEditCopy, kCmdEditPaste, kCmdEditConvert, kCmdViewRussian})
        menu->addAction(QString::number(id))->setData(id);
    const auto states = [&] {
        std::vector<bool> enabled;
        QTimer::singleShot(0, menu, [&] {
            for (QAction* action : menu->actions())
                enabled.push_back(action->isEnabled());
            menu->close();
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), m_view->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(m_view->viewport(), &event);
        return enabled;
    };
    m_view->setPlainText(u"abc"_qs);
    QCOMPARE(states(), (std::vector<bool>{false, false, true, false, true}));
    QVERIFY(menu->actions().back()->isChecked());
    m_view->selectAll();
    QCOMPARE(states(), (std::vector<bool>{true, true, true, true, true}));
}

void TestEditorView::repairEncoding() {
    const QString damaged = u"Hello\nÐ¿Ñ€Ð¸Ð²ÐµÑ‚, Ð¼Ð¸Ñ€\nÏðèâåò\nGrüße"_qs;
    m_view->setPlainText(damaged);
    QVERIFY(m_view->OnEditRepairEncoding()); // no selection: the whole text
    QCOMPARE(m_view->toPlainText(), u"Hello\nпривет, мир\nПривет\nGrüße"_qs);
    QCOMPARE(m_view->textCursor().selectedText().size(), m_view->toPlainText().size());
    m_view->undo(); // one step back
    QCOMPARE(m_view->toPlainText(), damaged);
    SelectRange(m_view, 6, 18); // the first damaged word only
    QVERIFY(m_view->OnEditRepairEncoding());
    QCOMPARE(m_view->toPlainText(), u"Hello\nпривет, Ð¼Ð¸Ñ€\nÏðèâåò\nGrüße"_qs);
    QCOMPARE(m_view->textCursor().selectedText(), u"привет"_qs);
    Modal::NextMessageBoxAnswer(QMessageBox::Ok);
    m_view->setPlainText(u"Grüße, Привет"_qs);
    QVERIFY(!m_view->OnEditRepairEncoding());
    QCOMPARE(Modal::Record().messageBoxes.size(), 1);
    QCOMPARE(m_view->toPlainText(), u"Grüße, Привет"_qs);
}
