// What a desktop user expects of the editor: printing at the real font size, Find and Replace,
// Redo, Alt with a letter, drag and drop.
#include "../common/GuiTestMain.h"
#include "CCharTable.h"
#include "CFindBar.h"
#include "CLtView.h"
#include "Modal.h"
#include "ResourceIds.h"
#include "Settings.h"

#include <QCheckBox>
#include <QLabel>
#include <QMimeData>

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

struct SWord {
    int page = 0;
    QRectF box; // points, from the page's top left
    QString text;
};

// The words of a PDF with their boxes, as poppler's pdftotext finds them.
QList<SWord> PdfWords(const QString& pdf) {
    QProcess process;
    process.start(u"pdftotext"_s, {u"-bbox"_s, pdf, u"-"_s});
    process.waitForFinished(30000);
    const QString html = QString::fromUtf8(process.readAllStandardOutput());
    static const QRegularExpression word(
        uR"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"_s);
    QList<SWord> words;
    int page = 0;
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(0).startsWith(u"<page"_s)) {
            ++page;
            continue;
        }
        words.append({page,
                      QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                             QPointF(m.captured(3).toDouble(), m.captured(4).toDouble())),
                      m.captured(5)});
    }
    return words;
}

// Drags data over the widget and drops it there, as the desktop's drag and drop does.
void DropOn(QWidget* target, const QMimeData* data) {
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(QPoint(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
}

} // namespace

class TestDesktopEditor : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { g_charTable.SetDefaultKeys(); }

    void init() {
        g_inRussian = true;
        m_settings.emplace();
        Modal::Intercept();
        m_view = new CLtView(*m_settings);
        m_view->resize(400, 300);
        m_view->show();
        m_view->setFocus();
    }

    void cleanup() {
        delete m_view;
        m_settings.reset();
        Modal::Reset();
    }

    void printsAtTheFontsRealSize_data() {
        QTest::addColumn<int>("pixels"); // the editor's font height on a 96-dpi screen
        QTest::addColumn<double>("points");
        QTest::newRow("12 px, 9 pt") << 12 << 9.0;
        QTest::newRow("16 px, 12 pt") << 16 << 12.0;
        QTest::newRow("32 px, 24 pt") << 32 << 24.0;
    }

    void printsAtTheFontsRealSize() {
        QFETCH(int, pixels);
        QFETCH(double, points);
        QFont font(u"DejaVu Sans"_s);
        font.setPixelSize(pixels);
        m_view->setFont(font);
        QString text;
        for (int i = 1; i <= 120; ++i)
            text += u"Строка %1 текста\n"_s.arg(i);
        // One paragraph far wider than the page: it wraps, never runs off the paper.
        text += u"длинное "_s.repeated(60);
        m_view->setPlainText(text);
        m_view->SetPrintTitle(u"письмо.txt"_s);

        QTemporaryDir dir;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(u"out.pdf"_s));
        printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                          QMarginsF(25, 20, 15, 20), QPageLayout::Millimeter));
        const int pages = m_view->PrintDocument(&printer);
        QVERIFY(pages > 1);

        const QList<SWord> words = PdfWords(dir.filePath(u"out.pdf"_s));
        QVERIFY(!words.isEmpty());
        const double left = 25 / 25.4 * 72, right = (210 - 15) / 25.4 * 72, top = 20 / 25.4 * 72;
        int lastPage = 0;
        bool sawSecondPageHeader = false;
        for (const SWord& w : words) {
            lastPage = std::max(lastPage, w.page);
            QVERIFY2(w.box.left() >= left - 1 && w.box.right() <= right + 1, qPrintable(w.text));
            QVERIFY2(w.box.top() >= top - 1, qPrintable(w.text));
            if (w.text == u"Строка"_s) // a body line is as high as its font, give or take leading
                QVERIFY2(w.box.height() > points * 0.9 && w.box.height() < points * 1.5,
                         qPrintable(u"%1 pt"_s.arg(w.box.height())));
            if (w.page == 2 && w.text == u"2"_s && w.box.top() < top + points * 2)
                sawSecondPageHeader = true;
        }
        QCOMPARE(lastPage, pages);
        QVERIFY(sawSecondPageHeader);
        QCOMPARE(words.first().text, u"письмо.txt"_s); // the header's title, top left
        QVERIFY(std::abs(words.first().box.left() - left) < 2);
    }

    void findAndReplaceOnRussianText_data() {
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<bool>("wholeWord");
        QTest::addColumn<QString>("result");
        const QString text = u"Привет, мир! Приветствие. ПРИВЕТ, привет"_s;
        QTest::newRow("any case, inside words") << false << false << u"ой, мир! ойствие. ой, ой"_s;
        QTest::newRow("whole words") << false << true << u"ой, мир! Приветствие. ой, ой"_s;
        QTest::newRow("match case") << true << false << u"Привет, мир! Приветствие. ПРИВЕТ, ой"_s;
        QTest::newRow("match case, whole words") << true << true << u"Привет, мир! Приветствие. ПРИВЕТ, ой"_s;
    }

    void findAndReplaceOnRussianText() {
        QFETCH(bool, matchCase);
        QFETCH(bool, wholeWord);
        QFETCH(QString, result);
        m_view->setPlainText(u"Привет, мир! Приветствие. ПРИВЕТ, привет"_s);
        CFindBar bar(m_view);
        bar.ShowFind(true);
        bar.MatchCase()->setChecked(matchCase);
        bar.WholeWord()->setChecked(wholeWord);
        // The fields type Cyrillic like the editor while the mode is on.
        QTest::keyClicks(bar.FindField(), u"privet"_s);
        QCOMPARE(bar.FindField()->text(), u"привет"_s);
        QTest::keyClick(bar.FindField(), Qt::Key_Q, Qt::AltModifier);
        QTest::keyClicks(bar.ReplaceField(), u"oj"_s);
        QCOMPARE(bar.ReplaceField()->text(), u"ой"_s);
        QVERIFY(bar.FindNext());
        QCOMPARE(m_view->textCursor().selectedText().toLower(), u"привет"_s);
        bar.ReplaceAll();
        QCOMPARE(m_view->toPlainText(), result);
        m_view->undo(); // all replacements are one step
        QCOMPARE(m_view->toPlainText(), u"Привет, мир! Приветствие. ПРИВЕТ, привет"_s);
    }

    void findNextWrapsAndReportsAbsence() {
        m_view->setPlainText(u"один два один"_s);
        CFindBar bar(m_view);
        g_inRussian = false;
        bar.ShowFind(false);
        bar.FindField()->setText(u"один"_s);
        QList<int> starts;
        for (int i = 0; i < 3; ++i) {
            QVERIFY(bar.FindNext());
            starts << m_view->textCursor().selectionStart();
        }
        QCOMPARE(starts, (QList<int>{0, 9, 0}));
        // Replace takes the selected match, then goes on to the next.
        bar.ReplaceField()->setText(u"три"_s);
        QVERIFY(bar.ReplaceNext());
        QCOMPARE(m_view->toPlainText(), u"три два один"_s);
        QCOMPARE(m_view->textCursor().selectionStart(), 8);
        bar.FindField()->setText(u"пять"_s);
        QVERIFY(!bar.FindNext());
        QCOMPARE(bar.Message()->text(), u"Cannot find \"пять\"."_s);
    }

    void redoAndAltLetters() {
        QTest::keyClicks(m_view, u"da"_s);
        QCOMPARE(m_view->toPlainText(), u"да"_s);
        m_view->undo();
        QCOMPARE(m_view->toPlainText(), u"д"_s);
        QVERIFY(m_view->document()->isRedoAvailable());
        m_view->redo();
        QCOMPARE(m_view->toPlainText(), u"да"_s);
        m_view->document()->setModified(false);
        // Alt with a letter no menu takes types nothing, in either mode.
        for (const bool russian : {true, false}) {
            g_inRussian = russian;
            QTest::keyClick(m_view, Qt::Key_Q, Qt::AltModifier);
            QTest::keyClick(m_view, Qt::Key_F, Qt::AltModifier);
        }
        QCOMPARE(m_view->toPlainText(), u"да"_s);
        QVERIFY(!m_view->document()->isModified());
    }

    void droppedFilesAreOpenedNotPasted() {
        QSignalSpy dropped(m_view, &CLtView::FilesDropped);
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(u"/tmp/a b.txt"_s), QUrl::fromLocalFile(u"/tmp/c.txt"_s)});
        DropOn(m_view->viewport(), &files);
        QCOMPARE(dropped.size(), 1);
        QCOMPARE(dropped[0][0].toStringList(), (QStringList{u"/tmp/a b.txt"_s, u"/tmp/c.txt"_s}));
        QVERIFY(m_view->toPlainText().isEmpty());
        // Dropped text is inserted.
        QMimeData text;
        text.setText(u"слово"_s);
        DropOn(m_view->viewport(), &text);
        QCOMPARE(m_view->toPlainText(), u"слово"_s);
        QCOMPARE(dropped.size(), 1);
    }

private:
    std::optional<CSettings> m_settings; // fresh for each test
    CLtView* m_view = nullptr;
};

int main(int argc, char** argv) {
    return RunGuiTest<TestDesktopEditor>(argc, argv);
}

#include "test_desktop.moc"
