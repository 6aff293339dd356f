#include "packs/GameMemory.h"
#include "tests/fixtures/FakeProcessMemory.h"
#include "tests/fixtures/RecordingChatOutput.h"

#include <QtTest>

class tst_GameMemory : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void watchedValue_data();
    void watchedValue();
    void watchAddressByExecutable_data();
    void watchAddressByExecutable();
    void patchRuns_data();
    void patchRuns();
    void unknownExecutableIsLeftAlone();
    void deniedAccess();
    void patchWaitsForTheLoader_data();
    void patchWaitsForTheLoader();
    void patchMustReadBack();
    void patchUndoneIsWrittenAgain();
};

void tst_GameMemory::watchedValue_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("cheat");
    QTest::newRow("80 00") << QByteArray("\x80\x00", 2) << true;
    QTest::newRow("80 80") << QByteArray("\x80\x80", 2) << false;
    QTest::newRow("00 80") << QByteArray("\x00\x80", 2) << false;
    QTest::newRow("00 00") << QByteArray("\x00\x00", 2) << false;
}

void tst_GameMemory::watchedValue()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, cheat);
    FakeProcessMemory memory;
    RecordingChatOutput chat;
    memory.set(0x884BFA, bytes);
    bool detected = false;
    CheckGameMemory(memory, 77, "poptb.exe", detected, chat);
    QCOMPARE(detected, cheat);
    if (cheat) {
        QCOMPARE(memory.byte(0x884BFA), quint8(0));
        QCOMPARE(memory.byte(0x884BFB), quint8(0));
        QCOMPARE(memory.writes.size(), 1);
        QCOMPARE(memory.writes[0].pid, qint64(77));
    } else {
        QVERIFY(memory.writes.isEmpty());
    }
    // A later clean read never clears the flag.
    CheckGameMemory(memory, 77, "poptb.exe", detected, chat);
    QCOMPARE(detected, cheat);
}

void tst_GameMemory::watchAddressByExecutable_data()
{
    QTest::addColumn<QByteArray>("exe");
    QTest::addColumn<quint64>("address");
    QTest::newRow("software") << QByteArray("poptb.exe") << quint64(0x884BFA);
    QTest::newRow("capitals") << QByteArray("POPTB.EXE") << quint64(0x884BFA);
    QTest::newRow("hardware") << QByteArray("d3dpoptb.exe") << quint64(0x89C662);
    QTest::newRow("hardware capitals") << QByteArray("D3DPopTB.exe") << quint64(0x89C662);
}

void tst_GameMemory::watchAddressByExecutable()
{
    QFETCH(QByteArray, exe);
    QFETCH(quint64, address);
    FakeProcessMemory memory;
    RecordingChatOutput chat;
    memory.set(address, QByteArray("\x80\x00", 2));
    bool detected = false;
    CheckGameMemory(memory, 5, exe, detected, chat);
    QVERIFY(detected);
    QCOMPARE(memory.byte(address), quint8(0));
}

void tst_GameMemory::patchRuns_data()
{
    QTest::addColumn<QByteArray>("exe");
    QTest::addColumn<int>("bytes");
    QTest::addColumn<quint64>("first");
    QTest::addColumn<quint64>("last");
    QTest::newRow("software") << QByteArray("poptb.exe") << 77 << quint64(0x464BCE) << quint64(0x464D52);
    QTest::newRow("software capitals") << QByteArray("POPTB.EXE") << 77 << quint64(0x464BCE) << quint64(0x464D52);
    QTest::newRow("hardware") << QByteArray("d3dpoptb.exe") << 87 << quint64(0x4AB017) << quint64(0x4AB0C5);
}

void tst_GameMemory::patchRuns()
{
    QFETCH(QByteArray, exe);
    QFETCH(int, bytes);
    QFETCH(quint64, first);
    QFETCH(quint64, last);
    FakeProcessMemory memory;
    QVERIFY(PatchGameMemory(memory, 9, exe));
    int count = 0;
    for (auto it = memory.memory.cbegin(); it != memory.memory.cend(); ++it) {
        QCOMPARE(it.value(), quint8(0x90));
        ++count;
    }
    QCOMPARE(count, bytes);
    QCOMPARE(memory.memory.firstKey(), first);
    QCOMPARE(memory.memory.lastKey(), last);
    if (exe.toLower() == "poptb.exe")
        QVERIFY(!memory.memory.contains(0x464CCF)); // between two runs, never written
}

void tst_GameMemory::unknownExecutableIsLeftAlone()
{
    FakeProcessMemory memory;
    RecordingChatOutput chat;
    memory.set(0x884BFA, QByteArray("\x80\x00", 2));
    memory.set(0x89C662, QByteArray("\x80\x00", 2));
    bool detected = false;
    CheckGameMemory(memory, 5, "popTB_modded.exe", detected, chat);
    QVERIFY(!detected);
    QCOMPARE(memory.reads, 0);
    QVERIFY(!PatchGameMemory(memory, 5, "popTB_modded.exe"));
    QVERIFY(memory.writes.isEmpty());
}

void tst_GameMemory::deniedAccess()
{
    FakeProcessMemory memory;
    RecordingChatOutput chat;
    memory.set(0x884BFA, QByteArray("\x80\x00", 2));
    memory.denyRead = true;
    bool detected = false;
    CheckGameMemory(memory, 5, "poptb.exe", detected, chat);
    QVERIFY(!detected);
    QVERIFY(chat.runs.isEmpty());

    // Read allowed, the reset denied: still a cheat, reported once.
    memory.denyRead = false;
    memory.denyWrite = true;
    chat.roomFocus = 3;
    CheckGameMemory(memory, 5, "poptb.exe", detected, chat);
    CheckGameMemory(memory, 5, "poptb.exe", detected, chat);
    QVERIFY(detected);
    QCOMPARE(chat.runs.size(), 1);
    QCOMPARE(chat.runs[0].text, QByteArray("ERROR 34869 : 1 : PLEASE REPORT TO ADMIN!\r\n"));
    QCOMPARE(chat.runs[0].room, qint16(3));
    QCOMPARE(chat.runs[0].font, QByteArray("Arial"));
    QCOMPARE(chat.runs[0].size, 10);

    // A patch whose writes are denied is not done: GamePatched stays clear.
    QVERIFY(!PatchGameMemory(memory, 5, "poptb.exe"));
}

namespace {
int patchedBytes(const FakeProcessMemory &memory)
{
    int count = 0;
    for (auto it = memory.memory.cbegin(); it != memory.memory.cend(); ++it)
        count += it.value() == 0x90;
    return count;
}
} // namespace

void tst_GameMemory::patchWaitsForTheLoader_data()
{
    QTest::addColumn<QByteArray>("exe");
    QTest::addColumn<quint64>("page");
    QTest::addColumn<int>("bytes");
    QTest::newRow("software") << QByteArray("poptb.exe") << quint64(0x464000) << 77;
    QTest::newRow("hardware") << QByteArray("d3dpoptb.exe") << quint64(0x4AB000) << 87;
}

void tst_GameMemory::patchWaitsForTheLoader()
{
    QFETCH(QByteArray, exe);
    QFETCH(quint64, page);
    QFETCH(int, bytes);
    // The code range is reserved without access until the executable is
    // mapped: nothing is written there (it would be lost), nothing is patched.
    FakeProcessMemory memory;
    memory.reserve(page, 0x1000);
    QVERIFY(!PatchGameMemory(memory, 9, exe));
    QVERIFY(memory.writes.isEmpty());
    QVERIFY(!PatchGameMemory(memory, 9, exe));
    QVERIFY(memory.writes.isEmpty());

    memory.mapOver(page, 0x1000, char(0xCC));
    QVERIFY(PatchGameMemory(memory, 9, exe));
    QCOMPARE(patchedBytes(memory), bytes);
    QCOMPARE(memory.writes.size(), exe == "poptb.exe" ? 5 : 3);
}

void tst_GameMemory::patchMustReadBack()
{
    // Writes that report success but do not show on a read-back are no patch.
    FakeProcessMemory memory;
    memory.mapOver(0x464000, 0x1000, char(0xCC));
    memory.dropWrites = true;
    QVERIFY(!PatchGameMemory(memory, 9, "poptb.exe"));
    QCOMPARE(memory.writes.size(), 5);
    QCOMPARE(patchedBytes(memory), 0);
    memory.dropWrites = false;
    QVERIFY(PatchGameMemory(memory, 9, "poptb.exe"));
    QCOMPARE(patchedBytes(memory), 77);
}

void tst_GameMemory::patchUndoneIsWrittenAgain()
{
    FakeProcessMemory memory;
    memory.mapOver(0x4AB000, 0x1000, char(0xCC));
    QVERIFY(PatchGameMemory(memory, 9, "d3dpoptb.exe"));
    QCOMPARE(memory.writes.size(), 3);
    // Still patched: read, not written again.
    QVERIFY(PatchGameMemory(memory, 9, "d3dpoptb.exe"));
    QCOMPARE(memory.writes.size(), 3);

    // One byte of the middle run changed back: only that run is written.
    memory.set(0x4AB070, "\xCC");
    QVERIFY(PatchGameMemory(memory, 9, "d3dpoptb.exe"));
    QCOMPARE(memory.writes.size(), 4);
    QCOMPARE(memory.writes.last().address, quint64(0x4AB060));
    QCOMPARE(patchedBytes(memory), 87);
}

QTEST_GUILESS_MAIN(tst_GameMemory)
#include "tst_gamememory.moc"
