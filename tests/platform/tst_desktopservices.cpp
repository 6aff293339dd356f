#include "platform/DesktopWebBrowser.h"
#include "platform/QtSoundPlayer.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

// A short, silent 8-bit mono wave file.
QByteArray silentWave()
{
    const QByteArray samples(800, '\x80');
    QByteArray w;
    auto u32 = [&w](quint32 v) { w.append(reinterpret_cast<const char *>(&v), 4); };
    auto u16 = [&w](quint16 v) { w.append(reinterpret_cast<const char *>(&v), 2); };
    w += "RIFF";
    u32(quint32(36 + samples.size()));
    w += "WAVEfmt ";
    u32(16);
    u16(1);     // PCM
    u16(1);     // mono
    u32(8000);  // rate
    u32(8000);  // bytes per second
    u16(1);     // block align
    u16(8);     // bits
    w += "data";
    u32(quint32(samples.size()));
    return w + samples;
}

} // namespace

class TstDesktopServices : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void browserOpensOnlyWebPages_data();
    void browserOpensOnlyWebPages();
    void soundWithoutFileOrDevice();
};

void TstDesktopServices::browserOpensOnlyWebPages_data()
{
    QTest::addColumn<QString>("url");
    QTest::newRow("file") << "file:///etc/passwd";
    QTest::newRow("program") << "/usr/bin/xterm";
    QTest::newRow("javascript") << "javascript:alert(1)";
    QTest::newRow("empty") << "";
}

void TstDesktopServices::browserOpensOnlyWebPages()
{
    QFETCH(QString, url);
    DesktopWebBrowser browser;
    QVERIFY(!browser.open(QUrl(url)));
}

void TstDesktopServices::soundWithoutFileOrDevice()
{
    QtSoundPlayer player;
    player.play(QStringLiteral("/nonexistent/loading.wav"));
    QCOMPARE(player.playing(), 0);

    QTemporaryDir dir;
    const QString wave = dir.filePath(QStringLiteral("loading.wav"));
    QFile f(wave);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(silentWave());
    f.close();
    // With or without a sound device: no failure, and the sound goes away.
    player.play(wave);
    QTRY_COMPARE_WITH_TIMEOUT(player.playing(), 0, 5000);
}

QTEST_MAIN(TstDesktopServices)
#include "tst_desktopservices.moc"
