// The control: loading, the canvas it composes frame by frame, timing, stopping and starting.
// Frames are stepped by hand (NextFrame) so that the canvas can be checked between them.
#include "CPictureEx.h"
#include "CResourceModule.h"
#include "PictureTestData.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QTest>

namespace {

const QRgb kRed = qRgb(255, 0, 0);
const QRgb kGreen = qRgb(0, 255, 0);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kMagenta = qRgb(255, 0, 255);

QRgb At(const CPictureEx& picture, int x, int y) {
    return picture.Canvas().pixel(x, y);
}

// Plays the file on a white background, frame 0 shown.
bool PlayOnWhite(CPictureEx& picture, const QString& file) {
    if (!picture.LoadPictureData(Fixture(file)))
        return false;
    picture.SetBackColor(Qt::white);
    return picture.Play();
}

} // namespace

class TestPictureEx : public QObject {
    Q_OBJECT

private slots:
    void stillPictures();
    void delayRule();
    void frameDelays_data();
    void frameDelays();
    void disposalToBackground();
    void disposalToPrevious();
    void restartAfterStopRestoresFirst();
    void canvasClearedAfterLastFrame();
    void transparencyAndBackColor();
    void resizedToPicture();
    void stopUnloadReplay();
    void framesTheDecoderRejects();
    void loadingWorkIsBounded();
    void playsOnItsOwn();
    void paintShowsCanvas();
    void fromResources();
};

void TestPictureEx::stillPictures() {
    CPictureEx picture;
    QVERIFY(picture.LoadPictureData(Fixture("still.gif")));
    QVERIFY(picture.IsGif());
    QVERIFY(picture.Frames().empty());
    QCOMPARE(picture.size(), QSize(8, 6));
    QVERIFY(picture.Play());
    QVERIFY(!picture.IsPlaying());
    QVERIFY(!FrameTimer(picture)->isActive());
    QCOMPARE(At(picture, 1, 1), kRed);
    QCOMPARE(At(picture, 6, 5), kBlue);

    // Any other format the decoder knows is a still picture too.
    QImage green(5, 3, QImage::Format_RGB32);
    green.fill(kGreen);
    QByteArray png;
    QBuffer buffer(&png);
    QVERIFY(buffer.open(QIODevice::WriteOnly) && green.save(&buffer, "PNG"));
    QVERIFY(picture.LoadPictureData(png));
    QVERIFY(!picture.IsGif());
    QCOMPARE(picture.size(), QSize(5, 3));
    QVERIFY(picture.Play());
    QCOMPARE(At(picture, 4, 2), kGreen);

    QVERIFY(!picture.LoadPictureData("not a picture"));
    QVERIFY(!picture.IsReady());
    QVERIFY(!picture.Play());
}

void TestPictureEx::delayRule() {
    for (unsigned short delay = 0; delay < 5; ++delay)
        QCOMPARE(FrameDelayMs(delay), 100);
    QCOMPARE(FrameDelayMs(5), 50);
    QCOMPARE(FrameDelayMs(25), 250);
    QCOMPARE(FrameDelayMs(65535), 655350);
    QCOMPARE(FrameDelayMs(kGifNoDelay), -1);
}

void TestPictureEx::frameDelays_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QList<int>>("intervals"); // -1: the frame stays until Stop
    QTest::newRow("10, 3, 25") << "anim3.gif" << QList<int>{100, 100, 250};
    QTest::newRow("5, 5") << "local_only.gif" << QList<int>{50, 50};
    QTest::newRow("ImageMagick") << "imagemagick.gif" << QList<int>{200, 200, 200};
    QTest::newRow("no control extension") << "nogce.gif" << QList<int>{70, -1};
}

void TestPictureEx::frameDelays() {
    QFETCH(QString, file);
    QFETCH(QList<int>, intervals);
    CPictureEx picture;
    QVERIFY(picture.LoadPictureData(Fixture(file)));
    QCOMPARE(int(picture.Frames().size()), intervals.size());
    QVERIFY(picture.Play());
    QTimer* timer = FrameTimer(picture);
    for (int i = 0; i < intervals.size(); ++i) {
        QCOMPARE(picture.CurrentFrame(), unsigned(i));
        QVERIFY(picture.IsPlaying());
        QCOMPARE(timer->isActive(), intervals[i] >= 0);
        if (intervals[i] >= 0)
            QCOMPARE(timer->interval(), intervals[i]);
        NextFrame(picture);
    }
    QCOMPARE(picture.CurrentFrame(), 0u);
}

void TestPictureEx::disposalToBackground() {
    CPictureEx picture;
    QVERIFY(PlayOnWhite(picture, "dispose2.gif"));
    QCOMPARE(At(picture, 5, 5), kRed);
    NextFrame(picture);
    QCOMPARE(At(picture, 5, 5), kBlue);
    QCOMPARE(At(picture, 3, 3), kRed);
    NextFrame(picture);
    QCOMPARE(At(picture, 4, 4), kWhite);
    QCOMPARE(At(picture, 7, 7), kWhite);
    QCOMPARE(At(picture, 3, 3), kRed);
    QCOMPARE(At(picture, 8, 8), kRed);
    QCOMPARE(At(picture, 12, 12), kGreen);
}

void TestPictureEx::disposalToPrevious() {
    CPictureEx picture;
    QVERIFY(PlayOnWhite(picture, "dispose3.gif"));
    NextFrame(picture);
    QCOMPARE(At(picture, 5, 5), kBlue);
    NextFrame(picture);
    QCOMPARE(At(picture, 4, 4), kRed);
    QCOMPARE(At(picture, 7, 7), kRed);
    QCOMPARE(At(picture, 12, 12), kGreen);
}

void TestPictureEx::restartAfterStopRestoresFirst() {
    // Stopped while the "restore previous" frame shows: playing again must not take the frame
    // itself for what lies under it.
    CPictureEx picture;
    QVERIFY(PlayOnWhite(picture, "dispose3.gif"));
    NextFrame(picture);
    picture.Stop();
    QVERIFY(!picture.IsPlaying());
    QVERIFY(!FrameTimer(picture)->isActive());
    QCOMPARE(picture.CurrentFrame(), 1u);
    QVERIFY(picture.Play());
    QCOMPARE(picture.CurrentFrame(), 1u);
    QCOMPARE(At(picture, 5, 5), kBlue);
    NextFrame(picture);
    QCOMPARE(At(picture, 5, 5), kRed);
}

void TestPictureEx::canvasClearedAfterLastFrame() {
    CPictureEx picture;
    QVERIFY(PlayOnWhite(picture, "partial.gif"));
    QCOMPARE(At(picture, 0, 0), kRed);
    QCOMPARE(At(picture, 4, 4), kWhite);
    NextFrame(picture);
    QCOMPARE(At(picture, 0, 0), kRed);
    QCOMPARE(At(picture, 4, 4), kBlue);
    NextFrame(picture);
    QCOMPARE(picture.CurrentFrame(), 0u);
    QCOMPARE(At(picture, 0, 0), kRed);
    QCOMPARE(At(picture, 4, 4), kWhite);
}

void TestPictureEx::transparencyAndBackColor() {
    CPictureEx picture;
    picture.SetBackColor(Qt::magenta); // nothing loaded: ignored
    QCOMPARE(picture.BackColor(), QColor(Qt::white));

    QVERIFY(picture.LoadPictureData(Fixture("transparent.gif")));
    QCOMPARE(picture.BackColor(), picture.palette().color(QPalette::Button));
    QVERIFY(picture.Play());
    NextFrame(picture);
    QCOMPARE(At(picture, 3, 3), kRed); // through the hole of the second frame
    QCOMPARE(At(picture, 0, 0), kGreen);

    QVERIFY(picture.LoadPictureData(Fixture("nogce.gif")));
    picture.SetBackColor(Qt::magenta);
    QCOMPARE(picture.BackColor(), QColor(Qt::magenta));
    QVERIFY(picture.Play());
    QCOMPARE(At(picture, 3, 3), kMagenta);
    QCOMPARE(At(picture, 0, 0), kGreen);

    picture.Unload();
    QCOMPARE(picture.BackColor(), QColor(Qt::white));
}

void TestPictureEx::resizedToPicture() {
    QWidget parent;
    parent.resize(200, 200);
    CPictureEx picture(&parent);
    picture.setGeometry(5, 7, 100, 100);
    QVERIFY(picture.LoadPictureData(Fixture("anim3.gif")));
    QCOMPARE(picture.geometry(), QRect(5, 7, 16, 16));
    QCOMPARE(picture.sizeHint(), QSize(16, 16));
    QVERIFY(picture.LoadPictureData(Fixture("still.gif")));
    QCOMPARE(picture.geometry(), QRect(5, 7, 8, 6));
    QCOMPARE(picture.Canvas().size(), QSize(8, 6));
}

void TestPictureEx::stopUnloadReplay() {
    CPictureEx picture;
    QVERIFY(picture.LoadPictureData(Fixture("anim3.gif")));
    QVERIFY(picture.Play());
    QVERIFY(picture.Play()); // already playing: goes on where it is
    NextFrame(picture);
    QCOMPARE(picture.CurrentFrame(), 1u);

    // A new load stops the old picture and starts from its first frame.
    QVERIFY(picture.LoadPictureData(Fixture("dispose2.gif")));
    QVERIFY(!picture.IsPlaying());
    QVERIFY(!FrameTimer(picture)->isActive());
    QCOMPARE(picture.CurrentFrame(), 0u);
    QVERIFY(picture.Play());
    NextFrame(picture);

    picture.Unload();
    QVERIFY(!picture.IsReady());
    QVERIFY(!picture.IsPlaying());
    QVERIFY(!FrameTimer(picture)->isActive());
    QVERIFY(picture.Frames().empty());
    QCOMPARE(picture.CurrentFrame(), 0u);
    QVERIFY(!picture.Play());
    NextFrame(picture); // a late timer event does nothing

    QVERIFY(picture.LoadPictureData(Fixture("anim3.gif")));
    QVERIFY(picture.Play());
    QCOMPARE(picture.CurrentFrame(), 0u);
    QCOMPARE(At(picture, 8, 8), kRed);
}

void TestPictureEx::framesTheDecoderRejects() {
    // The plain text frame has no picture: left out, the others play.
    const QByteArray data = Fixture("plaintext.gif");
    CPictureEx picture;
    QVERIFY(picture.LoadPictureData(data));
    QCOMPARE(picture.Frames().size(), size_t(2));
    QVERIFY(picture.Play());
    QCOMPARE(At(picture, 0, 0), kRed);
    NextFrame(picture);
    QCOMPARE(At(picture, 0, 0), kGreen);

    // Two frames of which only one is a picture: shown as a still one.
    const qsizetype third = data.lastIndexOf("\x21\xF9");
    QVERIFY(picture.LoadPictureData(data.left(third) + ';'));
    QCOMPARE(picture.Frames().size(), size_t(1));
    QVERIFY(picture.Play());
    QVERIFY(!picture.IsPlaying());
    QCOMPARE(At(picture, 7, 7), kRed);
}

void TestPictureEx::loadingWorkIsBounded() {
    // 1,000 frames x 4096 x 4096 screen pixels: refused at once, not composed for 44 s.
    QByteArray data = Fixture("budget.gif");
    QCOMPARE(data.size(), 23038);
    CPictureEx picture;
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!picture.LoadPictureData(data));
    QVERIFY(clock.elapsed() < 2000);
    QVERIFY(!picture.IsReady());

    // The same frames on a 64 x 64 screen are well inside the budget, and so is one 4096 x 4096 frame.
    data.replace(6, 4, QByteArray("\x40\x00\x40\x00", 4));
    QVERIFY(picture.LoadPictureData(data));
    QCOMPARE(picture.Frames().size(), size_t(1000));
    QCOMPARE(picture.Frames().back().picture.size(), QSize(1, 1));
    const QByteArray big = Fixture("budget.gif");
    const qsizetype second = big.indexOf("\x21\xF9", 13 + 24 + 8);
    QVERIFY(picture.LoadPictureData(big.left(second) + ';'));
    QCOMPARE(picture.PictureSize(), QSize(4096, 4096));
}

void TestPictureEx::playsOnItsOwn() {
    CPictureEx picture;
    QVERIFY(picture.LoadPictureData(Fixture("anim3.gif")));
    QVERIFY(picture.Play());
    QTRY_COMPARE_WITH_TIMEOUT(picture.CurrentFrame(), 1u, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(picture.CurrentFrame(), 2u, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(picture.CurrentFrame(), 0u, 5000);
    QCOMPARE(At(picture, 8, 8), kRed);
}

void TestPictureEx::paintShowsCanvas() {
    CPictureEx picture;
    QVERIFY(PlayOnWhite(picture, "dispose2.gif"));
    NextFrame(picture);
    NextFrame(picture);
    const QImage shown = picture.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown, picture.Canvas());
    // For a look at it: LT_PICTURE_GRAB_DIR=/some/folder
    const QString folder = qEnvironmentVariable("LT_PICTURE_GRAB_DIR");
    if (!folder.isEmpty())
        shown.scaled(shown.size() * 8).save(QDir(folder).filePath("dispose2-frame2.png"));
}

void TestPictureEx::fromResources() {
    CPictureEx picture;
    QVERIFY(picture.LoadPictureData(Fixture("anim3.gif")));
    QVERIFY(!picture.LoadPicture(-1)); // no such resource: and the old picture is gone
    QVERIFY(!picture.IsReady());

    // The mode picture: 32 x 32 pixels, eight frames.
    QVERIFY(picture.LoadPicture(195));
    QCOMPARE(picture.PictureSize(), QSize(32, 32));
    QCOMPARE(picture.Frames().size(), std::size_t(8));
}

int RunPictureExTests(int argc, char** argv) {
    TestPictureEx test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_pictureex.moc"
