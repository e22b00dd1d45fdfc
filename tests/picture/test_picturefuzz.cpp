// Damaged pictures: every cut of every file, and seeded random damage, through the GIF walker and
// the control. Nothing may crash or read outside the data (run under AddressSanitizer to see the
// latter); cut data never loads.
#include "CGifParser.h"
#include "CPictureEx.h"
#include "PictureTestData.h"

#include <QTest>

#include <random>

namespace {

const std::uint32_t kSeed = 20240611;
const int kMutatedCases = 20000;

QByteArray Mutate(QByteArray data, std::mt19937& random) {
    const uchar interesting[] = {0x00, 0x01, 0x21, 0x2C, 0x3B, 0x7F, 0x80, 0x87, 0xF9, 0xFE, 0xFF};
    const int edits = 1 + int(random() % 4);
    for (int e = 0; e < edits && !data.isEmpty(); ++e) {
        const qsizetype at = qsizetype(random() % quint32(data.size()));
        switch (random() % 6) {
        case 0:
            data[at] = char(random());
            break;
        case 1:
            data[at] = char(data[at] ^ (1 << (random() % 8)));
            break;
        case 2:
            data[at] = char(interesting[random() % sizeof interesting]);
            break;
        case 3:
            data.insert(at, char(random()));
            break;
        case 4:
            data.remove(at, 1 + qsizetype(random() % 8));
            break;
        case 5:
            data.insert(at,
                        data.mid(qsizetype(random() % quint32(data.size())), 1 + qsizetype(random() % 16)));
            break;
        }
    }
    return data;
}

// Walks the data the way loading does, then cuts out every frame (which loading never does with
// data cut short), checking that nothing reaches past the data. `truncated`: the walk noticed a cut.
void WalkParser(const CExactBytes& bytes, bool* truncated) {
    *truncated = false;
    CGifParser parser(bytes.Data(), bytes.Size());
    if (!parser.Open())
        return;
    while (parser.SkipFrame())
        QVERIFY(parser.ReadPosition() <= bytes.Size());
    *truncated = parser.Truncated();
    parser.ResetReadPosition();
    GifFrame frame;
    for (QByteArray single; !(single = parser.ExtractFrame(frame)).isEmpty();) {
        QVERIFY(parser.ReadPosition() <= bytes.Size());
        QVERIFY(single.size() <= bytes.Size() + 1);
        QCOMPARE(single.back(), '\x3B');
    }
}

} // namespace

class TestPictureFuzz : public QObject {
    Q_OBJECT

private slots:
    void cutCopiesDoNotLoad();
    void mutatedCopiesLoadOrFailCleanly();
};

void TestPictureFuzz::cutCopiesDoNotLoad() {
    CPictureEx picture;
    int cases = 0;
    for (const QString& name : FixtureNames()) {
        const QByteArray data = Fixture(name);
        QVERIFY(!data.isEmpty());
        CGifParser parser(reinterpret_cast<const uchar*>(data.constData()), data.size());
        QVERIFY(parser.Open());
        for (qsizetype n = 0; n < data.size(); ++n, ++cases) {
            const CExactBytes cut(data, n);
            bool truncated = false;
            WalkParser(cut, &truncated);
            QCOMPARE(truncated, n >= 13 + parser.GlobalTableSize());
            if (picture.LoadPictureData(cut.View()))
                QFAIL(qPrintable(QStringLiteral("%1 cut at %2 loaded").arg(name).arg(n)));
            QVERIFY(!picture.IsReady());
            QVERIFY(!picture.Play());
        }
        const CExactBytes whole(data, data.size());
        QVERIFY2(picture.LoadPictureData(whole.View()), qPrintable(name));
        QVERIFY(picture.Play());
    }
    qInfo("%d cut copies walked and refused", cases);
}

void TestPictureFuzz::mutatedCopiesLoadOrFailCleanly() {
    std::mt19937 random(kSeed);
    const QStringList names = FixtureNames();
    QList<QByteArray> files;
    for (const QString& name : names)
        files << Fixture(name);

    CPictureEx picture;
    int loaded = 0;
    for (int i = 0; i < kMutatedCases; ++i) {
        const QByteArray mutated = Mutate(files[int(random() % quint32(files.size()))], random);
        const CExactBytes bytes(mutated, mutated.size());
        bool truncated = false;
        WalkParser(bytes, &truncated);
        if (QTest::currentTestFailed())
            QFAIL(qPrintable(QStringLiteral("case %1: %2").arg(i).arg(QString::fromLatin1(mutated.toHex()))));
        if (!picture.LoadPictureData(bytes.View())) {
            QVERIFY(!picture.IsReady());
            continue;
        }
        ++loaded;
        QCOMPARE(picture.Canvas().size(), picture.PictureSize());
        QCOMPARE(picture.size(), picture.PictureSize());
        const QRect canvas = picture.Canvas().rect();
        for (const GifFrame& frame : picture.Frames())
            QVERIFY(canvas.contains(QRect(QPoint(frame.left, frame.top), frame.picture.size())));
        picture.SetBackColor(Qt::white);
        picture.Play();
        for (size_t step = 0; step < picture.Frames().size() + 2; ++step)
            NextFrame(picture);
        picture.Stop();
        picture.Play();
        NextFrame(picture);
    }
    qInfo("%d mutated copies (seed %u): %d loaded, %d refused", kMutatedCases, kSeed, loaded,
          kMutatedCases - loaded);
    QVERIFY(loaded > 0);
    QVERIFY(loaded < kMutatedCases);
}

int RunPictureFuzzTests(int argc, char** argv) {
    TestPictureFuzz test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_picturefuzz.moc"
