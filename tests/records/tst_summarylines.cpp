#include "records/summarylines.h"
#include "testsupport.h"

class TestSummaryLines : public QObject
{
    Q_OBJECT

private slots:
    void linesInBothUnits_data();
    void linesInBothUnits();
    void emptyDownloadKeepsItsMarkersInTheFileOnly();
    void placeholdersAreEightFixedLines();
};

namespace {

SummaryValues sample(bool celsius)
{
    SummaryValues v;
    v.celsius = celsius;
    v.statistics.startTime = "03-09-2024 22:31:00";
    v.statistics.endTime = "03-10-2024 01:30:00";
    v.statistics.tempMin = celsius ? -4.5f : 23.9f;
    v.statistics.tempMinTime = "03-09-2024 23:00:00";
    v.statistics.tempMax = celsius ? 25.0f : 77.0f;
    v.statistics.tempMaxTime = "03-10-2024 00:10:00";
    v.statistics.humiMin = 0.0f;
    v.statistics.humiMinTime = "03-09-2024 22:40:00";
    v.statistics.humiMax = 99.9f;
    v.statistics.humiMaxTime = "03-10-2024 01:00:00";
    v.alarms = {60, -20, 85, 5};
    v.intervalSeconds = 65535;
    v.recordCount = 65535;
    return v;
}

} // namespace

void TestSummaryLines::linesInBothUnits_data()
{
    QTest::addColumn<bool>("celsius");
    QTest::addColumn<QStringList>("expected");

    const QStringList common{
        ">>Start Time:03-09-2024 22:31:00",
        ">>End Time:03-10-2024 01:30:00",
    };
    const QString rh = ">>RH Alarm HI: 85 %RH   RH Alarm Low: 5 %RH";
    const QString rate = ">>Sampling rate: 65535 sec";
    const QString count = ">>Data number: 65535";
    const QString rhExtremes =
        ">>RH MIN: 0.0%RH @03-09-2024 22:40:00   RH MAX:99.9%RH @03-10-2024 01:00:00";

    QTest::newRow("Celsius")
        << true
        << common + QStringList{
                        ">>Temp Alarm HI: 60.0℃   Temp Alarm Low: -20.0℃",
                        rh,
                        rate,
                        count,
                        ">>Temp MIN: -4.5℃  @03-09-2024 23:00:00   Temp MAX: 25.0℃  "
                        "@03-10-2024 00:10:00 ",
                        rhExtremes,
                    };
    QTest::newRow("Fahrenheit")
        << false
        << common + QStringList{
                        ">>Temp Alarm HI: 140.0℉   Temp Alarm Low: -4.0℉",
                        rh,
                        rate,
                        count,
                        ">>Temp MIN: 23.9℉ @03-09-2024 23:00:00   Temp MAX: 77.0℉ "
                        "@03-10-2024 00:10:00 ",
                        rhExtremes,
                    };
}

void TestSummaryLines::linesInBothUnits()
{
    QFETCH(bool, celsius);
    QFETCH(QStringList, expected);
    QCOMPARE(summary::lines(sample(celsius), summary::Reader::DataFile), expected);
}

void TestSummaryLines::emptyDownloadKeepsItsMarkersInTheFileOnly()
{
    SummaryValues v;
    const QStringList lines = summary::lines(v, summary::Reader::DataFile);
    QCOMPARE(lines.at(5), QStringLiteral(">>Data number: 0"));
    QCOMPARE(lines.at(6), QStringLiteral(">>Temp MIN: 9999.0℃  @   Temp MAX: -9999.0℃  @ "));
    QCOMPARE(lines.at(7), QStringLiteral(">>RH MIN: 9999.0%RH @   RH MAX:-9999.0%RH @"));
    // What the operator reads never shows the markers as measured extremes.
    const QStringList read = summary::lines(v, summary::Reader::Operator);
    QCOMPARE(read.mid(0, 6), lines.mid(0, 6));
    QCOMPARE(read.at(6), QStringLiteral(">>Temp MIN: --℃  @--   Temp MAX: --℃  @-- "));
    QCOMPARE(read.at(7), QStringLiteral(">>RH MIN: --%RH @--   RH MAX:--%RH @--"));
}

void TestSummaryLines::placeholdersAreEightFixedLines()
{
    const QStringList lines = summary::placeholderLines();
    QCOMPARE(lines.size(), summary::LineCount);
    QCOMPARE(lines.at(2), QStringLiteral(">>Temp Alarm HI: 100.0℃   Temp Alarm Low:0.0℃"));
    QCOMPARE(lines.at(4), QStringLiteral(">>Sampling rate:  1 sec"));
    QCOMPARE(lines.at(7), QStringLiteral(">>RH MAX: 41.2%RH @12-02-2016 15:42:39   RH "
                                         "MIN:99.8%RH @12-02-2016 15:28:02"));
}

HYGROLUX_TEST_MAIN_CORE(TestSummaryLines)
#include "tst_summarylines.moc"
