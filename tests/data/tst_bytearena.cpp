#include "data/ByteArena.h"

#include <QTest>

#include <cstdint>
#include <memory>

/// The storage of a row set's values: values are slices of shared, reference-counted blocks that stay valid after
/// the arena, and only blocks nothing else holds are reused.
class TestByteArena : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void storesBytesAndText_data();
    void storesBytesAndText();
    void valuesOutliveTheArena();
    void heldBlocksAreNotReused();
    void freeBlocksAreReused();
    void changingAValueLeavesTheOthers();
    void roomIsAligned_data();
    void roomIsAligned();
};

void TestByteArena::storesBytesAndText_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("short") << QByteArray("<NFe/>");
    QTest::newRow("with zero bytes") << QByteArray("\x00\x01\xFF\x00", 4);
    QTest::newRow("larger than the first block") << QByteArray(int(ByteArena::FirstBlockSize) + 17, 'x');
    QTest::newRow("larger than a block") << QByteArray(int(ByteArena::BlockSize) + 5, 'y');
}

void TestByteArena::storesBytesAndText() {
    QFETCH(QByteArray, bytes);
    ByteArena arena;
    arena.Store("filler", 6);
    const QByteArray stored = arena.Store(bytes.constData(), bytes.size());
    QCOMPARE(stored, bytes);
    // Terminated like any QByteArray, so that C-string use stops at its end.
    QCOMPARE(stored.constData()[stored.size()], '\0');
    const QString text = arena.StoreLatin1(bytes.constData(), bytes.size());
    QCOMPARE(text, QString::fromLatin1(bytes));
    QCOMPARE(text.utf16()[text.size()], u'\0');
}

void TestByteArena::valuesOutliveTheArena() {
    QByteArray bytes;
    QString text;
    QByteArray empty;
    {
        ByteArena arena;
        bytes = arena.Store("<xml>ç</xml>", 13);
        text = arena.StoreLatin1("ID0001", 6);
        empty = arena.Store("", 0);
        arena.Store(QByteArray(1000, 'z').constData(), 1000);
    }
    // A new arena takes whatever blocks it can; the values kept above must not be among them.
    ByteArena next;
    for (int i = 0; i < 100; ++i) {
        next.Store(QByteArray(4096, char('a' + i % 26)).constData(), 4096);
        next.StoreLatin1("XXXXXX", 6);
    }
    QCOMPARE(bytes, QByteArray("<xml>ç</xml>"));
    QCOMPARE(text, QStringLiteral("ID0001"));
    QVERIFY(empty.isEmpty());
    QVERIFY(!empty.isNull());
}

void TestByteArena::heldBlocksAreNotReused() {
    QByteArray held;
    const char* heldAt = nullptr;
    {
        ByteArena arena;
        // Past the first block, so that the value sits in a block of the reusable size.
        arena.Store(QByteArray(int(ByteArena::FirstBlockSize), 'f').constData(), ByteArena::FirstBlockSize);
        held = arena.Store("kept", 4);
        heldAt = held.constData();
    }
    ByteArena next;
    next.Store(QByteArray(int(ByteArena::FirstBlockSize), 'f').constData(), ByteArena::FirstBlockSize);
    const QByteArray other = next.Store("over", 4);
    QVERIFY(other.constData() != heldAt);
    QCOMPARE(held, QByteArray("kept"));
}

void TestByteArena::freeBlocksAreReused() {
    const char* firstAt = nullptr;
    {
        ByteArena arena;
        arena.Store(QByteArray(int(ByteArena::FirstBlockSize), 'f').constData(), ByteArena::FirstBlockSize);
        firstAt = arena.Store("a", 1).constData();
    }
    QVERIFY(ByteArena::KeptBlocks() > 0);
    ByteArena next;
    next.Store(QByteArray(int(ByteArena::FirstBlockSize), 'f').constData(), ByteArena::FirstBlockSize);
    QCOMPARE(static_cast<const void*>(next.Store("b", 1).constData()), static_cast<const void*>(firstAt));
}

void TestByteArena::changingAValueLeavesTheOthers() {
    auto arena = std::make_unique<ByteArena>();
    QByteArray first = arena->Store("one", 3);
    const QByteArray second = arena->Store("two", 3);
    QString text = arena->StoreLatin1("abc", 3);
    const QString otherText = arena->StoreLatin1("def", 3);
    first[0] = 'O';
    QCOMPARE(second, QByteArray("two"));
    arena.reset();
    // The block is still shared with the neighbours: growing a value must not write over them.
    first.append(QByteArray(64, '!'));
    text.append(QString(64, u'!'));
    QCOMPARE(second, QByteArray("two"));
    QCOMPARE(otherText, QStringLiteral("def"));
    QCOMPARE(first, QByteArray("One") + QByteArray(64, '!'));
    QCOMPARE(text, QStringLiteral("abc") + QString(64, u'!'));

    // A value left alone with its block may grow in place, within the block or beyond it.
    QByteArray solo;
    QString soloText;
    {
        ByteArena own;
        solo = own.Store("solo", 4);
        own.Store("gone", 4);
        soloText = own.StoreLatin1("solo", 4);
    }
    solo.append(QByteArray(int(ByteArena::FirstBlockSize), '+'));
    soloText.append(QString(int(ByteArena::FirstBlockSize), u'+'));
    QCOMPARE(solo, QByteArray("solo") + QByteArray(int(ByteArena::FirstBlockSize), '+'));
    QCOMPARE(soloText, QStringLiteral("solo") + QString(int(ByteArena::FirstBlockSize), u'+'));
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
        arena.Store("xxxxxxx", i % 7);
        void* room = arena.Allocate(std::size_t(i * 3), std::size_t(alignment));
        QCOMPARE(reinterpret_cast<std::uintptr_t>(room) % std::uintptr_t(alignment), std::uintptr_t(0));
    }
}

QTEST_GUILESS_MAIN(TestByteArena)
#include "tst_bytearena.moc"
