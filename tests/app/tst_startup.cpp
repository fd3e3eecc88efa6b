#include "app/startup.h"
#include "testsupport.h"

#include <QApplication>
#include <QLabel>
#include <QRawFont>
#include <QTextCodec>

// Start-up: what every window inherits from the application.
class StartupTest : public QObject
{
    Q_OBJECT

private slots:
    void applicationWideSettings();
    void chineseFamiliesHaveChineseGlyphs_data();
    void chineseFamiliesHaveChineseGlyphs();
};

void StartupTest::applicationWideSettings()
{
    app::configureApplication(*qApp);

    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Hygrolux"));
    QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("io.github.hygrolux.Hygrolux"));
    QCOMPARE(QApplication::palette().color(QPalette::Window), QColor(QStringLiteral("#F0F0F0")));
    QCOMPARE(QTextCodec::codecForLocale()->name(), QByteArray("UTF-8"));
    // The style sheet was read from the resources; it is all comments.
    QVERIFY(qApp->styleSheet().contains(QLatin1String("/*")));

    QLabel plain;
    QCOMPARE(plain.font().family(), QStringLiteral("Arial Black"));
    QCOMPARE(plain.font().pointSize(), 8);
}

void StartupTest::chineseFamiliesHaveChineseGlyphs_data()
{
    QTest::addColumn<QString>("family");
    for (const char* family : {"Microsoft YaHei", "微软雅黑", "新宋体"})
        QTest::newRow(family) << QString::fromUtf8(family);
}

// Without a stand-in the chosen face has no Chinese glyphs: each character would then come
// from whatever face the platform falls back to, or show as a box.
void StartupTest::chineseFamiliesHaveChineseGlyphs()
{
    QFETCH(QString, family);
    app::configureApplication(*qApp);
    const QRawFont face = QRawFont::fromFont(QFont(family, 12));
    QVERIFY2(face.isValid(), qPrintable(family));
    for (const QChar character : QStringLiteral("温湿度计下载设置"))
        QVERIFY2(face.supportsCharacter(character), qPrintable(face.familyName()));
}

HYGROLUX_TEST_MAIN(StartupTest)
#include "tst_startup.moc"
