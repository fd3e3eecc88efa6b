#include "startup.h"
#include "testsupport.h"

#include <QApplication>
#include <QLabel>
#include <QTextCodec>

// Start-up: what every window inherits from the application.
class StartupTest : public QObject
{
    Q_OBJECT

private slots:
    void applicationWideSettings();
};

void StartupTest::applicationWideSettings()
{
    app::configureApplication(*qApp);

    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Hygrolux"));
    QCOMPARE(QApplication::palette().color(QPalette::Window), QColor(QStringLiteral("#F0F0F0")));
    QCOMPARE(QTextCodec::codecForLocale()->name(), QByteArray("UTF-8"));
    // The style sheet was read from the resources; it is all comments.
    QVERIFY(qApp->styleSheet().contains(QLatin1String("/*")));

    QLabel plain;
    QCOMPARE(plain.font().family(), QStringLiteral("Arial Black"));
    QCOMPARE(plain.font().pointSize(), 8);
}

HYGROLUX_TEST_MAIN(StartupTest)
#include "tst_startup.moc"
