#include "core/util/Ini.h"
#include "core/util/SettingsKeys.h"
#include "tests/fixtures/UnprivilegedUser.h"

#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

} // namespace

class TstIni : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void readIni_data();
    void readIni();
    void readMissingFile();
    void writeIni_data();
    void writeIni();
    void writeNewFileIsThreeLines();
    void writeDropsLineBreaksFromValue();
    void writeThenReadMixedCaseKey();
    void readOnlyFolderKeepsOldFile();
    void unwritablePathReportsFailure();
    void failedWriteKeepsOldFile();
    void readOnlyFileIsNotWritten();
    void keyTableDefaults();

private:
    QTemporaryDir m_dir;
    QString m_file;
};

void TstIni::init()
{
    QVERIFY(m_dir.isValid());
    m_file = m_dir.filePath(QStringLiteral("qx.ini"));
    QFile::remove(m_file);
}

void TstIni::readIni_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray basic = "[SECTION=OPTIONS]\r\nTIMESTAMPS=False\r\nFONT=Arial\r\n[EOS]\r\n";
    QTest::newRow("found, lower-case arguments") << basic << QByteArray("options")
                                                 << QByteArray("timestamps") << QByteArray("False");
    QTest::newRow("missing key gives default") << basic << QByteArray("options")
                                               << QByteArray("nope") << QByteArray("dflt");
    QTest::newRow("missing section gives default") << basic << QByteArray("paths")
                                                   << QByteArray("font") << QByteArray("dflt");
    QTest::newRow("empty value gives default")
        << QByteArray("[SECTION=OPTIONS]\r\nFONT=\r\n[EOS]\r\n") << QByteArray("options")
        << QByteArray("font") << QByteArray("dflt");
    QTest::newRow("value keeps further =")
        << QByteArray("[SECTION=A]\r\nK=x=y=\r\n[EOS]\r\n") << QByteArray("a") << QByteArray("k")
        << QByteArray("x=y=");
    QTest::newRow("duplicate section: last matching line wins")
        << QByteArray("[SECTION=A]\r\nK=1\r\n[EOS]\r\n[SECTION=B]\r\nK=2\r\n[EOS]\r\n"
                      "[SECTION=A]\r\nK=3\r\n[EOS]\r\n")
        << QByteArray("a") << QByteArray("k") << QByteArray("3");
    QTest::newRow("later line in same section wins")
        << QByteArray("[SECTION=A]\r\nK=1\r\nK=2\r\n[EOS]\r\n") << QByteArray("a") << QByteArray("k")
        << QByteArray("2");
    // A key that begins another key must not read the longer key's line.
    QTest::newRow("prefix key does not match longer key")
        << QByteArray("[SECTION=OPTIONS]\r\nDISABLESOUNDX=True\r\n[EOS]\r\n")
        << QByteArray("options") << QByteArray("disablesound") << QByteArray("dflt");
    QTest::newRow("prefix key with both present")
        << QByteArray("[SECTION=O]\r\nFONT=Arial\r\nFONTSIZE=12\r\n[EOS]\r\n") << QByteArray("o")
        << QByteArray("font") << QByteArray("Arial");
    QTest::newRow("line after EOS still counts")
        << QByteArray("[SECTION=A]\r\n[EOS]\r\nK=late\r\n") << QByteArray("a") << QByteArray("k")
        << QByteArray("late");
    QTest::newRow("section header compared as written")
        << QByteArray("[SECTION=options]\r\nFONT=Arial\r\n[EOS]\r\n") << QByteArray("options")
        << QByteArray("font") << QByteArray("dflt");
    QTest::newRow("key compared as written")
        << QByteArray("[SECTION=O]\r\nfont=Arial\r\n[EOS]\r\n") << QByteArray("o")
        << QByteArray("font") << QByteArray("dflt");
    QTest::newRow("header line is never an entry")
        << QByteArray("[SECTION=[K]\r\n[K=v\r\n[EOS]\r\n") << QByteArray("[k") << QByteArray("[k")
        << QByteArray("dflt");
    QTest::newRow("LF line ends") << QByteArray("[SECTION=A]\nK=lf\n[EOS]\n") << QByteArray("a")
                                  << QByteArray("k") << QByteArray("lf");
    QTest::newRow("no line end at the end") << QByteArray("[SECTION=A]\r\nK=v") << QByteArray("a")
                                            << QByteArray("k") << QByteArray("v");
    QTest::newRow("code page letters upper-cased")
        << QByteArray("[SECTION=\xC9T\xC9]\r\nK=v\r\n[EOS]\r\n") << QByteArray("\xE9t\xE9")
        << QByteArray("k") << QByteArray("v");
    QTest::newRow("before first header: no section")
        << QByteArray("K=v\r\n[SECTION=A]\r\n[EOS]\r\n") << QByteArray("") << QByteArray("k")
        << QByteArray("v");
}

void TstIni::readIni()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, expected);
    writeFile(m_file, file);
    QCOMPARE(Ini::ReadIni(m_file, section, key, "dflt"), expected);
}

void TstIni::readMissingFile()
{
    QCOMPARE(Ini::ReadIni(m_file, "a", "k", "dflt"), QByteArray("dflt"));
    QCOMPARE(Ini::ReadIni(m_dir.path(), "a", "k", "dflt"), QByteArray("dflt")); // a folder
}

void TstIni::writeIni_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("after");

    const QByteArray two = "[SECTION=A]\r\nX=1\r\nK=old\r\n[EOS]\r\n[SECTION=B]\r\nY=2\r\n[EOS]\r\n";
    QTest::newRow("existing key keeps order")
        << two << QByteArray("a") << QByteArray("k") << QByteArray("new")
        << QByteArray("[SECTION=A]\r\nX=1\r\nK=new\r\n[EOS]\r\n[SECTION=B]\r\nY=2\r\n[EOS]\r\n");
    QTest::newRow("new key appended to its section")
        << two << QByteArray("b") << QByteArray("z") << QByteArray("3")
        << QByteArray("[SECTION=A]\r\nX=1\r\nK=old\r\n[EOS]\r\n[SECTION=B]\r\nY=2\r\nZ=3\r\n[EOS]\r\n");
    QTest::newRow("new section appended at the end")
        << two << QByteArray("c") << QByteArray("k") << QByteArray("v")
        << QByteArray("[SECTION=A]\r\nX=1\r\nK=old\r\n[EOS]\r\n[SECTION=B]\r\nY=2\r\n[EOS]\r\n"
                      "[SECTION=C]\r\nK=v\r\n[EOS]\r\n");
    QTest::newRow("empty value written")
        << two << QByteArray("a") << QByteArray("x") << QByteArray()
        << QByteArray("[SECTION=A]\r\nX=\r\nK=old\r\n[EOS]\r\n[SECTION=B]\r\nY=2\r\n[EOS]\r\n");
    QTest::newRow("duplicate sections: every match set")
        << QByteArray("[SECTION=A]\r\nK=1\r\n[EOS]\r\n[SECTION=A]\r\nK=2\r\n[EOS]\r\n")
        << QByteArray("a") << QByteArray("k") << QByteArray("9")
        << QByteArray("[SECTION=A]\r\nK=9\r\n[EOS]\r\n[SECTION=A]\r\nK=9\r\n[EOS]\r\n");
    QTest::newRow("duplicate sections: new key into the first")
        << QByteArray("[SECTION=A]\r\nK=1\r\n[EOS]\r\n[SECTION=A]\r\nK=2\r\n[EOS]\r\n")
        << QByteArray("a") << QByteArray("n") << QByteArray("v")
        << QByteArray("[SECTION=A]\r\nK=1\r\nN=v\r\n[EOS]\r\n[SECTION=A]\r\nK=2\r\n[EOS]\r\n");
    QTest::newRow("prefix key is a new key")
        << QByteArray("[SECTION=A]\r\nFONTSIZE=12\r\n[EOS]\r\n") << QByteArray("a")
        << QByteArray("font") << QByteArray("Arial")
        << QByteArray("[SECTION=A]\r\nFONTSIZE=12\r\nFONT=Arial\r\n[EOS]\r\n");
    QTest::newRow("text before first header dropped")
        << QByteArray("stray=1\r\nnote\r\n[SECTION=A]\r\nK=1\r\n[EOS]\r\n") << QByteArray("a")
        << QByteArray("k") << QByteArray("2") << QByteArray("[SECTION=A]\r\nK=2\r\n[EOS]\r\n");
    QTest::newRow("entry after EOS joins the section above")
        << QByteArray("[SECTION=A]\r\nK=1\r\n[EOS]\r\nL=2\r\n") << QByteArray("a") << QByteArray("k")
        << QByteArray("3") << QByteArray("[SECTION=A]\r\nK=3\r\nL=2\r\n[EOS]\r\n");
    QTest::newRow("blank lines dropped, stray lines kept")
        << QByteArray("[SECTION=A]\r\n\r\nnote\r\nK=1\r\n[EOS]\r\n") << QByteArray("a")
        << QByteArray("k") << QByteArray("2")
        << QByteArray("[SECTION=A]\r\nnote\r\nK=2\r\n[EOS]\r\n");
    QTest::newRow("lower-case section is another section")
        << QByteArray("[SECTION=a]\r\nK=1\r\n[EOS]\r\n") << QByteArray("a") << QByteArray("k")
        << QByteArray("2") << QByteArray("[SECTION=a]\r\nK=1\r\n[EOS]\r\n[SECTION=A]\r\nK=2\r\n[EOS]\r\n");
    QTest::newRow("LF file rewritten with CR LF")
        << QByteArray("[SECTION=A]\nK=1\n[EOS]\n") << QByteArray("a") << QByteArray("k")
        << QByteArray("2") << QByteArray("[SECTION=A]\r\nK=2\r\n[EOS]\r\n");
}

void TstIni::writeIni()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, after);
    writeFile(m_file, before);
    QVERIFY(Ini::WriteIni(m_file, section, key, value));
    QCOMPARE(readFile(m_file), after);
}

void TstIni::writeNewFileIsThreeLines()
{
    QString error;
    QVERIFY(Ini::WriteIni(m_file, "userinfo", "name", "Big Wolf", &error));
    QCOMPARE(readFile(m_file), QByteArray("[SECTION=USERINFO]\r\nNAME=Big Wolf\r\n[EOS]\r\n"));
    QCOMPARE(Ini::ReadIni(m_file, "userinfo", "name", ""), QByteArray("Big Wolf"));
}

void TstIni::writeDropsLineBreaksFromValue()
{
    QVERIFY(Ini::WriteIni(m_file, "a", "k", "one\r\ntwo\nthree\r"));
    QCOMPARE(readFile(m_file), QByteArray("[SECTION=A]\r\nK=onetwothree\r\n[EOS]\r\n"));
}

void TstIni::writeThenReadMixedCaseKey()
{
    QVERIFY(Ini::WriteIni(m_file, SettingsKeys::LangFilter.section, SettingsKeys::LangFilter.key,
                          SettingsKeys::flagText(false)));
    QCOMPARE(readFile(m_file), QByteArray("[SECTION=OPTIONS]\r\nLANGFILTER=False\r\n[EOS]\r\n"));
    QCOMPARE(SettingsKeys::read(m_file, SettingsKeys::LangFilter), QByteArray("False"));
}

void TstIni::readOnlyFolderKeepsOldFile()
{
    if (geteuid() == 0)
        QSKIP("root writes into read-only folders");
    const QByteArray old = "[SECTION=A]\r\nK=old\r\n[EOS]\r\n";
    writeFile(m_file, old);
    QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QString error;
    const bool ok = Ini::WriteIni(m_file, "a", "k", "new", &error);
    QFile::setPermissions(m_dir.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QVERIFY(!ok);
    QVERIFY(!error.isEmpty());
    QCOMPARE(readFile(m_file), old);
}

void TstIni::unwritablePathReportsFailure()
{
    // Holds as root too: no file can be made below a regular file.
    const QString blocker = m_dir.filePath(QStringLiteral("plain"));
    writeFile(blocker, "x");
    const QString file = blocker + QStringLiteral("/qx.ini");
    QString error;
    QVERIFY(!Ini::WriteIni(file, "a", "k", "v", &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(readFile(blocker), QByteArray("x"));
}

void TstIni::failedWriteKeepsOldFile()
{
    // A file size limit makes the write itself fail, as a full disk would,
    // whoever runs the test.
    const QByteArray old = "[SECTION=A]\r\nK=old\r\n[EOS]\r\n";
    writeFile(m_file, old);
    rlimit saved{};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64;
    QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
    QString error;
    const bool ok = Ini::WriteIni(m_file, "a", "k", QByteArray(200, 'v'), &error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    QVERIFY(!ok);
    QVERIFY(!error.isEmpty());
    QCOMPARE(readFile(m_file), old);
    // No temporary file is left beside it.
    QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("*qx.ini*")}, QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("qx.ini")});
}

// A qx.ini the user may not write is left as it is, though its folder is
// open, and the failure goes to the caller.
void TstIni::readOnlyFileIsNotWritten()
{
    QVERIFY(UnprivilegedUser::openFolder(m_dir.path()));
    const QByteArray old = "[SECTION=A]\r\nK=old\r\n[EOS]\r\n";
    writeFile(m_file, old);
    QVERIFY(QFile::setPermissions(m_file, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    QString error;
    bool ok = true;
    {
        UnprivilegedUser user;
        QVERIFY(user.active());
        ok = Ini::WriteIni(m_file, "a", "k", "new", &error);
    }
    QVERIFY(!ok);
    QVERIFY2(error.startsWith(m_file), qPrintable(error));
    QCOMPARE(readFile(m_file), old);
    QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("*qx.ini*")}, QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("qx.ini")});
}

void TstIni::keyTableDefaults()
{
    using namespace SettingsKeys;
    QCOMPARE(read(m_file, SkinPath), QByteArray("\\skins\\Default"));
    QCOMPARE(read(m_file, Font), QByteArray("MS Sans Seriff"));
    QCOMPARE(read(m_file, ResWidth), QByteArray("768"));
    QCOMPARE(read(m_file, ResHeight), QByteArray("1024"));
    QCOMPARE(read(m_file, Port), QByteArray("7576"));
    QCOMPARE(read(m_file, ColorForeground), QByteArray("16777215"));
    QCOMPARE(read(m_file, ExeFile, "poptb.exe"), QByteArray("poptb.exe"));
    QCOMPARE(QxIniPath(QStringLiteral("/opt/z")), QStringLiteral("/opt/z/qx.ini"));
    QCOMPARE(QxSkinIniPath(QStringLiteral("/opt/z"), SkinPath.defaultValue),
             QStringLiteral("/opt/z/skins/Default/qxskin.ini"));
}

QTEST_GUILESS_MAIN(TstIni)
#include "tst_ini.moc"
