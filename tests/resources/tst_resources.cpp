#include "testsupport.h"

#include <QFile>
#include <QImage>
#include <QRegularExpression>

// The embedded images and style sheet that the forms refer to by path. A missing or
// mis-sized image does not fail anywhere else: the window just shows a gap.
class TestResources : public QObject
{
    Q_OBJECT

private:
    static QImage load(const QString& path)
    {
        QImage image(path);
        if (!image.isNull())
            image = image.convertToFormat(QImage::Format_ARGB32);
        return image;
    }

    static void addLineIconRows()
    {
        QTest::addColumn<QString>("path");
        for (const char* path :
             {":/images/tw/max.png", ":/images/tw/min.png", ":/images/tw/close.png",
              ":/images/tw/real-min.png", ":/images/tw/back_g.png", ":/images/tw/open.png",
              ":/images/connect.png", ":/images/calibration.png", ":/images/setting.png",
              ":/images/language.png", ":/images/stop.png", ":/images/download.png"})
            QTest::newRow(path) << QString::fromLatin1(path);
    }

private slots:
    void everyImageLoadsAtItsListedSize_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");
        const QSize windowButton(200, 200);
        QTest::newRow("ic_bg") << ":/images/tw/ic_bg.png" << QSize(1024, 768);
        QTest::newRow("ic_main_title") << ":/images/tw/ic_main_title.png" << QSize(588, 64);
        QTest::newRow("ic_main_opt_2") << ":/images/tw/ic_main_opt_2.png" << QSize(204, 194);
        QTest::newRow("ic_btn_bg") << ":/images/tw/ic_btn_bg.png" << QSize(216, 70);
        QTest::newRow("white") << ":/images/tw/white.png" << QSize(702, 420);
        QTest::newRow("max") << ":/images/tw/max.png" << windowButton;
        QTest::newRow("min") << ":/images/tw/min.png" << windowButton;
        QTest::newRow("close") << ":/images/tw/close.png" << windowButton;
        QTest::newRow("real-min") << ":/images/tw/real-min.png" << windowButton;
        QTest::newRow("back_g") << ":/images/tw/back_g.png" << windowButton;
        QTest::newRow("open") << ":/images/tw/open.png" << QSize(32, 32);
        QTest::newRow("record_enable") << ":/images/tw/record_enable.png" << windowButton;
        QTest::newRow("record_disable") << ":/images/tw/record_disable.png" << windowButton;
        QTest::newRow("connect") << ":/images/connect.png" << QSize(128, 128);
        QTest::newRow("calibration") << ":/images/calibration.png" << QSize(300, 300);
        QTest::newRow("setting") << ":/images/setting.png" << QSize(512, 512);
        QTest::newRow("language") << ":/images/language.png" << QSize(128, 128);
        QTest::newRow("stop") << ":/images/stop.png" << QSize(256, 256);
        QTest::newRow("download") << ":/images/download.png" << QSize(256, 256);
    }

    void everyImageLoadsAtItsListedSize()
    {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        const QImage image(path);
        QVERIFY2(!image.isNull(), qPrintable(path));
        QCOMPARE(image.size(), size);
    }

    // The sheet applies to every widget of the program: a rule that reached the message boxes
    // or the file dialogs would change them too, which keep Qt's own look.
    void applicationStyleSheetStaysInsideTheWindows()
    {
        QFile file(QStringLiteral(":/images/blue.css"));
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        // What stands between the selectors: comments, declaration blocks and commas.
        const QRegularExpression between(QStringLiteral("\\s*(/\\*.*?\\*/|\\{[^}]*\\}|,)\\s*"),
                                         QRegularExpression::DotMatchesEverythingOption);
        const QRegularExpression insideAWindow(QStringLiteral("^(Temp|Set|QRealTimeData)\\s"));
        const QStringList selectors =
            QString::fromUtf8(file.readAll()).trimmed().split(between, Qt::SkipEmptyParts);
        QVERIFY(!selectors.isEmpty());
        for (const QString& selector : selectors)
            QVERIFY2(selector.contains(insideAWindow), qPrintable(selector));
    }

    // The icons sit on dark blue: a dark or empty icon, or one without a clear margin,
    // would be invisible or cut off.
    void lineIconsAreWhiteOnTransparent_data() { addLineIconRows(); }

    void lineIconsAreWhiteOnTransparent()
    {
        QFETCH(QString, path);
        const QImage image = load(path);
        QVERIFY(!image.isNull());
        const int last = image.width() - 1;
        for (const QPoint& corner :
             {QPoint(0, 0), QPoint(last, 0), QPoint(0, last), QPoint(last, last)})
            QCOMPARE(qAlpha(image.pixel(corner)), 0);

        int opaque = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                if (qAlpha(pixel) == 255) {
                    ++opaque;
                    QCOMPARE(pixel, qRgb(255, 255, 255));
                }
            }
        }
        const int pixels = image.width() * image.height();
        QVERIFY2(opaque > pixels / 50, "icon has almost no visible stroke");
        QVERIFY2(opaque < pixels / 2, "icon is a block, not a line drawing");
    }

    // The recording indicator tells the operator whether the logger records: the two
    // images must not be swapped or look alike.
    void recordIndicatorIsRedWhenEnabledAndGreyWhenDisabled()
    {
        const QImage enabled = load(QStringLiteral(":/images/tw/record_enable.png"));
        const QImage disabled = load(QStringLiteral(":/images/tw/record_disable.png"));
        QVERIFY(!enabled.isNull() && !disabled.isNull());
        const QPoint centre(100, 100);

        const QColor red = enabled.pixelColor(centre);
        QCOMPARE(red.alpha(), 255);
        QVERIFY(red.red() > 2 * red.green() && red.red() > 2 * red.blue());

        const QColor grey = disabled.pixelColor(centre);
        QCOMPARE(grey.alpha(), 255);
        QVERIFY(qAbs(grey.red() - grey.green()) < 8 && qAbs(grey.red() - grey.blue()) < 8);

        QCOMPARE(qAlpha(enabled.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(disabled.pixel(0, 0)), 0);
    }

    // Window and table backgrounds fill the whole widget; any transparency would show
    // whatever lies behind the frameless window.
    void backgroundsAreOpaque()
    {
        const QImage window = load(QStringLiteral(":/images/tw/ic_bg.png"));
        const QImage table = load(QStringLiteral(":/images/tw/white.png"));
        QVERIFY(!window.isNull() && !table.isNull());
        for (int y = 0; y < window.height(); y += 7) {
            for (int x = 0; x < window.width(); x += 7) {
                const QColor colour = window.pixelColor(x, y);
                QCOMPARE(colour.alpha(), 255);
                QVERIFY(colour.blue() > colour.red() && colour.blue() > colour.green());
            }
        }
        for (int y = 0; y < table.height(); ++y)
            for (int x = 0; x < table.width(); ++x)
                QCOMPARE(table.pixel(x, y), qRgb(255, 255, 255));
    }

    // Panels and the button background are stretched over widgets many times their
    // size: the middle must be translucent and even, so only the edge shows the shape.
    void stretchedPanelsHaveAnEvenTranslucentMiddle_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("panel") << ":/images/tw/ic_main_opt_2.png";
        QTest::newRow("button") << ":/images/tw/ic_btn_bg.png";
    }

    void stretchedPanelsHaveAnEvenTranslucentMiddle()
    {
        QFETCH(QString, path);
        const QImage image = load(path);
        QVERIFY(!image.isNull());
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        const int middleRow = image.height() / 2;
        const QRgb middle = image.pixel(image.width() / 2, middleRow);
        QVERIFY(qAlpha(middle) > 0 && qAlpha(middle) < 255);
        for (int x = image.width() / 4; x < image.width() * 3 / 4; ++x)
            QCOMPARE(image.pixel(x, middleRow), middle);
    }
};

HYGROLUX_TEST_MAIN_CORE(TestResources)

#include "tst_resources.moc"
