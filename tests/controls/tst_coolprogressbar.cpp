#include "controls/CoolProgressBar.h"
#include "tests/fixtures/FakeDialogs.h"

#include <QSignalSpy>
#include <QtTest>
#include <limits>

class tst_CoolProgressBar : public QObject
{
    Q_OBJECT

    static QImage shot(CoolProgressBar &bar)
    {
        return bar.grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

private Q_SLOTS:
    void defaultsFillTheBar()
    {
        CoolProgressBar bar;
        bar.resize(200, 17);
        QCOMPARE(bar.Min(), 0);
        QCOMPARE(bar.Max(), 100);
        QCOMPARE(bar.Value(), 100);
        QCOMPARE(bar.Color1(), 0xFF0000);
        QCOMPARE(bar.Color2(), 0xFFFFFF);
        QCOMPARE(bar.BackColor(), qint32(0x8000000F));
        const QImage img = shot(bar);
        QCOMPARE(img.pixel(0, 8), qRgb(0, 0, 255));   // Color1 is blue (0x00BBGGRR)
        QCOMPARE(img.pixel(199, 8), CoolProgressBar::stepColour(0xFF0000, 0xFFFFFF, 254));
    }

    void valueIsClamped()
    {
        CoolProgressBar bar;
        bar.setValue(150);
        QCOMPARE(bar.Value(), 100);
        bar.setValue(-5);
        QCOMPARE(bar.Value(), 0);
    }

    void invertedRangeIsCorrected_data()
    {
        QTest::addColumn<bool>("setMax");
        QTest::addColumn<qint32>("min");
        QTest::addColumn<qint32>("max");
        QTest::addColumn<qint32>("value");
        QTest::addColumn<qint32>("given");
        QTest::addColumn<qint32>("wantMin");
        QTest::addColumn<qint32>("wantMax");
        QTest::addColumn<qint32>("wantValue");
        QTest::addColumn<QString>("box");
        constexpr qint32 lo = std::numeric_limits<qint32>::min();
        constexpr qint32 hi = std::numeric_limits<qint32>::max();
        const QString maxBox = QStringLiteral("\"Max\" must be greater than \"Min\".");
        const QString minBox = QStringLiteral("\"Min\" must be smaller than \"Max\".");
        QTest::newRow("max 0 over min 0") << true << 0 << 100 << 50 << 0 << 0 << 1 << 1 << maxBox;
        QTest::newRow("min 100 under max 100") << false << 0 << 100 << 20 << 100 << 99 << 100 << 99 << minBox;
        QTest::newRow("max at the bottom") << true << lo << lo + 5 << lo << lo << lo << lo + 1 << lo << maxBox;
        QTest::newRow("min at the top") << false << hi - 5 << hi << hi << hi << hi - 1 << hi << hi << minBox;
        QTest::newRow("min of the lowest max") << false << lo << lo + 1 << lo << lo + 1 << lo << lo + 1 << lo << minBox;
        QTest::newRow("a good max") << true << 0 << 100 << 100 << 40000 << 0 << 40000 << 100 << QString();
    }
    void invertedRangeIsCorrected()
    {
        QFETCH(bool, setMax);
        QFETCH(qint32, min);
        QFETCH(qint32, max);
        QFETCH(qint32, value);
        QFETCH(qint32, given);
        FakeDialogs dialogs;
        CoolProgressBar bar;
        bar.setDialogs(&dialogs);
        bar.ReadProperties({{"Min", min}, {"Max", max}, {"Value", value}});
        if (setMax)
            bar.setMax(given);
        else
            bar.setMin(given);
        QTEST(bar.Min(), "wantMin");
        QTEST(bar.Max(), "wantMax");
        QTEST(bar.Value(), "wantValue");
        QFETCH(QString, box);
        if (box.isEmpty()) {
            QVERIFY(dialogs.questions.isEmpty());
        } else {
            QCOMPARE(dialogs.questions.size(), 1);
            QCOMPARE(dialogs.questions[0].text, box);
            QCOMPARE(dialogs.questions[0].title, QStringLiteral("Error"));
        }
        QVERIFY(bar.Min() < bar.Max());
        bar.resize(50, 10);
        shot(bar);   // paints without dividing by zero
    }

    void loadKeepsMinBelowMax_data()
    {
        QTest::addColumn<QVariantMap>("bag");
        QTest::addColumn<qint32>("min");
        QTest::addColumn<qint32>("max");
        QTest::addColumn<qint32>("value");
        QTest::addColumn<qint16>("orientation");
        QTest::newRow("nothing stored") << QVariantMap() << 0 << 100 << 100 << qint16(0);
        QTest::newRow("equal") << QVariantMap{{"Min", 5}, {"Max", 5}} << 5 << 6 << 6 << qint16(0);
        QTest::newRow("inverted") << QVariantMap{{"Min", 10}, {"Max", 3}, {"Value", 0}} << 10 << 11 << 10 << qint16(0);
        QTest::newRow("top") << QVariantMap{{"Min", std::numeric_limits<qint32>::max()}, {"Max", 0}}
                             << std::numeric_limits<qint32>::max() - 1 << std::numeric_limits<qint32>::max()
                             << std::numeric_limits<qint32>::max() - 1 << qint16(0);
        QTest::newRow("orientation 7") << QVariantMap{{"Orientation", 7}} << 0 << 100 << 100 << qint16(0);
        QTest::newRow("vertical") << QVariantMap{{"Orientation", 1}, {"Value", 30}} << 0 << 100 << 30 << qint16(1);
    }
    void loadKeepsMinBelowMax()
    {
        QFETCH(QVariantMap, bag);
        CoolProgressBar bar;
        bar.ReadProperties(bag);
        QTEST(bar.Min(), "min");
        QTEST(bar.Max(), "max");
        QTEST(bar.Value(), "value");
        QTEST(bar.Orientation(), "orientation");
    }

    void savesOnlyChangedValues()
    {
        CoolProgressBar bar;
        QVERIFY(bar.WriteProperties().isEmpty());
        bar.setMax(5000);
        bar.setColor2(0x00FF00);
        const QVariantMap bag = bar.WriteProperties();
        QCOMPARE(bag.size(), 2);
        QCOMPARE(bag.value("Max").toInt(), 5000);
        QCOMPARE(bag.value("Color2").toInt(), 0x00FF00);
        CoolProgressBar copy;
        copy.ReadProperties(bag);
        QCOMPARE(copy.Max(), 5000);
        QCOMPARE(copy.Color2(), 0x00FF00);
    }

    void filledLength_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<qint32>("min");
        QTest::addColumn<qint32>("max");
        QTest::addColumn<qint32>("value");
        QTest::addColumn<int>("filled");
        QTest::newRow("half of 50..100") << 200 << 50 << 100 << 75 << 100;
        QTest::newRow("kilobytes of a 300 MiB pack") << 300 << 0 << 307200 << 153600 << 150;
        QTest::newRow("the widest range") << 100 << std::numeric_limits<qint32>::min()
                                          << std::numeric_limits<qint32>::max() << 0 << 50;
        QTest::newRow("empty") << 100 << 0 << 100 << 0 << 0;
        QTest::newRow("halves to even") << 5 << 0 << 10 << 5 << 2;
    }
    void filledLength()
    {
        QFETCH(int, length);
        QFETCH(qint32, min);
        QFETCH(qint32, max);
        QFETCH(qint32, value);
        QTEST(CoolProgressBar::filledLength(length, min, max, value), "filled");
    }

    void paintsTheFilledPart()
    {
        CoolProgressBar bar;
        bar.setBackColor(0x000000);
        bar.resize(300, 10);
        bar.setMin(50);
        bar.setValue(75);
        QImage img = shot(bar);
        QVERIFY(img.pixel(149, 5) != qRgb(0, 0, 0));
        QCOMPARE(img.pixel(150, 5), qRgb(0, 0, 0));
        // The 255 steps stretched over 300 columns: the ends are step 0 and step 254.
        bar.setValue(100);
        img = shot(bar);
        QCOMPARE(img.pixel(0, 0), CoolProgressBar::stepColour(0xFF0000, 0xFFFFFF, 0));
        QCOMPARE(img.pixel(299, 9), CoolProgressBar::stepColour(0xFF0000, 0xFFFFFF, 254));
        // Vertical: Color2 at the top, filled from the bottom.
        bar.setOrientation(1);
        bar.resize(10, 100);
        bar.setValue(75);
        img = shot(bar);
        QCOMPARE(img.pixel(5, 49), qRgb(0, 0, 0));
        QVERIFY(img.pixel(5, 50) != qRgb(0, 0, 0));
        bar.setOrientation(2);
        QCOMPARE(bar.Orientation(), qint16(0));
    }

    void stepColours()
    {
        QCOMPARE(CoolProgressBar::stepColour(0x000000, 0xFFFFFF, 0), qRgb(0, 0, 0));
        QCOMPARE(CoolProgressBar::stepColour(0x000000, 0xFFFFFF, 128), qRgb(128, 128, 128));
        // 255 * 255 / 256 = 254.00..: step 255 falls just short of Color2.
        QCOMPARE(CoolProgressBar::stepColour(0x000000, 0x0000FF, 255), qRgb(254, 0, 0));
    }

    void mouseEvents()
    {
        CoolProgressBar bar;
        bar.resize(100, 20);
        QSignalSpy down(&bar, &CoolProgressBar::MouseDown);
        QSignalSpy up(&bar, &CoolProgressBar::MouseUp);
        QSignalSpy click(&bar, &CoolProgressBar::Click);
        QTest::mouseClick(&bar, Qt::LeftButton, Qt::ShiftModifier, QPoint(10, 5));
        QCOMPARE(down.size(), 1);
        QCOMPARE(down[0][0].value<qint16>(), qint16(1));
        QCOMPARE(down[0][1].value<qint16>(), qint16(1));
        QCOMPARE(down[0][2].toFloat(), 10.0f);
        QCOMPARE(up.size(), 1);
        QCOMPARE(click.size(), 1);
        bar.setEnabledProperty(false);
        QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(10, 5));
        QCOMPARE(click.size(), 1);
    }
};

QTEST_MAIN(tst_CoolProgressBar)
#include "tst_coolprogressbar.moc"
