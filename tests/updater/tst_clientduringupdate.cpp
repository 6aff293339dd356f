// The real client and the real updater around one install, as a player meets
// them: a client started by hand while the release downloads slowly (within
// the client's wait for the folder, and past it), two updaters of which the
// first one's window is closed, and the ordinary hand-over. Every few
// milliseconds the processes are looked at: never two clients of the folder
// run, no client runs whose program file was replaced under it, and at the
// end one client runs and the folder holds the old release or the new one,
// whole.
#include "core/VersionCheck.h"
#include "core/util/Ini.h"
#include "platform/UrlDownload.h"
#include "tests/fixtures/FakeDialogs.h"
#include "tests/fixtures/ReleaseHost.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/fixtures/WebHost.h"
#include "tests/fixtures/ZipBuilder.h"
#include "updater/FolderLock.h"
#include "updater/StartRecovery.h"
#include "updater/UpdateLock.h"
#include "updater/UpdaterRun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <functional>
#include <memory>

#include <csignal>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int DataFiles = 50;

QString dataFile(int i)
{
    return QStringLiteral("data/f%1.txt").arg(i, 2, 10, QLatin1Char('0'));
}

// What the processes of a folder's client look like now: each process whose
// program is the folder's client, whether it holds its share of the folder
// (it is past its start and runs), and whether its program file was replaced.
struct Client
{
    pid_t pid;
    bool running;
    bool replaced;
};

QList<Client> clientsOf(const QString &home)
{
    struct stat folder {};
    ::stat(QFile::encodeName(home).constData(), &folder);
    // The holders of the folder's lock, from the kernel's table.
    QSet<pid_t> holders;
    QFile locks(QStringLiteral("/proc/locks"));
    if (locks.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : locks.readAll().split('\n')) {
            const QList<QByteArray> f = line.simplified().split(' ');
            if (f.size() < 6 || f[1] != "FLOCK" || f[3] != "READ")
                continue;
            const QList<QByteArray> id = f[5].split(':');
            if (id.size() == 3 && id[2].toULongLong() == quint64(folder.st_ino))
                holders.insert(pid_t(f[4].toInt()));
        }
    }
    const QString program = home + QStringLiteral("/Zorbel1");
    QList<Client> clients;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const pid_t pid = pid_t(entry.toInt(&number));
        if (!number)
            continue;
        const QString exe = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid));
        if (exe != program && exe != program + QStringLiteral(" (deleted)"))
            continue;
        clients.append({pid, holders.contains(pid), exe.endsWith(QLatin1String(" (deleted)"))});
    }
    return clients;
}

// Looks at the clients every few milliseconds and keeps what went wrong.
class ClientWatch : public QObject
{
public:
    explicit ClientWatch(QString home) : m_home(std::move(home))
    {
        connect(&m_timer, &QTimer::timeout, this, [this] { look(); });
        m_timer.start(3);
    }

    void look()
    {
        const QList<Client> now = clientsOf(m_home);
        int running = 0;
        for (const Client &client : now) {
            if (!client.running)
                continue;
            ++running;
            if (client.replaced && faults.size() < 10)
                faults.append(QStringLiteral("client %1 runs on a replaced program").arg(client.pid));
        }
        if (running > 1 && faults.size() < 10)
            faults.append(QStringLiteral("%1 clients run").arg(running));
        last = now;
        ++looks;
    }

    QStringList faults;
    QList<Client> last;
    int looks = 0;

private:
    QString m_home;
    QTimer m_timer;
};

// Names that arrive in a folder (made or renamed there), as they arrive.
class Arrivals : public QObject
{
public:
    explicit Arrivals(const QString &folder, std::function<void(const QString &)> arrived)
        : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
        , m_arrived(std::move(arrived))
    {
        if (m_fd < 0 || ::inotify_add_watch(m_fd, QFile::encodeName(folder).constData(), IN_CREATE | IN_MOVED_TO) < 0)
            return;
        m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
        connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { read(); });
    }
    ~Arrivals() override
    {
        m_notifier.reset();
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool watching() const { return m_notifier != nullptr; }

private:
    void read()
    {
        alignas(struct inotify_event) char buffer[16 * 1024];
        for (ssize_t n; (n = ::read(m_fd, buffer, sizeof buffer)) > 0;) {
            for (char *at = buffer; at < buffer + n;) {
                const auto *event = reinterpret_cast<const struct inotify_event *>(at);
                if (event->len > 0)
                    m_arrived(QFile::decodeName(event->name));
                at += sizeof(struct inotify_event) + event->len;
            }
        }
    }

    int m_fd;
    std::function<void(const QString &)> m_arrived;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace

class TestClientDuringUpdate : public QObject
{
    Q_OBJECT

    QTemporaryDir m_base{QDir::current().filePath(QStringLiteral("clientduringupdate-XXXXXX"))};
    WebHost m_host;
    QString m_zip;
    QString m_prefix;
    QByteArray m_client;
    QMap<QString, QByteArray> m_old;
    QMap<QString, QByteArray> m_new;

    QUrl archive() const { return m_host.url("/updates/gatherhall-1.0.1.zip"); }
    // How many times the release archive was asked for.
    qsizetype fetches() const
    {
        return std::count_if(m_host.requests.cbegin(), m_host.requests.cend(),
                             [](const WebHost::Request &r) { return r.path == "/updates/gatherhall-1.0.1.zip"; });
    }

    // A folder with the old release, the real client in it; `slowMs` is how
    // long the release's download takes.
    QString prepare(const QString &name, int slowMs)
    {
        const QString home = m_base.filePath(name);
        QDir().mkpath(home + QStringLiteral("/data"));
        const QString client = home + QStringLiteral("/Zorbel1");
        if (::link(ZORBEL_CLIENT_PATH, QFile::encodeName(client).constData()) != 0)
            QFile::copy(QStringLiteral(ZORBEL_CLIENT_PATH), client);
        QFile::link(QStringLiteral(ZORBEL_SOURCE_DIR "/assets/skins"), home + QStringLiteral("/skins"));
        for (auto it = m_old.cbegin(); it != m_old.cend(); ++it)
            writeFile(home + QLatin1Char('/') + it.key(), it.value());
        Ini::WriteIni(home + QStringLiteral("/qx.ini"), "general", "webhost", m_host.hostAndPort());
        WebHost::Answer slow;
        slow.file = m_zip;
        slow.chunkIntervalMs = 50;
        slow.chunkBytes = QFileInfo(m_zip).size() / qMax(1, slowMs / 50) + 1;
        m_host.serve("/updates/gatherhall-1.0.1.zip", slow);
        return home;
    }

    QString whichIn(const QString &home) const
    {
        const auto matches = [&home](const QMap<QString, QByteArray> &release) {
            for (auto it = release.cbegin(); it != release.cend(); ++it) {
                if (readFile(home + QLatin1Char('/') + it.key()) != it.value())
                    return false;
            }
            return true;
        };
        if (readFile(home + QStringLiteral("/Zorbel1")) != m_client)
            return QStringLiteral("no whole client");
        if (matches(m_old) && !QFileInfo::exists(home + QStringLiteral("/extra.txt")))
            return QStringLiteral("old");
        if (matches(m_new))
            return QStringLiteral("new");
        return QStringLiteral("mixed");
    }

    QProcessEnvironment environment(const QString &home, int waitMs) const
    {
        QProcessEnvironment env = programEnvironment(home, m_prefix);
        env.insert(QLatin1String(UpdateLock::WaitVariable), QString::number(waitMs));
        return env;
    }

    std::unique_ptr<QProcess> start(const QString &program, const QProcessEnvironment &env)
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(env);
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        process->start(program, {});
        return process;
    }

    // The end: one client runs, and nothing else of it; then it is stopped.
    void endsWithOneClient(ClientWatch &watch, const QString &home, const QString &expected)
    {
        QTRY_VERIFY_WITH_TIMEOUT(watch.last.size() == 1 && watch.last.first().running, 60000);
        QVERIFY2(watch.faults.isEmpty(), qPrintable(watch.faults.join(QLatin1String("; "))));
        QVERIFY(watch.looks > 100);
        QCOMPARE(whichIn(home), expected);
        for (const Client &client : std::as_const(watch.last))
            ::kill(client.pid, SIGKILL);
        QTRY_VERIFY_WITH_TIMEOUT(clientsOf(home).isEmpty(), 10000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_base.isValid());
        QVERIFY(m_host.listen());
        // Each client asks for the version page first; it is told it is up to date.
        m_host.serve("/updates/version.php", "gatherhall\r\n1.0.0\r\n" + archive().toEncoded() + "\r\n");
        m_prefix = m_base.filePath(QStringLiteral("prefix"));
        writeGamePrefix(m_prefix);
        m_client = readFile(QStringLiteral(ZORBEL_CLIENT_PATH));
        QVERIFY(!m_client.isEmpty());
        QList<ZipEntry> entries{ZipEntry("Zorbel1", m_client).mode(0755).stored(), ZipEntry("data/").dir()};
        for (int i = 0; i < DataFiles; ++i) {
            m_old.insert(dataFile(i), "old " + QByteArray::number(i));
            m_new.insert(dataFile(i), "new " + QByteArray::number(i));
            entries.append(ZipEntry(QFile::encodeName(dataFile(i)), m_new.value(dataFile(i))));
        }
        m_new.insert(QStringLiteral("extra.txt"), "added by the release");
        entries.append(ZipEntry("extra.txt", m_new.value(QStringLiteral("extra.txt"))));
        m_zip = m_base.filePath(QStringLiteral("release.zip"));
        QString why;
        QVERIFY2(buildZip(m_zip, entries, &why), qPrintable(why));
    }

    void clientStartedByHandDuringTheDownload_data()
    {
        QTest::addColumn<int>("downloadMs");
        QTest::addColumn<int>("waitMs");
        QTest::addColumn<bool>("givesUp");
        QTest::newRow("within the client's wait") << 3000 << 20000 << false;
        QTest::newRow("past the client's wait") << 7000 << 1500 << true;
    }

    void clientStartedByHandDuringTheDownload()
    {
        QFETCH(int, downloadMs);
        QFETCH(int, waitMs);
        QFETCH(bool, givesUp);
        const QString home = prepare(QStringLiteral("byhand-%1").arg(waitMs), downloadMs);
        writeFile(home + QStringLiteral("/updater.cfg"), updaterConfigFor(archive(), home));
        // The updater's own wait stays long: only the client's is short.
        QProcessEnvironment updaterEnv = environment(home, 20000);
        ClientWatch watch(home);
        const qsizetype fetched = fetches();
        const auto updater = start(QStringLiteral(ZORBEL_UPDATER_PATH), updaterEnv);
        QVERIFY(updater->waitForStarted(10000));
        // Once the download runs, the player starts the client again.
        QTRY_VERIFY_WITH_TIMEOUT(fetches() > fetched, 10000);
        QTest::qWait(500);
        auto byHand = std::make_unique<QProcess>();
        byHand->setProcessEnvironment(environment(home, waitMs));
        byHand->setProcessChannelMode(QProcess::SeparateChannels);
        byHand->start(home + QStringLiteral("/Zorbel1"), {});
        QVERIFY(byHand->waitForStarted(10000));
        if (givesUp) {
            // It says why and ends, before the install comes.
            QTRY_VERIFY_WITH_TIMEOUT(byHand->state() == QProcess::NotRunning, 3 * waitMs + 5000);
            QVERIFY(byHand->readAllStandardError().contains(StartRecovery::BusyText));
            QCOMPARE(whichIn(home), QStringLiteral("old"));
        }
        QTRY_VERIFY_WITH_TIMEOUT(updater->state() == QProcess::NotRunning, 60000);
        QCOMPARE(updater->exitCode(), 0);
        endsWithOneClient(watch, home, QStringLiteral("new"));
        QTRY_VERIFY_WITH_TIMEOUT(byHand->state() == QProcess::NotRunning, 10000);
    }

    // The player starts the client by hand at a moment of the install itself:
    // when its journal appears, or at its last rename (the new client moved
    // in). Started at the journal, the client is the old program, and the
    // install may rename the new one over its name before it first looks at
    // itself; once, it is held still until that rename, so that it surely
    // does. It starts from another working folder and without ZORBEL_HOME, so
    // it must know its folder from its own executable. A race: a few tries.
    void clientStartedByHandDuringTheInstall_data()
    {
        QTest::addColumn<QString>("moment"); // the name whose arrival starts it
        QTest::addColumn<bool>("heldUntilMovedIn");
        QTest::addColumn<int>("tries");
        QTest::newRow("as the journal appears") << QStringLiteral("update-journal.txt") << false << 2;
        QTest::newRow("as the journal appears, looks after the rename") << QStringLiteral("update-journal.txt")
                                                                         << true << 2;
        QTest::newRow("at the last rename") << QStringLiteral("Zorbel1") << false << 2;
    }

    void clientStartedByHandDuringTheInstall()
    {
        QFETCH(QString, moment);
        QFETCH(bool, heldUntilMovedIn);
        QFETCH(int, tries);
        for (int attempt = 0; attempt < tries; ++attempt) {
            const QString name = QStringLiteral("install-%1-%2").arg(QTest::currentDataTag()).arg(attempt);
            const QString home = prepare(QString(name).replace(QLatin1Char(' '), QLatin1Char('-')), 300);
            writeFile(home + QStringLiteral("/updater.cfg"), updaterConfigFor(archive(), home));
            const QString elsewhere = home + QStringLiteral("-elsewhere");
            QVERIFY(QDir().mkpath(elsewhere));
            QProcessEnvironment handEnv = environment(home, 20000);
            handEnv.remove(QStringLiteral("ZORBEL_HOME"));
            ClientWatch watch(home);
            // A failed try leaves no client behind.
            const auto stopClients = qScopeGuard([&home] {
                for (const Client &client : clientsOf(home))
                    ::kill(client.pid, SIGKILL);
            });
            QProcess byHand;
            byHand.setProcessEnvironment(handEnv);
            byHand.setWorkingDirectory(elsewhere);
            byHand.setProcessChannelMode(QProcess::ForwardedChannels);
            bool started = false;
            bool held = false;
            bool oldProgram = false;
            Arrivals arrivals(home, [&](const QString &arrived) {
                if (arrived == moment && !started) {
                    started = true;
                    byHand.start(home + QStringLiteral("/Zorbel1"), {});
                    if (heldUntilMovedIn && byHand.waitForStarted(10000))
                        held = ::kill(pid_t(byHand.processId()), SIGSTOP) == 0;
                }
                if (arrived == QLatin1String("Zorbel1") && held) {
                    oldProgram = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(byHand.processId()))
                                     .endsWith(QLatin1String(" (deleted)"));
                    ::kill(pid_t(byHand.processId()), SIGCONT);
                    held = false;
                }
            });
            QVERIFY(arrivals.watching());
            const auto updater = start(QStringLiteral(ZORBEL_UPDATER_PATH), environment(home, 20000));
            QVERIFY(updater->waitForStarted(10000));
            QTRY_VERIFY_WITH_TIMEOUT(updater->state() == QProcess::NotRunning, 60000);
            QCOMPARE(updater->exitCode(), 0);
            QVERIFY2(started, "the install's moment never came");
            if (heldUntilMovedIn)
                QVERIFY2(oldProgram, "the client held still was not the old program");
            endsWithOneClient(watch, home, QStringLiteral("new"));
            QTRY_VERIFY_WITH_TIMEOUT(byHand.state() == QProcess::NotRunning, 10000);
            // Nothing was written where it was started from.
            QCOMPARE(fileTree(elsewhere), QStringList());
        }
    }

    // The first updater's window is closed while it downloads (it stops and
    // starts the old client); a second one was waiting for the folder. It
    // installs only if it gets the folder before that client runs, and never
    // under it.
    void secondUpdaterAfterTheFirstWasClosed()
    {
        const QString home = prepare(QStringLiteral("twoupdaters"), 6000);
        writeFile(home + QStringLiteral("/updater.cfg"), updaterConfigFor(archive(), home));
        const QProcessEnvironment env = environment(home, 3000);
        // The first run is this process's, so that its window close is a call;
        // the client it starts again is the real one, in the test's environment.
        for (const QString &name : env.keys())
            qputenv(name.toLocal8Bit().constData(), env.value(name).toLocal8Bit());
        ClientWatch watch(home);
        const qsizetype fetched = fetches();
        FakeDialogs dialogs;
        UpdaterRun first(dialogs, home);
        first.setLockWait(3000);
        std::unique_ptr<QProcess> second;
        connect(&first, &UpdaterRun::working, this, [&](UpdaterRun::Phase phase) {
            if (phase != UpdaterRun::Phase::Downloading || second)
                return;
            second = start(QStringLiteral(ZORBEL_UPDATER_PATH), env);
            QTimer::singleShot(1500, &first, [&first] { first.cancel(); });
        });
        QCOMPARE(first.run(), UpdaterRun::Outcome::Cancelled);
        QVERIFY(second);
        QElapsedTimer since;
        since.start();
        // The second run got the folder (and fetches the release), or gave
        // up after its wait because the old client ran (its box stays until
        // closed). A run that got the folder may fetch late on a loaded
        // machine; meanwhile the old client gives way and holds nothing.
        const auto oldClientHolds = [&watch] {
            return std::any_of(watch.last.cbegin(), watch.last.cend(),
                               [](const Client &client) { return client.running; });
        };
        QTRY_VERIFY_WITH_TIMEOUT(second->state() == QProcess::NotRunning
                                     || (since.elapsed() > 5000 && fetches() == fetched + 1
                                         && oldClientHolds()),
                                 60000);
        const QString which = whichIn(home);
        if (second->state() == QProcess::NotRunning) {
            QCOMPARE(second->exitStatus(), QProcess::NormalExit);
            QCOMPARE(second->exitCode(), 0);
            QCOMPARE(which, QStringLiteral("new"));
        } else {
            QCOMPARE(which, QStringLiteral("old"));
            second->kill();
            second->waitForFinished(10000);
        }
        endsWithOneClient(watch, home, which);
    }

    // The client's version check hands over (this process stands for that
    // client, holding its share of the folder until it ends); the real
    // updater installs once it has ended and starts the new client.
    void ordinaryHandOver()
    {
        const QString home = prepare(QStringLiteral("handover"), 1000);
        m_host.serve("/updates/version.php", "gatherhall\r\n1.0.1\r\n" + archive().toEncoded() + "\r\n");
        const QProcessEnvironment env = environment(home, 20000);
        for (const QString &name : env.keys())
            qputenv(name.toLocal8Bit().constData(), env.value(name).toLocal8Bit());
        QFile::copy(QStringLiteral(ZORBEL_UPDATER_PATH), home + QLatin1Char('/') + VersionCheck::updaterFileName());
        ClientWatch watch(home);
        {
            FolderLock client(home);
            QVERIFY(client.tryShared());
            FakeDialogs dialogs;
            dialogs.answers = {Dialogs::Answer::Yes};
            VersionCheck check(dialogs, home);
            check.setClientPath(home + QStringLiteral("/Zorbel1"));
            QCOMPARE(check.CheckVersion("gatherhall"), VersionCheck::Result::Exit);
            // The client takes a moment to end; the updater waits for it.
            QTest::qWait(300);
            QCOMPARE(whichIn(home), QStringLiteral("old"));
            // The new client (still "1.0.0" inside) is told it is up to date.
            m_host.serve("/updates/version.php", "gatherhall\r\n1.0.0\r\n" + archive().toEncoded() + "\r\n");
        }
        endsWithOneClient(watch, home, QStringLiteral("new"));
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(home + QStringLiteral("/updater.cfg")), 10000);
    }
};

QTEST_GUILESS_MAIN(TestClientDuringUpdate)
#include "tst_clientduringupdate.moc"
