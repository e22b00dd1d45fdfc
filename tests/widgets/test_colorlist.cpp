// The colour list draws what its codes and rows say (read back from the pixels), keeps its grid
// at the first column count, and gives its cells to the tag operations like the plain table does.
#include "CColorListCtrl.h"
#include "WidgetsTests.h"

#include <QHeaderView>
#include <QImage>
#include <QTest>

namespace {

// Wide strokes in full blocks, so that some pixels of each cell carry the exact text colour.
const QString kInk = QStringLiteral("\u2588\u2588\u2588");

struct SListFixture {
    CColorListCtrl list;

    explicit SListFixture(int rows) {
        QFont big = list.font();
        big.setPixelSize(14);
        list.setFont(big);
        list.verticalHeader()->setDefaultSectionSize(22);
        for (int column = 0; column < 3; ++column)
            list.InsertColumn(column, QStringLiteral("Column %1").arg(column), 80);
        for (int row = 0; row < rows; ++row) {
            list.InsertItem(row, kInk);
            list.SetItemText(row, 1, kInk);
            list.SetItemText(row, 2, kInk);
        }
        list.resize(400, 260);
        list.show();
    }

    QImage Shot() { return list.grab().toImage().convertToFormat(QImage::Format_RGB32); }

    // The cell's rectangle in the list's own coordinates.
    QRect Cell(int row, int column) const {
        const QRect inView = list.visualRect(list.model()->index(row, column));
        return QRect(list.viewport()->mapTo(&list, inView.topLeft()), inView.size());
    }
};

bool Holds(const QImage& image, const QRect& area, QColor colour) {
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.pixelColor(x, y) == colour)
                return true;
        }
    }
    return false;
}

// A pixel of the row's background: in the cell, just inside its left edge, above the text.
QColor Background(const QImage& image, const QRect& cell) {
    return image.pixelColor(cell.left() + 1, cell.top() + 1);
}

// The same contract through ICellGrid, whatever holds the cells.
void CheckGrid(ICellGrid& grid) {
    QCOMPARE(grid.RowCount(), 2);
    grid.SetCellText(1, 2, QStringLiteral("Artist"));
    grid.SetCellCode(1, 2, 4);
    QCOMPARE(grid.CellText(1, 2), QStringLiteral("Artist"));
    QCOMPARE(grid.CellCode(1, 2), 4);
    grid.SetCellCode(0, 0, 256 + 9); // one byte
    QCOMPARE(grid.CellCode(0, 0), 9);
    // Outside the table nothing is stored and nothing breaks.
    grid.SetCellText(2, 0, QStringLiteral("x"));
    grid.SetCellText(0, 3, QStringLiteral("x"));
    grid.SetCellCode(-1, 0, 4);
    QCOMPARE(grid.CellText(2, 0), QString());
    QCOMPARE(grid.CellText(0, 3), QString());
    QCOMPARE(grid.CellCode(-1, 0), 0);
    QCOMPARE(grid.CellCode(0, 3), 0);
}

} // namespace

class TestColorList : public QObject {
    Q_OBJECT

private slots:
    void colourTable_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("0 black") << 0 << QColor(0, 0, 0);
        QTest::newRow("4 red") << 4 << QColor(255, 0, 0);
        QTest::newRow("8 navy") << 8 << QColor(0, 0, 128);
        QTest::newRow("9 dark green") << 9 << QColor(0, 128, 0);
        QTest::newRow("10 teal") << 10 << QColor(0, 128, 128);
        QTest::newRow("11 dark green") << 11 << QColor(0, 128, 0);
        QTest::newRow("17 sky blue") << 17 << QColor(166, 202, 240);
        QTest::newRow("18 cream") << 18 << QColor(255, 251, 240);
        QTest::newRow("19 medium grey") << 19 << QColor(160, 160, 164);
        QTest::newRow("20 dark green") << 20 << QColor(0, 128, 0);
        QTest::newRow("255 dark green") << 255 << QColor(0, 128, 0);
    }
    void colourTable() {
        QFETCH(int, code);
        QFETCH(QColor, colour);
        QCOMPARE(CColorListCtrl::ColorFromCode(code), colour);
    }

    void cellsDrawnInTheirCodesColours() {
        SListFixture fixture(3);
        CColorListCtrl& list = fixture.list;
        list.SetAlternateRows(true);
        list.InitCellColors(3);
        list.SetCellColor(0, 0, 4);
        list.SetCellColor(0, 1, 9);
        list.SetCellColor(0, 2, 11);
        list.SetCellColor(1, 0, 25);
        list.SetCellColor(1, 1, 1);
        list.SetCellColor(2, 2, 13);
        const QImage shot = fixture.Shot();
        const QColor red(255, 0, 0), darkGreen(0, 128, 0), blue(0, 0, 255), black(0, 0, 0),
            purple(128, 0, 128);
        QVERIFY(Holds(shot, fixture.Cell(0, 0), red));
        QVERIFY(!Holds(shot, fixture.Cell(0, 0), black));
        QVERIFY(Holds(shot, fixture.Cell(0, 1), darkGreen));
        QVERIFY(Holds(shot, fixture.Cell(0, 2), darkGreen));
        QVERIFY(Holds(shot, fixture.Cell(1, 0), darkGreen));
        QVERIFY(Holds(shot, fixture.Cell(1, 1), blue));
        QVERIFY(Holds(shot, fixture.Cell(1, 2), black));
        QVERIFY(Holds(shot, fixture.Cell(2, 2), purple));
        QVERIFY(!Holds(shot, fixture.Cell(2, 2), black));
    }

    void rowBackgrounds_data() {
        QTest::addColumn<bool>("alternate");
        QTest::newRow("alternating") << true;
        QTest::newRow("all even") << false;
    }
    void rowBackgrounds() {
        QFETCH(bool, alternate);
        SListFixture fixture(3);
        CColorListCtrl& list = fixture.list;
        list.SetAlternateRows(alternate);
        list.InitCellColors(3);
        const QImage shot = fixture.Shot();
        const QColor odd(220, 220, 220), even(247, 247, 247);
        QCOMPARE(Background(shot, fixture.Cell(0, 0)), even);
        QCOMPARE(Background(shot, fixture.Cell(1, 1)), alternate ? odd : even);
        QCOMPARE(Background(shot, fixture.Cell(2, 2)), even);
        // Right of the last column each row keeps its colour; below the last row lies odd grey.
        const QRect lastCell = fixture.Cell(1, 2);
        const int viewportRight = list.viewport()->mapTo(&list, QPoint(list.viewport()->width() - 1, 0)).x();
        QCOMPARE(shot.pixelColor(lastCell.right() + 20, lastCell.center().y()), alternate ? odd : even);
        QVERIFY(viewportRight > lastCell.right() + 20);
        const int below = fixture.Cell(2, 0).bottom() + 10;
        QCOMPARE(shot.pixelColor(fixture.Cell(2, 0).center().x(), below), odd);
        QCOMPARE(shot.pixelColor(viewportRight - 2, below), odd);
    }

    void beforeTheGridTextKeepsTheDefaultColour() {
        SListFixture fixture(2);
        CColorListCtrl& list = fixture.list;
        list.SetAlternateRows(true);
        list.SetCellColor(0, 0, 4); // no grid yet: not stored
        QVERIFY(!list.HasCellColors());
        QCOMPARE(list.GetCellColor(0, 0), 0);
        const QImage shot = fixture.Shot();
        const QColor text = list.palette().color(QPalette::Active, QPalette::Text);
        QVERIFY(Holds(shot, fixture.Cell(0, 0), text));
        QVERIFY(!Holds(shot, fixture.Cell(0, 0), QColor(255, 0, 0)));
        QCOMPARE(Background(shot, fixture.Cell(1, 0)), QColor(220, 220, 220));
    }

    void gridKeepsItsFirstColumnCount() {
        CColorListCtrl list;
        list.InitCellColors(0); // before any grid: nothing
        QVERIFY(!list.HasCellColors());
        list.InitCellColors(8);
        list.SetCellColor(kMaxColorRows - 1, 7, 5);
        QCOMPARE(list.GetCellColor(kMaxColorRows - 1, 7), 5);
        list.InitCellColors(3); // clears only
        QCOMPARE(list.ColorColumns(), 8);
        QCOMPARE(list.GetCellColor(kMaxColorRows - 1, 7), 0);
        list.SetCellColor(0, 7, 6);
        QCOMPARE(list.GetCellColor(0, 7), 6);
        // Beyond the grid nothing is written, and reading gives 0.
        list.SetCellColor(kMaxColorRows, 0, 4);
        list.SetCellColor(0, 8, 4);
        list.SetCellColor(-1, -1, 4);
        QCOMPARE(list.GetCellColor(kMaxColorRows, 0), 0);
        QCOMPARE(list.GetCellColor(0, 8), 0);
        QCOMPARE(list.GetCellColor(1, 0), 0);
    }

    void listOperations() {
        CColorListCtrl list;
        list.InsertColumn(0, QStringLiteral("Filename"), 120);
        list.InsertColumn(1, QStringLiteral("Translit"), 120);
        list.InsertColumn(2, QStringLiteral("Orig.Name"), 0); // a bookkeeping column: hidden
        QVERIFY(list.isColumnHidden(2));
        QCOMPARE(list.horizontalHeaderItem(1)->text(), QStringLiteral("Translit"));
        QCOMPARE(list.InsertItem(5, QStringLiteral("b.mp3")), 0); // clamped to the end
        QCOMPARE(list.InsertItem(0, QStringLiteral("a.mp3")), 0);
        list.SetItemText(1, 2, QStringLiteral("orig"));
        QCOMPARE(list.GetItemText(0, 0), QStringLiteral("a.mp3"));
        QCOMPARE(list.GetItemText(1, 2), QStringLiteral("orig"));
        QCOMPARE(list.GetSelectedRow(), -1);
        list.selectRow(1);
        QCOMPARE(list.GetSelectedRow(), 1);
        list.DeleteAllItems();
        QCOMPARE(list.GetItemCount(), 0);
    }

    void cellGridContract() {
        CColorListCtrl list;
        for (int column = 0; column < 3; ++column)
            list.InsertColumn(column, QString(), 50);
        list.InsertItem(0, QString());
        list.InsertItem(1, QString());
        list.InitCellColors(3);
        CheckGrid(list);
        CCellTable table(3);
        table.AddRow();
        table.AddRow();
        CheckGrid(table);
    }
};

int RunColorListTests(int argc, char** argv) {
    TestColorList test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_colorlist.moc"
