// WMF and EMF pictures drawn at the size asked, and hostile ones refused
// without harm to the caller.

#include "common/Metafiles.h"
#include "picture/Metafile.h"

#include <QTest>

class TestMetafile : public QObject
{
    Q_OBJECT
private slots:
    // The rectangle fills its place in a picture drawn twice as large, and
    // nothing else is red.
    void drawsRectangle()
    {
        for (const auto &[data, kind] : {std::pair{metafiles::wmf(), picture::Kind::Wmf}, {metafiles::emf(), picture::Kind::Emf}}) {
            QCOMPARE(picture::kindOf(data), kind);
            const QImage image = picture::render(data, QSize(200, 100));
            QCOMPARE(image.size(), QSize(200, 100));
            const auto red = [&](int x, int y) {
                const QColor c = image.pixelColor(x, y);
                return c.alpha() > 200 && c.red() > 200 && c.green() < 60 && c.blue() < 60;
            };
            for (const auto &[x, y, inside] : {std::tuple{70, 50, true}, {30, 30, true}, {110, 70, true},
                                               {5, 5, false}, {150, 50, false}, {70, 90, false}})
                QVERIFY2(red(x, y) == inside, qPrintable(QStringLiteral("%1 at %2,%3").arg(int(kind)).arg(x).arg(y)));
        }
    }

    // Any image or none, never a crash, and never larger than the cap.
    void hostile()
    {
        QByteArray lying = metafiles::emf();
        lying.replace(4, 3, "\xff\xff\xff"); // the header says it is megabytes long
        const std::pair<QByteArray, QSize> cases[] = {
            {metafiles::wmf().left(30), {200, 100}},   // truncated
            {metafiles::emf().left(100), {200, 100}},
            {metafiles::wmf(0x7fff), {200, 100}},      // huge window
            {metafiles::wmf(), {1 << 20, 1 << 20}},    // huge picture
            {lying, {200, 100}}};
        for (const auto &[data, size] : cases) {
            const QImage image = picture::render(data, size);
            QVERIFY(qint64(image.width()) * image.height() <= picture::kMaxPixels);
        }
    }
};

QTEST_GUILESS_MAIN(TestMetafile)
#include "tst_metafile.moc"
