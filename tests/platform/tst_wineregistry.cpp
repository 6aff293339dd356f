#include "platform/SystemReg.h"
#include "platform/WineRegistry.h"
#include "tests/fixtures/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray kGame = "software\\bullfrog productions ltd\\populous: the beginning";

QByteArray header()
{
    return "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n\n";
}

} // namespace

class TstWineRegistry : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void values_data();
    void values();
    void keysWithoutCase();
    void continuedHexLines();
    void longContinuedValueKeepsEveryPiece();
    void wow6432NodeView();
    void otherRootsAreEmpty();
    void missingFile();
    void rereadsWhenChanged();
    void hostPath_data();
    void hostPath();
    void prefixFromEnvironment();
};

void TstWineRegistry::values_data()
{
    QTest::addColumn<QByteArray>("valueLine");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("string") << QByteArray("\"InstallPath\"=\"C:\\\\Games\\\\Pop\"") << QByteArray("installpath")
                            << QVariant(QByteArray("C:\\Games\\Pop"));
    QTest::newRow("dword") << QByteArray("\"Language\"=dword:0000000a") << QByteArray("language")
                           << QVariant(qint32(10));
    QTest::newRow("dword high bit") << QByteArray("\"N\"=dword:ffffffff") << QByteArray("n")
                                    << QVariant(qint32(-1));
    QTest::newRow("str(2)") << QByteArray("\"P\"=str(2):\"%ProgramFiles%\\\\Pop\"") << QByteArray("p")
                            << QVariant(QByteArray("%ProgramFiles%\\Pop"));
    QTest::newRow("escaped quote") << QByteArray("\"Q\"=\"say \\\"hi\\\"\"") << QByteArray("q")
                                   << QVariant(QByteArray("say \"hi\""));
    QTest::newRow("hex escape to code page") << QByteArray("\"E\"=\"caf\\x00e9 \\x20ac\"") << QByteArray("e")
                                             << QVariant(QByteArray("caf\xE9 \x80"));
    QTest::newRow("string ends at NUL") << QByteArray("\"Z\"=\"abc\\0def\"") << QByteArray("z")
                                        << QVariant(QByteArray("abc"));
    QTest::newRow("default value") << QByteArray("@=\"dflt\"") << QByteArray("") << QVariant(QByteArray("dflt"));
    QTest::newRow("binary is no string") << QByteArray("\"B\"=hex:01,02,03") << QByteArray("b")
                                         << QVariant(QByteArray());
    QTest::newRow("multi-string is no string") << QByteArray("\"M\"=str(7):\"a\\0b\\0\"") << QByteArray("m")
                                               << QVariant(QByteArray());
    QTest::newRow("missing value") << QByteArray("\"Version\"=\"1.01\"") << QByteArray("nothing")
                                   << QVariant(QByteArray());
    QTest::newRow("name without case") << QByteArray("\"Version\"=\"1.01\"") << QByteArray("VERSION")
                                       << QVariant(QByteArray("1.01"));
    QTest::newRow("broken string skipped") << QByteArray("\"V\"=\"never closed") << QByteArray("v")
                                           << QVariant(QByteArray());
}

void TstWineRegistry::values()
{
    QFETCH(QByteArray, valueLine);
    QFETCH(QByteArray, name);
    QFETCH(QVariant, expected);
    QTemporaryDir prefix;
    writeFile(prefix.filePath(QStringLiteral("system.reg")),
              header() + "[Software\\\\Bullfrog Productions Ltd\\\\Populous: The Beginning] 1600000000\n"
                         "#time=1d6a\n" + valueLine + "\n\n");
    WineRegistry reg(prefix.path());
    QVERIFY(reg.RegKeyExists(Registry::HKEY_LOCAL_MACHINE, kGame));
    const QVariant got = reg.RegGetString(Registry::HKEY_LOCAL_MACHINE, kGame, name);
    QCOMPARE(got.typeId(), expected.typeId());
    QCOMPARE(got, expected);
}

void TstWineRegistry::keysWithoutCase()
{
    QTemporaryDir prefix;
    writeFile(prefix.filePath(QStringLiteral("system.reg")),
              header() + "[Software\\\\Bullfrog Productions Ltd\\\\Populous: The Beginning\\\\HWSWSelect] 1\n"
                         "\"CurrentEXE\"=\"D3DPopTB.exe\"\n");
    WineRegistry reg(prefix.path());
    QCOMPARE(reg.RegGetString(Registry::HKEY_LOCAL_MACHINE, kGame + "\\hwswselect", "currentexe"),
             QVariant(QByteArray("D3DPopTB.exe")));
    QVERIFY(reg.RegKeyExists(Registry::HKEY_LOCAL_MACHINE, "SOFTWARE\\BULLFROG PRODUCTIONS LTD\\POPULOUS: THE BEGINNING\\HWSWSELECT"));
    // A key whose subkey alone is listed does not exist by itself in the file.
    QVERIFY(!reg.RegKeyExists(Registry::HKEY_LOCAL_MACHINE, "software\\nothing"));
}

void TstWineRegistry::continuedHexLines()
{
    QTemporaryDir prefix;
    writeFile(prefix.filePath(QStringLiteral("system.reg")),
              header() + "[Software\\\\A] 1\n"
                         "\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,\\\n"
                         "  13,14,15\n"
                         "\"After\"=\"yes\"\n");
    WineRegistry reg(prefix.path());
    QCOMPARE(reg.RegGetString(Registry::HKEY_LOCAL_MACHINE, "software\\a", "after"), QVariant(QByteArray("yes")));
    QCOMPARE(reg.RegGetString(Registry::HKEY_LOCAL_MACHINE, "software\\a", "blob"), QVariant(QByteArray()));
}

// Forty thousand pieces joined in order, the line after them still read.
void TstWineRegistry::longContinuedValueKeepsEveryPiece()
{
    QByteArray file = header() + "[Software\\\\A] 1\n\"Long\"=\"";
    QString expected;
    for (int i = 0; i < 40000; ++i) {
        const QByteArray piece = QByteArray::number(i % 10) + "x";
        file += piece + "\\\n  ";
        expected += QString::fromLatin1(piece);
    }
    file += "end\"\n\"After\"=\"yes\"\n";
    expected += QLatin1String("end");
    const SystemReg reg = SystemReg::parse(file);
    const std::optional<SystemReg::Value> v = reg.value(QStringLiteral("software\\a"), QStringLiteral("long"));
    QVERIFY(v);
    QCOMPARE(v->text, expected);
    QCOMPARE(reg.value(QStringLiteral("software\\a"), QStringLiteral("after"))->text, QStringLiteral("yes"));
}

void TstWineRegistry::wow6432NodeView()
{
    QTemporaryDir prefix;
    writeFile(prefix.filePath(QStringLiteral("system.reg")),
              header() + "[Software\\\\Wow6432Node\\\\Bullfrog Productions Ltd\\\\Populous: The Beginning] 1\n"
                         "\"InstallPath\"=\"C:\\\\GOG\\\\Pop\"\n");
    WineRegistry reg(prefix.path());
    QVERIFY(reg.RegKeyExists(Registry::HKEY_LOCAL_MACHINE, kGame));
    QCOMPARE(reg.RegGetString(Registry::HKEY_LOCAL_MACHINE, kGame, "installpath"),
             QVariant(QByteArray("C:\\GOG\\Pop")));
}

void TstWineRegistry::otherRootsAreEmpty()
{
    QTemporaryDir prefix;
    writeFile(prefix.filePath(QStringLiteral("system.reg")), header() + "[Software\\\\A] 1\n\"X\"=\"1\"\n");
    WineRegistry reg(prefix.path());
    const quint32 currentUser = 0x80000001u;
    QVERIFY(!reg.RegKeyExists(currentUser, "software\\a"));
    QCOMPARE(reg.RegGetString(currentUser, "software\\a", "x"), QVariant(QByteArray()));
}

void TstWineRegistry::missingFile()
{
    QTemporaryDir prefix;
    WineRegistry reg(prefix.path());
    QVERIFY(!reg.RegKeyExists(Registry::HKEY_LOCAL_MACHINE, kGame));
    QCOMPARE(reg.RegGetString(Registry::HKEY_LOCAL_MACHINE, kGame, "installpath"), QVariant(QByteArray()));
}

void TstWineRegistry::rereadsWhenChanged()
{
    QTemporaryDir prefix;
    const QString file = prefix.filePath(QStringLiteral("system.reg"));
    writeFile(file, header());
    WineRegistry reg(prefix.path());
    QVERIFY(!reg.RegKeyExists(Registry::HKEY_LOCAL_MACHINE, "software\\a"));
    writeFile(file, header() + "[Software\\\\A] 1\n");
    QVERIFY(reg.RegKeyExists(Registry::HKEY_LOCAL_MACHINE, "software\\a"));
}

void TstWineRegistry::hostPath_data()
{
    QTest::addColumn<QByteArray>("windowsPath");
    QTest::addColumn<QString>("relative"); // below the prefix; "/..." for absolute
    QTest::newRow("dosdevices c:, case resolved") << QByteArray("C:\\GAMES\\pop") << "dosdevices/c:/Games/Pop";
    QTest::newRow("missing part keeps spelling") << QByteArray("c:\\Games\\New Game") << "dosdevices/c:/Games/New Game";
    QTest::newRow("other drive link") << QByteArray("D:\\Data") << "dosdevices/d:/Data";
    QTest::newRow("Z: is root") << QByteArray("Z:\\tmp") << "/tmp";
    QTest::newRow("unknown drive") << QByteArray("Q:\\x") << "";
    QTest::newRow("relative") << QByteArray("Games\\Pop") << "";
    QTest::newRow("drive-relative") << QByteArray("C:Games") << "";
    QTest::newRow("UNC") << QByteArray("\\\\server\\share") << "";
    QTest::newRow("empty") << QByteArray() << "";
}

void TstWineRegistry::hostPath()
{
    QFETCH(QByteArray, windowsPath);
    QFETCH(QString, relative);
    QTemporaryDir prefix;
    QDir(prefix.path()).mkpath(QStringLiteral("drive_c/Games/Pop"));
    QDir(prefix.path()).mkpath(QStringLiteral("other/Data"));
    QDir(prefix.path()).mkpath(QStringLiteral("dosdevices"));
    QVERIFY(QFile::link(QStringLiteral("../drive_c"), prefix.filePath(QStringLiteral("dosdevices/c:"))));
    QVERIFY(QFile::link(prefix.filePath(QStringLiteral("other")), prefix.filePath(QStringLiteral("dosdevices/d:"))));
    WineRegistry reg(prefix.path());
    QString expected;
    if (relative.startsWith(QLatin1Char('/')))
        expected = relative;
    else if (!relative.isEmpty())
        expected = prefix.path() + QLatin1Char('/') + relative;
    QCOMPARE(reg.hostPath(windowsPath), expected);
}

void TstWineRegistry::prefixFromEnvironment()
{
    const QByteArray saved = qgetenv("WINEPREFIX");
    qputenv("WINEPREFIX", "/srv/wine");
    QCOMPARE(WineRegistry::defaultPrefix(), QStringLiteral("/srv/wine"));
    qunsetenv("WINEPREFIX");
    QCOMPARE(WineRegistry::defaultPrefix(), QDir::homePath() + QStringLiteral("/.wine"));
    if (!saved.isNull())
        qputenv("WINEPREFIX", saved);

    // Without a dosdevices link, C: is drive_c.
    QTemporaryDir prefix;
    QDir(prefix.path()).mkpath(QStringLiteral("drive_c/Pop"));
    QCOMPARE(WineRegistry(prefix.path()).hostPath("C:\\pop"), prefix.path() + QStringLiteral("/drive_c/Pop"));
}

QTEST_GUILESS_MAIN(TstWineRegistry)
#include "tst_wineregistry.moc"
