#include "core/FindGamePath.h"
#include "core/api/GameSetup.h"
#include "tests/fixtures/FakeDialogs.h"
#include "tests/fixtures/FakeRegistry.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class TstFindGamePath : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void notInstalled_data();
    void notInstalled();
    void installed();
};

void TstFindGamePath::notInstalled_data()
{
    QTest::addColumn<int>("variant");
    QTest::newRow("no key") << 0;
    QTest::newRow("key without installpath") << 1;
    QTest::newRow("empty installpath") << 2;
    QTest::newRow("installpath is a number") << 3;
    QTest::newRow("path with no host folder") << 4;
}

void TstFindGamePath::notInstalled()
{
    QFETCH(int, variant);
    FakeRegistry registry;
    FakeDialogs dialogs;
    QTemporaryDir drive;
    registry.driveC = drive.path();
    switch (variant) {
    case 1:
        registry.setString(GamePathKeys::GameKey, "version", "1.01");
        break;
    case 2:
        registry.installGame("");
        break;
    case 3:
        registry.setDword(GamePathKeys::GameKey, "installpath", 7);
        break;
    case 4:
        registry.installGame("\\\\server\\games");
        break;
    default:
        break;
    }
    GameSetup setup;
    setup.GameInstalled = true;
    setup.GamePath = QStringLiteral("stale");
    QByteArray version = "stale";
    FindGamePath(registry, dialogs, setup, &version);
    QVERIFY(!setup.GameInstalled);
    QVERIFY(setup.GamePath.isEmpty());
    QVERIFY(setup.GamePathWindows.isEmpty());
    QVERIFY(version.isEmpty());
    QCOMPARE(dialogs.questions.size(), 1);
    QCOMPARE(dialogs.questions[0].text,
             QStringLiteral("Populous: The Beginning not installed or install path not found.\r\n"
                            "You wont be able to host or join games."));
    QCOMPARE(dialogs.questions[0].buttons, Dialogs::Buttons::Ok);
}

void TstFindGamePath::installed()
{
    FakeRegistry registry;
    FakeDialogs dialogs;
    QTemporaryDir drive;
    QVERIFY(QDir(drive.path()).mkpath(QStringLiteral("Games/Populous")));
    registry.driveC = drive.path();
    registry.installGame("C:\\games\\populous\\", "1.03");
    GameSetup setup;
    QByteArray version;
    FindGamePath(registry, dialogs, setup, &version);
    QVERIFY(setup.GameInstalled);
    QCOMPARE(setup.GamePathWindows, QByteArray("C:\\games\\populous"));
    QCOMPARE(setup.GamePath, drive.path() + QStringLiteral("/Games/Populous"));
    QCOMPARE(version, QByteArray("1.03"));
    QVERIFY(dialogs.questions.isEmpty());
}

QTEST_GUILESS_MAIN(TstFindGamePath)
#include "tst_findgamepath.moc"
