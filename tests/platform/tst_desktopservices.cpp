#include "platform/DesktopWebBrowser.h"
#include "platform/QtSoundPlayer.h"
#include "platform/WaveFile.h"

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
    void waveFileCheck_data();
    void waveFileCheck();
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

void TstDesktopServices::waveFileCheck_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("playable");
    const QByteArray good = silentWave();
    QTest::newRow("pcm") << good << true;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("text") << QByteArray("this is no sound at all") << false;
    QTest::newRow("cut in the header") << good.left(20) << false;
    QTest::newRow("no data chunk") << good.left(36) << false;
    QByteArray compressed = good;
    compressed[20] = 2; // ADPCM
    QTest::newRow("compressed") << compressed << false;
    QByteArray noChannels = good;
    noChannels[22] = 0;
    QTest::newRow("no channels") << noChannels << false;
    QByteArray huge = good;
    huge[16] = '\xff'; // a format chunk that claims 4 GiB
    huge[17] = '\xff';
    huge[18] = '\xff';
    huge[19] = '\xff';
    QTest::newRow("chunk size past the end") << huge << false;
}

void TstDesktopServices::waveFileCheck()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, playable);
    QCOMPARE(WaveFile::problem(bytes).isEmpty(), playable);
}

void TstDesktopServices::soundWithoutFileOrDevice()
{
    QtSoundPlayer player;
    QString why;
    QVERIFY(!player.play(QStringLiteral("/nonexistent/loading.wav"), &why));
    QVERIFY(why.contains(QStringLiteral("/nonexistent/loading.wav")));
    QCOMPARE(player.playing(), 0);

    QTemporaryDir dir;
    const QString wave = dir.filePath(QStringLiteral("loading.wav"));
    QFile f(wave);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(silentWave());
    f.close();
    // With or without a sound device: no failure, and the sound goes away.
    QVERIFY(player.play(wave));
    QTRY_COMPARE_WITH_TIMEOUT(player.playing(), 0, 5000);

    // A file that is there but is no wave file is a failure, device or not.
    const QString text = dir.filePath(QStringLiteral("notes.wav"));
    QFile t(text);
    QVERIFY(t.open(QIODevice::WriteOnly));
    t.write("just some notes");
    t.close();
    QVERIFY(!player.play(text, &why));
    QVERIFY(why.contains(QStringLiteral("not a wave file")));
    QCOMPARE(player.playing(), 0);
}

QTEST_MAIN(TstDesktopServices)
#include "tst_desktopservices.moc"
