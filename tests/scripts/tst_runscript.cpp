// scripts/run.sh against stand-ins of the build: a devlobby that gets ready
// late or not at all, and a client that notes what its program folder held
// when it started. No build of the real programs is needed.
#include "tests/fixtures/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Stands in for tools/devlobby: writes its packs, then (after
// FAKE_LOBBY_DELAY seconds, as a large release takes to pack) its qx.ini in
// one rename, naming a web host of its own; or ends with status 3 first when
// FAKE_LOBBY_FAIL is set. Then serves until it is stopped.
const QByteArray FakeLobby = R"sh(#!/bin/bash
home=""
while (($#)); do
  case "$1" in
    --home) home=$2; shift ;;
    --release) shift ;;
  esac
  shift
done
trap 'exit 0' TERM
mkdir -p "$home/mappacks" "$home/modpacks"
echo pack >"$home/mappacks/dev.kaf"
sleep "${FAKE_LOBBY_DELAY:-0}" & wait $!
[[ -n "${FAKE_LOBBY_FAIL:-}" ]] && exit 3
printf '[SECTION=GENERAL]\r\nWEBHOST=127.0.0.1:%s\r\n[EOS]\r\n' "$$" >"$home/qx.ini.new"
mv "$home/qx.ini.new" "$home/qx.ini"
while :; do sleep 1 & wait $!; done
)sh";

// Stands in for Zorbel1: one line per start in $FAKE_RECORDS/clients.txt,
// "<web host line>|<saved passwords>|<map packs>", read as it starts; with
// FAKE_SAVES_LOGIN it then saves a login into its qx.ini, as a player's
// first login does.
const QByteArray FakeClient = R"sh(#!/bin/bash
cd "$ZORBEL_HOME"
if [[ -f qx.ini ]]; then
  line="$(grep -a '^WEBHOST=' qx.ini | tr -d '\r')|$(grep -ac PASSWORD qx.ini)|$(ls mappacks 2>/dev/null | tr '\n' ' ')"
else
  line="no qx.ini"
fi
echo "$line" >>"$FAKE_RECORDS/clients.txt"
if [[ -n "${FAKE_SAVES_LOGIN:-}" ]]; then
  printf '[SECTION=USERINFO]\r\nNAME=first\r\nPASSWORD=secret\r\n[EOS]\r\n' >>qx.ini
fi
)sh";

void writeProgram(const QString &path, const QByteArray &text)
{
    writeFile(path, text);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace

class tst_RunScript : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void clientWaitsForALateLobby();
    void lobbyThatEndsStartsNoClient();
    void furtherClientsGetTheLobbyNotTheLogin();

private:
    // Starts scripts/run.sh with `arguments`; `environment` adds to the test's.
    QProcess *start(const QStringList &arguments = {}, const QStringList &environment = {});
    QList<QByteArray> clients() const
    {
        QList<QByteArray> lines = readFile(m_dir->filePath("records/clients.txt")).split('\n');
        lines.removeAll(QByteArray());
        return lines;
    }
    qsizetype clientCount() const { return clients().size(); }
    static void stop(QProcess *run);

    std::unique_ptr<QTemporaryDir> m_dir;
    QList<QProcess *> m_runs;
};

void tst_RunScript::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    writeFile(m_dir->filePath("build/skins/Default/qxskin.ini"), "[SECTION=SKINNING]\r\n[EOS]\r\n");
    writeProgram(m_dir->filePath("build/tools/devlobby/devlobby"), FakeLobby);
    writeProgram(m_dir->filePath("build/Zorbel1"), FakeClient);
    writeProgram(m_dir->filePath("build/updater"), "#!/bin/bash\n");
    QVERIFY(QDir().mkpath(m_dir->filePath("records")));
    QVERIFY(QDir().mkpath(m_dir->filePath("tmp")));
    writeFile(m_dir->filePath("release/Zorbel1"), QByteArray(4096, 'r'));
}

void tst_RunScript::cleanup()
{
    for (QProcess *run : std::as_const(m_runs))
        stop(run);
    qDeleteAll(m_runs);
    m_runs.clear();
    m_dir.reset();
}

QProcess *tst_RunScript::start(const QStringList &arguments, const QStringList &environment)
{
    auto *run = new QProcess;
    m_runs.append(run);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ZORBEL_RUN_BUILD", m_dir->filePath("build"));
    env.insert("ZORBEL_RUN_NO_BUILD", "1");
    env.insert("TMPDIR", m_dir->filePath("tmp"));
    env.insert("FAKE_RECORDS", m_dir->filePath("records"));
    for (const QString &pair : environment)
        env.insert(pair.section('=', 0, 0), pair.section('=', 1));
    run->setProcessEnvironment(env);
    run->setStandardInputFile(QProcess::nullDevice());
    run->start(QStringLiteral("bash"), QStringList{QStringLiteral(ZORBEL_SOURCE_DIR "/scripts/run.sh")} + arguments);
    if (!run->waitForStarted(10000))
        qWarning("scripts/run.sh did not start");
    return run;
}

// As Ctrl-C in its terminal: the run stops its lobby and removes its folders.
void tst_RunScript::stop(QProcess *run)
{
    if (run->state() == QProcess::NotRunning)
        return;
    run->terminate();
    if (!run->waitForFinished(20000)) {
        run->kill();
        run->waitForFinished(5000);
    }
}

void tst_RunScript::clientWaitsForALateLobby()
{
    // The lobby takes longer to get ready than any fixed wait would allow.
    QProcess *run = start({"--release", m_dir->filePath("release")}, {"FAKE_LOBBY_DELAY=7"});
    QTRY_VERIFY_WITH_TIMEOUT(clientCount() == 1, 60000);
    const QByteArray client = clients().value(0);
    QVERIFY2(client.startsWith("WEBHOST=127.0.0.1:"), client.constData());
    QVERIFY2(client.endsWith("|0|dev.kaf "), client.constData());
    QVERIFY(run->readAllStandardOutput().contains("Waiting for the development lobby to get ready (it packs the "
                                                  "release in "));
    stop(run);
    QCOMPARE(QDir(m_dir->filePath("tmp")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    QCOMPARE(QDir(m_dir->filePath("build/devlobby-lobbies")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());
}

void tst_RunScript::lobbyThatEndsStartsNoClient()
{
    QProcess *run = start({}, {"FAKE_LOBBY_DELAY=1", "FAKE_LOBBY_FAIL=1"});
    QVERIFY(run->waitForFinished(30000));
    QCOMPARE(run->exitCode(), 1);
    QVERIFY(run->readAllStandardError().contains("the development lobby ended (exit status 3) before it was ready; "
                                                 "no client is started"));
    QCOMPARE(clientCount(), 0);
    QCOMPARE(QDir(m_dir->filePath("tmp")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

void tst_RunScript::furtherClientsGetTheLobbyNotTheLogin()
{
    // The first run's player logs in and the login is saved.
    QProcess *first = start({}, {"FAKE_SAVES_LOGIN=1"});
    QTRY_VERIFY_WITH_TIMEOUT(clientCount() == 1, 30000);
    const QByteArray firstLobby = clients().value(0).split('|').value(0);
    QVERIFY(firstLobby.startsWith("WEBHOST="));
    // A second run side by side, with a lobby of its own.
    QProcess *second = start();
    QTRY_VERIFY_WITH_TIMEOUT(clientCount() == 2, 30000);
    const QByteArray secondLobby = clients().value(1).split('|').value(0);
    QVERIFY(secondLobby != firstLobby);

    const auto another = [this](const QByteArray &lobby) {
        const qsizetype before = clientCount();
        QProcess *run = start({"--another"});
        QVERIFY(run->waitForFinished(30000));
        QCOMPARE(run->exitCode(), 0);
        QCOMPARE(clientCount(), before + 1);
        // The lobby's web host and packs, and no one's saved login.
        QCOMPARE(clients().last(), lobby + "|0|dev.kaf ");
    };
    another(secondLobby);
    // The second run ends: its lobby goes, the first one still serves.
    stop(second);
    another(firstLobby);
    stop(first);
    QProcess *none = start({"--another"});
    QVERIFY(none->waitForFinished(30000));
    QCOMPARE(none->exitCode(), 1);
    QVERIFY(none->readAllStandardError().contains("no development lobby is running"));
}

QTEST_GUILESS_MAIN(tst_RunScript)
#include "tst_runscript.moc"
