#include "packs/GameResolution.h"
#include "tests/fixtures/RecordingChatOutput.h"
#include "tests/fixtures/UnprivilegedUser.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray exeImage(qint64 size)
{
    QByteArray bytes(size, '\0');
    for (qint64 i = 0; i < size; ++i)
        bytes[i] = char((i * 13) & 0xFF);
    return bytes;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QByteArray SizeError = "Game executable file size error, possibly not patched to 1.01 / 1.03";

} // namespace

class tst_GameResolution : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void patchesTheRightBuild();
    void wrongLength_data();
    void wrongLength();
    void missingFileIsNotCreated();
    void readOnlyExecutableIsNotWritten();
};

void tst_GameResolution::patchesTheRightBuild()
{
    QTemporaryDir dir;
    const QString exe = dir.filePath("d3dpoptb.exe");
    const QString client = dir.filePath("client");
    const QByteArray original = exeImage(GameResolution::RequiredSize);
    QVERIFY(writeFile(exe, original));
    RecordingChatOutput chat;
    QVERIFY(PatchGameResolution(exe, client, chat));
    QVERIFY(chat.systemMessages.isEmpty());

    const QByteArray patched = readFile(exe);
    QCOMPARE(patched.size(), qsizetype(GameResolution::RequiredSize));
    QCOMPARE(patched.mid(0x1039A, 10), QByteArray::fromHex("A0F09C74003805904598"));
    QCOMPARE(patched.mid(0x103A5, 33),
             QByteArray::fromHex("742733C98AC88D0C49C1E1028B8124CF89008B9120CF8900508B891CCF89005251"));
    QCOMPARE(patched.mid(0x57160, 6), QByteArray::fromHex("33C0A0F09C74"));
    QCOMPARE(patched.mid(0x57167, 32),
             QByteArray::fromHex("8D14408B049524CF89008D0C9500000000508B9120CF8900528B891CCF890051"));
    int changedOutside = 0;
    int written = 0;
    for (qsizetype i = 0; i < patched.size(); ++i) {
        const bool inRun = (i >= 0x1039A && i < 0x1039A + 10) || (i >= 0x103A5 && i < 0x103A5 + 33)
                           || (i >= 0x57160 && i < 0x57160 + 6) || (i >= 0x57167 && i < 0x57167 + 32);
        written += inRun;
        if (!inRun && patched[i] != original[i])
            ++changedOutside;
    }
    QCOMPARE(written, 81);
    QCOMPARE(changedOutside, 0);
    QCOMPARE(patched[0x103A4], original[0x103A4]);
    QCOMPARE(patched[0x57166], original[0x57166]);

    // The original is kept once, before the first patch.
    const QString backup = QDir(client).filePath("backup/d3dpoptb.exe");
    QCOMPARE(readFile(backup), original);

    // A second run changes nothing, and the backup stays the original.
    QVERIFY(PatchGameResolution(exe, client, chat));
    QCOMPARE(readFile(exe), patched);
    QCOMPARE(readFile(backup), original);
}

void tst_GameResolution::wrongLength_data()
{
    QTest::addColumn<qint64>("size");
    QTest::newRow("one short") << GameResolution::RequiredSize - 1;
    QTest::newRow("one long") << GameResolution::RequiredSize + 1;
    QTest::newRow("the hex typo") << qint64(0x22BA00 + 0x1000);
    QTest::newRow("empty") << qint64(0);
}

void tst_GameResolution::wrongLength()
{
    QFETCH(qint64, size);
    QTemporaryDir dir;
    const QString exe = dir.filePath("d3dpoptb.exe");
    const QByteArray original = exeImage(size);
    QVERIFY(writeFile(exe, original));
    RecordingChatOutput chat;
    QVERIFY(!PatchGameResolution(exe, dir.filePath("client"), chat));
    QCOMPARE(readFile(exe), original);
    QCOMPARE(chat.systemMessages, QList<QByteArray>{SizeError});
    QVERIFY(!QFile::exists(dir.filePath("client/backup/d3dpoptb.exe")));
}

void tst_GameResolution::missingFileIsNotCreated()
{
    QTemporaryDir dir;
    RecordingChatOutput chat;
    QVERIFY(!PatchGameResolution(dir.filePath("d3dpoptb.exe"), dir.filePath("client"), chat));
    QVERIFY(!QFile::exists(dir.filePath("d3dpoptb.exe")));
    QCOMPARE(chat.systemMessages, QList<QByteArray>{SizeError});
}

// An executable the user may not write (mode 0444) keeps every byte and its
// mode, no backup is made, and the failure is the status line.
void tst_GameResolution::readOnlyExecutableIsNotWritten()
{
    QTemporaryDir dir;
    QVERIFY(UnprivilegedUser::openFolder(dir.path()));
    const QString exe = dir.filePath("d3dpoptb.exe");
    const QByteArray original = exeImage(GameResolution::RequiredSize);
    QVERIFY(writeFile(exe, original));
    const QFileDevice::Permissions readOnly = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    QVERIFY(QFile::setPermissions(exe, readOnly));
    RecordingChatOutput chat;
    bool patched = true;
    {
        UnprivilegedUser user;
        QVERIFY(user.active());
        patched = PatchGameResolution(exe, dir.filePath("client"), chat);
    }
    QVERIFY(!patched);
    QCOMPARE(chat.systemMessages,
             QList<QByteArray>{"Game executable not patched: d3dpoptb.exe cannot be written"});
    QCOMPARE(readFile(exe), original);
    QCOMPARE(QFile::permissions(exe) & QFileDevice::Permissions(0x7077), readOnly);
    QVERIFY(!QFile::exists(dir.filePath("client/backup")));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"d3dpoptb.exe"});
}

QTEST_GUILESS_MAIN(tst_GameResolution)
#include "tst_gameresolution.moc"
