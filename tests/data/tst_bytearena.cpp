#include "data/ByteArena.h"

#include <QTest>

#include <cstdint>
#include <cstring>

/// The storage of a row set's rows and values: room carved out of blocks, whose full-size ones the next arena reuses.
class TestByteArena : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void roomHoldsWhatIsWritten_data();
    void roomHoldsWhatIsWritten();
    void freeBlocksAreReused();
    void roomIsAligned_data();
    void roomIsAligned();
};

void TestByteArena::roomHoldsWhatIsWritten_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("short") << QByteArray("<NFe/>");
    QTest::newRow("larger than the first block") << QByteArray(int(ByteArena::FirstBlockSize) + 17, 'x');
    QTest::newRow("larger than a block") << QByteArray(int(ByteArena::BlockSize) + 5, 'y');
}

// Room given out earlier is never given out again: what was written there stays.
void TestByteArena::roomHoldsWhatIsWritten() {
    QFETCH(QByteArray, bytes);
    ByteArena arena;
    char* before = static_cast<char*>(arena.Allocate(6, 1));
    std::memcpy(before, "before", 6);
    char* room = static_cast<char*>(arena.Allocate(std::size_t(bytes.size()), 1));
    std::memcpy(room, bytes.constData(), std::size_t(bytes.size()));
    char* after = static_cast<char*>(arena.Allocate(5, 1));
    std::memcpy(after, "after", 5);
    QCOMPARE(QByteArray(before, 6), QByteArray("before"));
    QCOMPARE(QByteArray(room, bytes.size()), bytes);
    QCOMPARE(QByteArray(after, 5), QByteArray("after"));
}

void TestByteArena::freeBlocksAreReused() {
    // The first block is filled whole, so that the second allocation takes a full-size block.
    const void* firstAt = nullptr;
    {
        ByteArena arena;
        arena.Allocate(std::size_t(ByteArena::FirstBlockSize), 1);
        firstAt = arena.Allocate(16, 1);
    }
    const int kept = ByteArena::KeptBlocks();
    QVERIFY(kept > 0);
    ByteArena next;
    next.Allocate(std::size_t(ByteArena::FirstBlockSize), 1);
    QCOMPARE(next.Allocate(16, 1), firstAt);
    QCOMPARE(ByteArena::KeptBlocks(), kept - 1);
}

void TestByteArena::roomIsAligned_data() {
    QTest::addColumn<int>("alignment");
    QTest::newRow("1") << 1;
    QTest::newRow("8") << 8;
    QTest::newRow("16") << 16;
}

void TestByteArena::roomIsAligned() {
    QFETCH(int, alignment);
    ByteArena arena;
    for (int i = 1; i < 50; ++i) {
        arena.Allocate(std::size_t(i % 7), 1);
        void* room = arena.Allocate(std::size_t(i * 3), std::size_t(alignment));
        QCOMPARE(reinterpret_cast<std::uintptr_t>(room) % std::uintptr_t(alignment), std::uintptr_t(0));
    }
}

QTEST_GUILESS_MAIN(TestByteArena)
#include "tst_bytearena.moc"
