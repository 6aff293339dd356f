#include "controls/MorphListBox.h"
#include "controls/MorphListBoxPresets.h"

#include <QDir>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

// Renders every colour preset, the check styles, the picture modes, rounded
// corners and the client's three lists to PNG files, so that they can be
// looked at. The files go to $ZORBEL_DEMO_DIR when it is set (and are kept),
// else to a temporary folder.
class TstMorphListBoxDemo : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void themes_data();
    void themes();
    void checkStyles_data();
    void checkStyles();
    void pictureModes_data();
    void pictureModes();
    void clientLists_data();
    void clientLists();
    void cleanupTestCase();

private:
    MorphListBox *newBox(QSize size);
    void fill(MorphListBox &box, int count, int selected);
    QImage shown(MorphListBox &box);
    void save(const QImage &image, const QString &name);

    QWidget *m_host = nullptr;
    QTemporaryDir m_temp;
    QString m_folder;
    QList<QImage> m_images;
};

void TstMorphListBoxDemo::initTestCase()
{
    m_folder = qEnvironmentVariable("ZORBEL_DEMO_DIR");
    if (m_folder.isEmpty())
        m_folder = m_temp.path();
    QVERIFY(QDir().mkpath(m_folder));
    m_host = new QWidget;
    m_host->resize(600, 400);
    m_host->show();
}

void TstMorphListBoxDemo::cleanupTestCase()
{
    // Every picture differs from every other.
    for (int i = 0; i < m_images.size(); ++i)
        for (int j = i + 1; j < m_images.size(); ++j)
            QVERIFY(m_images[i] != m_images[j]);
    delete m_host;
}

MorphListBox *TstMorphListBoxDemo::newBox(QSize size)
{
    auto *box = new MorphListBox(m_host);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(12);
    box->setListFont(font);
    box->resize(size);
    box->show();
    return box;
}

void TstMorphListBoxDemo::fill(MorphListBox &box, int count, int selected)
{
    const QStringList names{"Arctic Wastes", "Bloodlust", "Canyon Run", "Death Valley", "Eight Isles",
                            "Fertile Crescent", "Glacier Pass", "Highlands", "Island Hop", "Jungle",
                            "King of the Hill", "Lava Lake", "Mesa", "North Sea", "Oasis", "Plateau"};
    for (int i = 0; i < count; ++i)
        box.AddItem(names.at(i % names.size()) + (i >= names.size() ? QStringLiteral(" 2") : QString()));
    box.input().HasFocus = true;
    if (selected >= 0)
        box.setSelected(selected, true);
    box.PaintList();
}

QImage TstMorphListBoxDemo::shown(MorphListBox &box)
{
    // What the screen shows: the surface inside the window's shape.
    QImage out(box.size(), QImage::Format_RGB32);
    out.fill(QColor(0xF0, 0xF0, 0xF0));
    QPainter p(&out);
    p.setClipRegion(box.surface().WindowRegion);
    p.drawImage(0, 0, box.hdc());
    return out;
}

void TstMorphListBoxDemo::save(const QImage &image, const QString &name)
{
    QVERIFY(image.save(QDir(m_folder).filePath(name + QStringLiteral(".png"))));
    m_images << image;
}

void TstMorphListBoxDemo::themes_data()
{
    QTest::addColumn<int>("theme");
    for (int n = 1; n <= 8; ++n)
        QTest::addRow("theme %d", n) << n;
}

void TstMorphListBoxDemo::themes()
{
    QFETCH(int, theme);
    MorphListBox *box = newBox(QSize(180, 140));
    box->setTheme(theme);
    fill(*box, 14, 2);
    save(shown(*box), QStringLiteral("theme%1").arg(theme));
    delete box;
}

void TstMorphListBoxDemo::checkStyles_data()
{
    QTest::addColumn<int>("checkStyle");
    QTest::newRow("arrow") << 0;
    QTest::newRow("tick") << 1;
    QTest::newRow("cross") << 2;
}

void TstMorphListBoxDemo::checkStyles()
{
    QFETCH(int, checkStyle);
    MorphListBox *box = newBox(QSize(180, 140));
    box->setUserMode(false);
    QVERIFY(box->setStyle(1));
    box->setUserMode(true);
    box->setTheme(checkStyle + 3);
    box->setCheckStyle(checkStyle);
    fill(*box, 6, -1);
    box->setSelected(1, true);
    box->setSelected(3, true);
    box->setListIndex(3);
    save(shown(*box), QStringLiteral("checkstyle%1").arg(checkStyle));
    delete box;
}

void TstMorphListBoxDemo::pictureModes_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("plain") << 0;
    QTest::newRow("stretched") << 1;
    QTest::newRow("tiled") << 2;
}

void TstMorphListBoxDemo::pictureModes()
{
    QFETCH(int, mode);
    QImage picture(40, 30, QImage::Format_RGB32);
    {
        QPainter p(&picture);
        QLinearGradient g(0, 0, 40, 30);
        g.setColorAt(0, QColor(40, 60, 120));
        g.setColorAt(1, QColor(140, 180, 220));
        p.fillRect(picture.rect(), g);
        p.setPen(QColor(250, 250, 250));
        p.drawEllipse(QRect(8, 5, 20, 20));
    }
    MorphListBox *box = newBox(QSize(180, 140));
    box->setUserMode(false);
    QVERIFY(box->setPictureMode(mode));
    box->setUserMode(true);
    box->setPicture(picture);
    box->setBorderWidth(2);
    box->setBorderColor(0x603010);
    box->setCurveTopLeft(14);
    box->setCurveBottomRight(14);
    box->setSelColor1(0x603010);
    box->setSelColor2(0xC08040);
    box->setSelTextColor(0xFFFFFF);
    fill(*box, 5, 1);
    save(shown(*box), QStringLiteral("picturemode%1").arg(mode));
    delete box;
}

void TstMorphListBoxDemo::clientLists_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("lstservers") << "lstservers";
    QTest::newRow("lstMaps") << "lstMaps";
    QTest::newRow("lstPacks") << "lstPacks";
}

void TstMorphListBoxDemo::clientLists()
{
    QFETCH(QString, name);
    const bool servers = name == QLatin1String("lstservers");
    MorphListBox *box = newBox(servers ? QSize(282, 232) : QSize(200, 150));
    box->ReadProperties(servers ? MorphListBoxPresets::lstservers()
                        : name == QLatin1String("lstMaps") ? MorphListBoxPresets::lstMaps()
                                                           : MorphListBoxPresets::lstPacks());
    if (servers) {
        for (const char *s : {"Main Lobby", "Europe", "North America", "Test Server"})
            box->AddItem(QString::fromLatin1(s));
        box->input().HasFocus = true;
        box->setListIndex(0);
    } else {
        fill(*box, name == QLatin1String("lstMaps") ? 16 : 5, 1);
    }
    save(shown(*box), name);
    delete box;
}

QTEST_MAIN(TstMorphListBoxDemo)
#include "tst_morphlistboxdemo.moc"
