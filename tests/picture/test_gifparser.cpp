// The GIF walker on whole files: frames, their timing and placement, the frames cut out of them.
#include "CGifParser.h"
#include "PictureTestData.h"

#include <QImage>
#include <QTest>

namespace {

const uchar* Bytes(const QByteArray& data) {
    return reinterpret_cast<const uchar*>(data.constData());
}

} // namespace

class TestGifParser : public QObject {
    Q_OBJECT

private slots:
    void framesOfEachFile_data();
    void framesOfEachFile();
    void blocksAtTheStart();
    void extractedFrameIsAGifOfItsOwn();
    void unknownBlockEndsTheWalk();
};

void TestGifParser::framesOfEachFile_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QList<unsigned>>("delays");
    QTest::addColumn<QList<int>>("disposals");
    QTest::addColumn<QList<QRect>>("rects");
    const unsigned none = kGifNoDelay;
    const QRect full16(0, 0, 16, 16);
    QTest::newRow("still") << "still.gif" << QList<unsigned>{none} << QList<int>{0}
                           << QList<QRect>{{0, 0, 8, 6}};
    QTest::newRow("loop, comments, local table")
        << "anim3.gif" << QList<unsigned>{10, 3, 25} << QList<int>{0, 0, 0}
        << QList<QRect>{full16, full16, full16};
    QTest::newRow("disposal 2") << "dispose2.gif" << QList<unsigned>{10, 10, 10} << QList<int>{1, 2, 1}
                                << QList<QRect>{full16, {4, 4, 4, 4}, {12, 12, 2, 2}};
    QTest::newRow("disposal 3") << "dispose3.gif" << QList<unsigned>{10, 10, 10} << QList<int>{1, 3, 1}
                                << QList<QRect>{full16, {4, 4, 4, 4}, {12, 12, 2, 2}};
    QTest::newRow("second frame without control")
        << "nogce.gif" << QList<unsigned>{7, none} << QList<int>{1, 0}
        << QList<QRect>{{0, 0, 8, 8}, {0, 0, 8, 8}};
    QTest::newRow("plain text counts, without a place")
        << "plaintext.gif" << QList<unsigned>{10, 10, 10} << QList<int>{0, 0, 0}
        << QList<QRect>{{0, 0, 8, 8}, {}, {0, 0, 8, 8}};
    QTest::newRow("GIF87a") << "gif87a.gif" << QList<unsigned>{none, none} << QList<int>{0, 0}
                            << QList<QRect>{{0, 0, 4, 4}, {1, 1, 2, 2}};
    QTest::newRow("local tables only") << "local_only.gif" << QList<unsigned>{5, 5} << QList<int>{0, 0}
                                       << QList<QRect>{{0, 0, 6, 6}, {0, 0, 6, 6}};
    QTest::newRow("ImageMagick") << "imagemagick.gif" << QList<unsigned>{20, 20, 20} << QList<int>{2, 2, 2}
                                 << QList<QRect>{{0, 0, 12, 10}, {0, 0, 12, 10}, {3, 2, 6, 5}};
}

void TestGifParser::framesOfEachFile() {
    QFETCH(QString, file);
    QFETCH(QList<unsigned>, delays);
    QFETCH(QList<int>, disposals);
    QFETCH(QList<QRect>, rects);
    const QByteArray data = Fixture(file);
    QVERIFY(!data.isEmpty());
    CGifParser parser(Bytes(data), data.size());
    QVERIFY(parser.Open());

    int count = 0;
    while (parser.SkipFrame())
        ++count;
    QCOMPARE(count, delays.size());
    QCOMPARE(parser.GetBlockKind(), GifBlockKind::Trailer);
    QVERIFY(!parser.Truncated());

    QList<unsigned> gotDelays;
    QList<int> gotDisposals;
    QList<QRect> gotRects;
    parser.ResetReadPosition();
    GifFrame frame;
    while (!parser.ExtractFrame(frame).isEmpty()) {
        gotDelays << frame.delay;
        gotDisposals << frame.disposal;
        gotRects << QRect(frame.left, frame.top, frame.width, frame.height);
    }
    QCOMPARE(gotDelays, delays);
    QCOMPARE(gotDisposals, disposals);
    QCOMPARE(gotRects, rects);
    QCOMPARE(parser.ReadPosition(), data.size() - 1);
}

void TestGifParser::blocksAtTheStart() {
    const QByteArray data = Fixture("anim3.gif");
    CGifParser parser(Bytes(data), data.size());
    QVERIFY(parser.Open());
    QCOMPARE(parser.ScreenSize(), QSize(16, 16));
    QCOMPARE(parser.GlobalTableSize(), 3 * 8);
    QCOMPARE(parser.ReadPosition(), 13 + 24);

    const QList<QPair<GifBlockKind, qsizetype>> expected{
        {GifBlockKind::Application, 14 + 4 + 1}, // NETSCAPE2.0 and its 3-byte loop sub-block
        {GifBlockKind::Comment, 2 + 13 + 1},     // "three frames"
        {GifBlockKind::GraphicControl, 8},
    };
    for (const auto& [kind, length] : expected) {
        QCOMPARE(parser.GetBlockKind(), kind);
        QCOMPARE(parser.GetBlockLength(), length);
        const qsizetype before = parser.ReadPosition();
        QVERIFY(parser.SkipBlock());
        QCOMPARE(parser.ReadPosition(), before + length);
    }
    QCOMPARE(parser.GetBlockKind(), GifBlockKind::Image);

    // Not GIFs, or too short for their own global colour table.
    for (const QByteArray& bad :
         {QByteArray("GIF88a") + QByteArray(7, 0), QByteArray("GIF89a") + QByteArray(6, 0),
          QByteArray("GIF89a\1\0\1\0\x82\0\0", 13) + QByteArray(23, 0)}) {
        CGifParser other(Bytes(bad), bad.size());
        QVERIFY2(!other.Open(), bad.toHex().constData());
        QCOMPARE(other.GetBlockKind(), GifBlockKind::Unknown);
        QVERIFY(!other.SkipFrame());
    }
}

void TestGifParser::extractedFrameIsAGifOfItsOwn() {
    const QByteArray data = Fixture("anim3.gif");
    const qsizetype head = 13 + 24;
    CGifParser parser(Bytes(data), data.size());
    QVERIFY(parser.Open());

    const QList<QRgb> colours{qRgb(255, 0, 0), qRgb(255, 255, 0), qRgb(0, 0, 255)};
    for (int i = 0; i < colours.size(); ++i) {
        GifFrame frame;
        const QByteArray single = parser.ExtractFrame(frame);
        QVERIFY(!single.isEmpty());
        QCOMPARE(single.left(head), data.left(head));
        QCOMPARE(single.back(), '\x3B');
        // Extensions before the control block (loop, comments) are not part of the frame.
        QVERIFY(!single.contains("NETSCAPE"));
        QVERIFY(!single.contains("frames"));
        QCOMPARE(single.at(head), '\x21');
        QCOMPARE(quint8(single.at(head + 1)), quint8(0xF9));

        CGifParser inner(Bytes(single), single.size());
        QVERIFY(inner.Open());
        QVERIFY(inner.SkipFrame());
        QCOMPARE(inner.GetBlockKind(), GifBlockKind::Trailer);
        const QImage image = QImage::fromData(single, "GIF");
        QCOMPARE(image.size(), QSize(16, 16));
        QCOMPARE(image.pixel(7, 7), colours[i]);
    }
    GifFrame frame;
    QVERIFY(parser.ExtractFrame(frame).isEmpty());
    QVERIFY(!parser.Truncated());
}

void TestGifParser::unknownBlockEndsTheWalk() {
    // An extension label nobody knows after the first frame: one frame, and not a cut.
    QByteArray data = Fixture("dispose2.gif");
    const qsizetype second = data.indexOf("\x21\xF9", 13 + 24 + 8);
    QVERIFY(second > 0);
    data.insert(second, QByteArray("\x21\x02\x01x\0", 5));
    CGifParser parser(Bytes(data), data.size());
    QVERIFY(parser.Open());
    QVERIFY(parser.SkipFrame());
    QCOMPARE(parser.GetBlockKind(), GifBlockKind::Unknown);
    QCOMPARE(parser.GetBlockLength(), -1);
    QVERIFY(!parser.SkipBlock());
    QVERIFY(!parser.SkipFrame());
    QVERIFY(!parser.Truncated());
}

int RunGifParserTests(int argc, char** argv) {
    TestGifParser test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_gifparser.moc"
