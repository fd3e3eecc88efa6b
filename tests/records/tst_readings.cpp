#include "device/recordingentry.h"
#include "records/readings.h"
#include "testsupport.h"

#include <QRandomGenerator>

// The derived readings shared by the live view and the logged records.
class ReadingsTest : public QObject
{
    Q_OBJECT

private slots:
    void dewPointAndHeatIndexByCode_data();
    void dewPointAndHeatIndexByCode();
    void fahrenheit();
    void limitsShownInFahrenheitComeBackAsTheSameCelsius();
    void formattedLikeTheGeneralConversion();
};

void ReadingsTest::dewPointAndHeatIndexByCode_data()
{
    QTest::addColumn<bool>("dewPoint"); // otherwise the heat index
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("humidity");
    QTest::addColumn<QString>("value");
    // At 50 %RH the two constant pairs give values a whole degree apart.
    QTest::newRow("-1.0 C over ice") << true << 390 << 500 << "-9.1";
    QTest::newRow("-0.1 C over ice") << true << 399 << 500 << "-8.3";
    QTest::newRow("0.0 C over water") << true << 400 << 500 << "-9.2";
    QTest::newRow("-39.9 C over ice") << true << 1 << 500 << "-45.9";
    QTest::newRow("-40.0 C over water") << true << 0 << 500 << "-46.5";
    QTest::newRow("25.0 C") << true << 650 << 500 << "13.9";
    QTest::newRow("dry air has no dew point") << true << 650 << 0 << "nan";
    QTest::newRow("heat index below 26.7 C") << false << 666 << 600 << "26.6";
    QTest::newRow("heat index from 26.7 C") << false << 667 << 900 << "29.9";
    QTest::newRow("heat index at 30.0 C") << false << 700 << 600 << "32.8";
}

void ReadingsTest::dewPointAndHeatIndexByCode()
{
    QFETCH(bool, dewPoint);
    QFETCH(int, code);
    QFETCH(int, humidity);
    const double value = dewPoint ? readings::dewPointC(quint16(code), quint16(humidity))
                                  : readings::heatIndexC(quint16(code), quint16(humidity));
    QTEST(readings::formatValue(value), "value");
}

void ReadingsTest::fahrenheit()
{
    QCOMPARE(readings::formatValue(readings::toFahrenheit(30.0)), QStringLiteral("86.0"));
    QCOMPARE(readings::formatValue(readings::toFahrenheit(-40.0)), QStringLiteral("-40.0"));
    QCOMPARE(readings::formatValue(readings::inUnit(25.0, true)), QStringLiteral("25.0"));
    // Whole degrees back to Celsius truncate toward zero, never round or floor.
    QCOMPARE(recordingentry::wholeCelsiusFromFahrenheit(33), 0);
    QCOMPARE(recordingentry::wholeCelsiusFromFahrenheit(32), 0);
    QCOMPARE(recordingentry::wholeCelsiusFromFahrenheit(100), 37);
    QCOMPARE(recordingentry::wholeCelsiusFromFahrenheit(0), -17);
}

void ReadingsTest::limitsShownInFahrenheitComeBackAsTheSameCelsius()
{
    const recordingentry::Range celsius = recordingentry::TemperatureC;
    for (int c = celsius.minimum; c <= celsius.maximum; ++c) {
        const int f = recordingentry::wholeFahrenheitFromCelsius(c);
        QCOMPARE(recordingentry::wholeCelsiusFromFahrenheit(f), c);
        QVERIFY2(qAbs(f - (c * 1.8 + 32)) < 1, qPrintable(QString::number(c)));
        QVERIFY(recordingentry::TemperatureF.contains(f));
    }
}

void ReadingsTest::formattedLikeTheGeneralConversion()
{
    QVector<double> values{0.0,   -0.0,  -0.01, -0.04, -0.05, -0.06, 0.05,    0.15,   0.25,
                           20.1f, -40.0, 369.5, 409.5, 1e12,  -1e12, qQNaN(), qInf(), -qInf()};
    QRandomGenerator random(11);
    for (int i = 0; i < 100000; ++i) {
        const double tenths = random.bounded(-5000, 5000);
        values << double(float(tenths / 10)) << tenths / 10 + 0.05
               << random.generateDouble() * 800 - 400;
    }
    for (const double value : values)
        QCOMPARE(readings::formatValue(value), QString::number(value, 'f', 1));
}

HYGROLUX_TEST_MAIN_CORE(ReadingsTest)
#include "tst_readings.moc"
