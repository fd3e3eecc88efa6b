#include "records/liveexcursions.h"
#include "testsupport.h"

#include <cmath>

using namespace liveexcursions;

namespace {

// A live reply with the limits 8 / 2 degC and 80 / 20 %RH unless given.
struct Reply {
    double temperature;
    double humidity;
    int tempHigh = 8;
};

wire::LiveValues live(const Reply& reply)
{
    wire::LiveValues v;
    v.temperatureCode = quint16(std::lround(reply.temperature * 10) + wire::TemperatureOffset);
    v.humidityCode = quint16(std::lround(reply.humidity * 10));
    v.tempAlarmHigh = reply.tempHigh;
    v.tempAlarmLow = 2;
    v.humiAlarmHigh = 80;
    v.humiAlarmLow = 20;
    return v;
}

QString changeText(const Change& c)
{
    return QStringLiteral("%1 %2 %3 %4 %5")
        .arg(c.quantity == Quantity::Temperature ? "T" : "H")
        .arg(c.limit == Limit::High ? "high" : "low")
        .arg(c.started ? "starts" : "ends")
        .arg(readingNumber(c, true))
        .arg(c.limitWhole);
}

} // namespace

Q_DECLARE_METATYPE(QVector<Reply>)

class LiveExcursionsTest : public QObject
{
    Q_OBJECT

private slots:
    void startsAndEnds_data();
    void startsAndEnds();
    void limitsInTheUnitShown();
};

void LiveExcursionsTest::startsAndEnds_data()
{
    QTest::addColumn<QVector<Reply>>("replies");
    QTest::addColumn<QStringList>("changes"); // those of each reply
    QTest::newRow("a value on the limit is within")
        << QVector<Reply>{{8.0, 80}, {8.1, 80.1}, {8.0, 80}, {2.0, 20}, {1.9, 19.9}}
        << QStringList{"", "T high starts 8.1 8, H high starts 80.1 80",
                       "T high ends 8.0 8, H high ends 80.0 80", "",
                       "T low starts 1.9 2, H low starts 19.9 20"};
    QTest::newRow("high to low directly ends one and starts the other")
        << QVector<Reply>{{5, 50}, {9.4, 50}, {1.0, 50}, {5, 50}}
        << QStringList{"", "T high starts 9.4 8", "T high ends 1.0 8, T low starts 1.0 2",
                       "T low ends 5.0 2"};
    QTest::newRow("both quantities at once, and beyond from the first reply")
        << QVector<Reply>{{9.0, 85}, {9.5, 86}, {5, 50}}
        << QStringList{"T high starts 9.0 8, H high starts 85.0 80", "",
                       "T high ends 5.0 8, H high ends 50.0 80"};
    QTest::newRow("a limit raised over the reading ends the excursion")
        << QVector<Reply>{{9.0, 50, 8}, {9.0, 50, 10}}
        << QStringList{"T high starts 9.0 8", "T high ends 9.0 10"};
}

void LiveExcursionsTest::startsAndEnds()
{
    QFETCH(QVector<Reply>, replies);
    Tracker tracker;
    QStringList changes;
    for (const Reply& reply : replies) {
        QStringList ofReply;
        for (const Change& change : tracker.take(live(reply)))
            ofReply << changeText(change);
        changes << ofReply.join(", ");
    }
    QTEST(changes, "changes");

    // A closed link forgets the excursion without ending it; the next reply starts it anew.
    tracker.reset();
    QCOMPARE(tracker.take(live({9.0, 50})).size(), 1);
}

void LiveExcursionsTest::limitsInTheUnitShown()
{
    // Whole where it is whole: 8 degC is 46.4 degF, -10 degC is 14 degF.
    QCOMPARE(limitNumber(Quantity::Temperature, 8, false), QStringLiteral("46.4"));
    QCOMPARE(limitNumber(Quantity::Temperature, -10, false), QStringLiteral("14"));
    Change change;
    change.value = 9.4;
    QCOMPARE(readingNumber(change, false) + unitText(change.quantity, false),
             QStringLiteral("48.9℉"));
}

HYGROLUX_TEST_MAIN_CORE(LiveExcursionsTest)
#include "tst_liveexcursions.moc"
