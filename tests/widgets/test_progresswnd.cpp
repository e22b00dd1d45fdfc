// The progress window: the percentage in its title, cancelling by Esc and by the button while it
// pumps, refusing the owner's buttons meanwhile, and the position it remembers.
#include "CProfile.h"
#include "CProgressWnd.h"
#include "Settings.h"
#include "WidgetsTests.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

namespace {

const QString kSection = QStringLiteral("Settings");

void StorePosition(int x, int y) {
    QVERIFY(WriteProfileInt(kSection, QStringLiteral("X"), x));
    QVERIFY(WriteProfileInt(kSection, QStringLiteral("Y"), y));
}

QPoint StoredPosition() {
    return {GetProfileInt(kSection, QStringLiteral("X"), -1),
            GetProfileInt(kSection, QStringLiteral("Y"), -1)};
}

void PostKey(QWidget* target, Qt::Key key) {
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier));
}

// A click as it would arrive from the window system: waiting in the queue.
void PostClick(QWidget* target) {
    const QPointF at = QRectF(target->rect()).center();
    const QPointF global = target->mapToGlobal(at);
    QCoreApplication::postEvent(target, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton,
                                                        Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(target, new QMouseEvent(QEvent::MouseButtonRelease, at, global,
                                                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
}

// An owner with a button of its own, where the tests can see it.
struct SOwner {
    QWidget window;
    QPushButton* button = new QPushButton(QStringLiteral("Rename All"), &window);
    int clicks = 0;

    SOwner() {
        window.setGeometry(100, 100, 400, 300);
        button->setGeometry(10, 10, 120, 30);
        QObject::connect(button, &QPushButton::clicked, [this] { ++clicks; });
        window.show();
    }
};

} // namespace

class TestProgressWnd : public QObject {
    Q_OBJECT

    CSettings m_settings;

private slots:
    void init() { StorePosition(-1, -1); }

    void titleShowsThePercentage() {
        SOwner owner;
        CProgressWnd progress(m_settings, &owner.window, QStringLiteral("Progress"));
        progress.LayoutForLines(1, 300);
        progress.SetProgressRange(0, 3, 1);
        QVERIFY(progress.isVisible());
        QCOMPARE(progress.windowTitle(), QStringLiteral("Progress"));
        QStringList titles;
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(progress.StepProgress(), i);
            titles << progress.windowTitle();
        }
        QCOMPARE(titles, QStringList({"Progress [33%]", "Progress [67%]", "Progress [100%]"}));
        QCOMPARE(progress.Bar()->value(), 3);
        // Back to the start: 0 differs from the last percentage and is shown too.
        progress.SetProgressPos(0);
        QCOMPARE(progress.windowTitle(), QStringLiteral("Progress [0%]"));
    }

    void emptyRangeShowsNoPercentage() {
        CProgressWnd progress(m_settings, nullptr, QStringLiteral("Progress"));
        progress.SetProgressRange(0, 0, 1); // "Rename All" over an empty list
        progress.StepProgress();
        progress.StepProgress();
        QCOMPARE(progress.windowTitle(), QStringLiteral("Progress"));
        // An empty bar, not a busy animation.
        QVERIFY(progress.Bar()->maximum() > progress.Bar()->minimum());
        QCOMPARE(progress.Bar()->value(), progress.Bar()->minimum());
        // Far outside the range the percentage still comes out sane.
        progress.SetProgressRange(0, 1, 1);
        progress.SetProgressPos(INT_MAX);
        QCOMPARE(progress.windowTitle(), QStringLiteral("Progress [%1%]").arg(INT_MAX));
        QCOMPARE(progress.StepProgress(), 1);
        QCOMPARE(progress.Pos(), INT_MAX);
    }

    void escCancelsOnlyWhilePumpingWithEsc() {
        SOwner owner;
        CProgressWnd progress(m_settings, &owner.window);
        progress.SetProgressRange(0, 10, 1);
        progress.StepProgress();

        PostKey(&owner.window, Qt::Key_Escape);
        progress.PumpMessages(false);
        QVERIFY(!progress.IsCancelled());

        QTest::keyClick(&owner.window, Qt::Key_Escape); // outside a pump: not ours
        QVERIFY(!progress.IsCancelled());

        PostKey(owner.button, Qt::Key_Escape);
        progress.PumpMessages(true);
        QVERIFY(progress.IsCancelled());
        QVERIFY(!progress.isVisible());

        // After a cancel nothing is pumped any more, and the next step shows the window again.
        bool ran = false;
        QMetaObject::invokeMethod(
            &owner.window, [&ran] { ran = true; }, Qt::QueuedConnection);
        progress.PumpMessages(true);
        QVERIFY(!ran);
        progress.StepProgress();
        QVERIFY(progress.isVisible());
        QCoreApplication::processEvents();
        QVERIFY(ran);
    }

    void ownerRefusesClicksWhileTheBatchRuns() {
        SOwner owner;
        CProgressWnd progress(m_settings, &owner.window);
        progress.SetProgressRange(0, 10, 1);
        progress.StepProgress();
        bool ran = false;
        QMetaObject::invokeMethod(
            &owner.window, [&ran] { ran = true; }, Qt::QueuedConnection);
        PostClick(owner.button);
        PostKey(owner.button, Qt::Key_Space);
        progress.PumpMessages(true);
        QVERIFY(ran); // other waiting work is done
        QCOMPARE(owner.clicks, 0);
        QVERIFY(!progress.IsCancelled());

        PostClick(progress.CancelButton());
        progress.PumpMessages(true);
        QVERIFY(progress.IsCancelled());

        // Once the batch is over the owner takes clicks again.
        QTest::mouseClick(owner.button, Qt::LeftButton);
        QCOMPARE(owner.clicks, 1);
    }

    void positionIsRemembered() {
        // The position of the window's inside: a frame corner taken for it moved the window by the
        // frame on every run.
        SOwner owner;
        StorePosition(123, 77);
        auto place = [](CProgressWnd& progress, QPoint at) {
            progress.setGeometry(QRect(at, progress.size()));
        };
        {
            CProgressWnd progress(m_settings, &owner.window);
            QCOMPARE(progress.geometry().topLeft(), QPoint(123, 77));
            // Moved, then cancelled: the next batch opens where this one was.
            place(progress, QPoint(210, 150));
            PostKey(&owner.window, Qt::Key_Escape);
            progress.PumpMessages(true);
            QVERIFY(progress.IsCancelled());
            QCOMPARE(StoredPosition(), QPoint(210, 150));
            progress.ShowProgress();
            place(progress, QPoint(220, 160));
        } // going away saves again
        QCOMPARE(StoredPosition(), QPoint(220, 160));
        for (int run = 0; run < 3; ++run) {
            CProgressWnd next(m_settings, &owner.window);
            QCOMPARE(next.geometry().topLeft(), QPoint(220, 160));
        }
        QCOMPARE(StoredPosition(), QPoint(220, 160));
    }

    void offScreenPositionCentresOverTheOwner_data() {
        QTest::addColumn<QPoint>("stored");
        QTest::newRow("never placed") << QPoint(-1, -1);
        QTest::newRow("beyond the screen") << QPoint(5000, 4000);
        QTest::newRow("left of it") << QPoint(-300, 50);
    }
    void offScreenPositionCentresOverTheOwner() {
        QFETCH(QPoint, stored);
        SOwner owner;
        StorePosition(stored.x(), stored.y());
        CProgressWnd progress(m_settings, &owner.window);
        const QPoint offset = progress.geometry().center() - owner.window.frameGeometry().center();
        QVERIFY2(offset.manhattanLength() <= 2,
                 qPrintable(QStringLiteral("off by %1,%2").arg(offset.x()).arg(offset.y())));
    }

    void layoutForLines() {
        CProgressWnd progress(m_settings, nullptr, QStringLiteral("Progress"));
        progress.LayoutForLines(1, 300);
        const QRect bar = progress.Bar()->geometry();
        const QRect button = progress.CancelButton()->geometry();
        QCOMPARE(progress.width(), 320);
        QCOMPARE(button.right(), 309); // the right margin
        QCOMPARE(bar.left(), 10);
        QCOMPARE(button.left() - bar.right() - 1, 10);
        QVERIFY(button.top() > progress.TextLine()->geometry().bottom());
        QCOMPARE(progress.height(), button.bottom() + 1 + 10);
        const int oneLine = progress.height();
        progress.LayoutForLines(4, 390);
        QCOMPARE(progress.width(), 410);
        QVERIFY(progress.height() > oneLine);
        QVERIFY(button.width() >=
                progress.CancelButton()->fontMetrics().horizontalAdvance(progress.CancelButton()->text()));
    }
};

int RunProgressWndTests(int argc, char** argv) {
    TestProgressWnd test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_progresswnd.moc"
