// WMF and EMF pictures drawn at the size asked, and hostile ones refused
// without harm to the caller.

#include "common/Metafiles.h"
#include "picture/Metafile.h"

#include <QTest>

class TestMetafile : public QObject
{
    Q_OBJECT
private slots:
    void drawsRectangle_data();
    void drawsRectangle();
    void hostile_data();
    void hostile();
};

void TestMetafile::drawsRectangle_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("kind");
    QTest::newRow("wmf") << metafiles::wmf() << int(picture::Kind::Wmf);
    QTest::newRow("emf") << metafiles::emf() << int(picture::Kind::Emf);
}

// The rectangle fills its place in a picture drawn twice as large, and
// nothing else is red.
void TestMetafile::drawsRectangle()
{
    QFETCH(QByteArray, data);
    QFETCH(int, kind);
    QCOMPARE(int(picture::kindOf(data)), kind);
    const QImage image = picture::render(data, QSize(200, 100));
    QCOMPARE(image.size(), QSize(200, 100));
    auto red = [&](int x, int y) {
        const QColor c = image.pixelColor(x, y);
        return c.alpha() > 200 && c.red() > 200 && c.green() < 60 && c.blue() < 60;
    };
    QVERIFY(red(70, 50));
    QVERIFY(red(30, 30));
    QVERIFY(red(110, 70));
    QVERIFY(!red(5, 5));
    QVERIFY(!red(150, 50));
    QVERIFY(!red(70, 90));
}

void TestMetafile::hostile_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QSize>("size");
    QTest::newRow("wmf truncated") << metafiles::wmf().left(30) << QSize(200, 100);
    QTest::newRow("emf truncated") << metafiles::emf().left(100) << QSize(200, 100);
    QTest::newRow("wmf huge window") << metafiles::wmf(0x7fff) << QSize(200, 100);
    QTest::newRow("huge picture") << metafiles::wmf() << QSize(1 << 20, 1 << 20);
    QByteArray lying = metafiles::emf();
    lying[4] = char(0xff); // the header says it is megabytes long
    lying[5] = char(0xff);
    lying[6] = char(0xff);
    QTest::newRow("emf lying header") << lying << QSize(200, 100);
}

// Any image or none, never a crash, and never larger than the cap.
void TestMetafile::hostile()
{
    QFETCH(QByteArray, data);
    QFETCH(QSize, size);
    const QImage image = picture::render(data, size);
    QVERIFY(qint64(image.width()) * image.height() <= picture::kMaxPixels);
}

QTEST_GUILESS_MAIN(TestMetafile)
#include "tst_metafile.moc"
