#include "platform/TClock.h"
#include "widgets/dberror/TWaitPointer.h"

#include <QGuiApplication>
#include <QImage>
#include <QTest>

#include <memory>

namespace {

/// A clock that moves only when the test says so.
class ManualClock : public TClock {
public:
    qint64 elapsedMs() const override { return Now; }
    void advance(qint64 AMs) { Now += AMs; }

private:
    qint64 Now = 100000;
};

/// How many override cursors are stacked: restores them all, counting, then puts back nothing.
int overrideDepth() {
    int depth = 0;
    while (QGuiApplication::overrideCursor() != nullptr) {
        QGuiApplication::restoreOverrideCursor();
        ++depth;
    }
    return depth;
}

bool hasInk(const QImage& AImage, const QRect& AArea) {
    for (int y = AArea.top(); y <= AArea.bottom(); ++y) {
        for (int x = AArea.left(); x <= AArea.right(); ++x) {
            if (qAlpha(AImage.pixel(x, y)) > 0) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

class TestWaitPointer : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void beginShowsTheDrawnPointerOverAllWindows();
    void nestedBeginsShowItOnce();
    void operationsTwentyMsApartKeepThePointer();
    void restoreNeedsFiftyMs_data();
    void restoreNeedsFiftyMs();
    void beginCancelsAPendingRestore();
    void realTimerRestoresOnceTheClockAllows();
    void destructionGivesThePointerBack();

private:
    bool showsWaitPointer() const {
        const QCursor* current = QGuiApplication::overrideCursor();
        return current != nullptr && current->shape() == Qt::BitmapCursor &&
               current->pixmap().cacheKey() == pointer->Cursor().pixmap().cacheKey();
    }

    ManualClock clock;
    std::unique_ptr<TWaitPointer> pointer;
};

void TestWaitPointer::init() {
    TClock::setInstance(&clock);
    pointer = std::make_unique<TWaitPointer>();
}

void TestWaitPointer::cleanup() {
    pointer.reset();
    TClock::setInstance(nullptr);
    QCOMPARE(overrideDepth(), 0);
}

void TestWaitPointer::beginShowsTheDrawnPointerOverAllWindows() {
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    pointer->OperationBegins();
    QVERIFY(pointer->Shown());
    QVERIFY(showsWaitPointer());

    const QCursor& cursor = pointer->Cursor();
    const QImage image = cursor.pixmap().toImage();
    QCOMPARE(image.size(), QSize(32, 32));
    QVERIFY2(hasInk(image, QRect(0, 0, 32, 22)), "no hourglass");
    QVERIFY2(hasInk(image, QRect(0, 23, 32, 9)), "nothing under the hourglass");
    QVERIFY(QRect(0, 0, 32, 32).contains(cursor.hotSpot()));

    pointer->OperationEnds();
    clock.advance(50);
    pointer->RestoreTimerTick();
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void TestWaitPointer::nestedBeginsShowItOnce() {
    pointer->OperationBegins();
    pointer->OperationBegins();
    pointer->OperationEnds();
    pointer->OperationBegins();
    QCOMPARE(overrideDepth(), 1);
}

void TestWaitPointer::operationsTwentyMsApartKeepThePointer() {
    pointer->OperationBegins();
    clock.advance(5);
    pointer->OperationEnds();
    QVERIFY(pointer->RestorePending());

    // Ticks before the next statement find too little time passed.
    clock.advance(10);
    pointer->RestoreTimerTick();
    QVERIFY(showsWaitPointer());
    clock.advance(10);
    pointer->RestoreTimerTick();
    QVERIFY(showsWaitPointer());

    pointer->OperationBegins();
    QVERIFY(!pointer->RestorePending());
    QVERIFY(showsWaitPointer());
    clock.advance(5);
    pointer->OperationEnds();
    clock.advance(49);
    pointer->RestoreTimerTick();
    QVERIFY(showsWaitPointer());

    clock.advance(1);
    pointer->RestoreTimerTick();
    QVERIFY(!pointer->Shown());
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void TestWaitPointer::restoreNeedsFiftyMs_data() {
    QTest::addColumn<int>("elapsed");
    QTest::addColumn<bool>("restored");
    QTest::newRow("0 ms") << 0 << false;
    QTest::newRow("49 ms") << 49 << false;
    QTest::newRow("50 ms") << 50 << true;
    QTest::newRow("80 ms") << 80 << true;
}

void TestWaitPointer::restoreNeedsFiftyMs() {
    QFETCH(int, elapsed);
    QFETCH(bool, restored);
    pointer->OperationBegins();
    pointer->OperationEnds();
    clock.advance(elapsed);
    pointer->RestoreTimerTick();

    QCOMPARE(pointer->Shown(), !restored);
    QCOMPARE(QGuiApplication::overrideCursor() == nullptr, restored);
    QCOMPARE(pointer->RestorePending(), !restored);
}

void TestWaitPointer::beginCancelsAPendingRestore() {
    pointer->OperationBegins();
    pointer->OperationEnds();
    QVERIFY(pointer->RestorePending());
    pointer->OperationBegins();
    QVERIFY(!pointer->RestorePending());

    // Time enough for a restore, yet no tick comes while the operation runs.
    clock.advance(500);
    QTest::qWait(150);
    QVERIFY(showsWaitPointer());

    pointer->OperationEnds();
    clock.advance(50);
    QTRY_VERIFY_WITH_TIMEOUT(!pointer->Shown(), 200);
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void TestWaitPointer::realTimerRestoresOnceTheClockAllows() {
    pointer->OperationBegins();
    pointer->OperationEnds();
    clock.advance(30);
    QTest::qWait(150); // several real ticks, all too early by the clock
    QVERIFY(showsWaitPointer());
    QVERIFY(pointer->RestorePending());

    clock.advance(20);
    QTRY_VERIFY_WITH_TIMEOUT(!pointer->Shown(), 200);
    QVERIFY(!pointer->RestorePending());
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void TestWaitPointer::destructionGivesThePointerBack() {
    pointer->OperationBegins();
    QVERIFY(QGuiApplication::overrideCursor() != nullptr);
    pointer.reset();
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

QTEST_MAIN(TestWaitPointer)
#include "tst_waitpointer.moc"
