#include "datafile.h"
#include "testsupport.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTemporaryDir>

using wire::block::RecordCodes;
Q_DECLARE_METATYPE(RecordCodes)

class TestDataFile : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void headAndRecordLinesAsWritten();
    void recordNumbersWidenPastFourDigits();
    void fahrenheitHeadKeepsCelsiusAlarmsAndPlaceholders();
    void recordsAreInTheFileWhileTheDownloadRuns();
    void summaryRewriteStaysLineExact_data();
    void summaryRewriteStaysLineExact();
    void refusedRewriteLeavesTheFileAsWritten();

    void roundTripOfRandomDownloads();
    void bothHeaderFormsReadAlike();
    void startTimeSkippedByDaylightSavingStillReads();
    void damagedHeadersReadAsZero();
    void valueTextsOfRecordLines();
    void readerStopsAtTheCountOrTheEnd();

private:
    struct Download {
        LoggedHeader header;
        QVector<LoggedRecord> records;
        LoggedStatistics statistics;
    };
    Download download(const QVector<RecordCodes>& codes, bool celsius, int interval = 60,
                      AlarmLimits alarms = {60, -20, 85, 5});
    // Writes the head and every record; the file stays open.
    void write(DataFileWriter& writer, const Download& d);
    QStringList fileLines() const;

    QTemporaryDir dir;
    QString path;
};

TestDataFile::Download TestDataFile::download(const QVector<RecordCodes>& codes, bool celsius,
                                              int interval, AlarmLimits alarms)
{
    Download d;
    const BlockHeader block{codes.size(), QDate(2024, 3, 9), QTime(22, 30), interval};
    d.header.recordCount = block.recordCount;
    d.header.startDate = block.startDate;
    d.header.startTime = block.startTime;
    d.header.intervalSeconds = interval;
    d.header.alarms = alarms;
    d.header.celsius = celsius;
    LoggedDecoder decoder(celsius);
    decoder.takeHeader(block);
    for (const RecordCodes& c : codes)
        d.records.append(decoder.decode(c));
    decoder.finish();
    d.statistics = decoder.statistics();
    return d;
}

void TestDataFile::write(DataFileWriter& writer, const Download& d)
{
    QVERIFY(writer.open());
    writer.writeHead(d.header);
    for (int i = 0; i < d.records.size(); ++i)
        writer.writeRecord(i + 1, d.records.at(i));
}

QStringList TestDataFile::fileLines() const
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
    // Every line ends with a line end, so the split leaves an empty piece at the end.
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void TestDataFile::init()
{
    path = dir.filePath("data.txt");
    QFile::remove(path);
}

void TestDataFile::headAndRecordLinesAsWritten()
{
    const Download d = download({{650, 500}, {700, 600}, {390, 0}}, true);
    DataFileWriter writer(path);
    write(writer, d);
    writer.close();

    const QStringList lines = fileLines();
    QCOMPARE(lines.size(), 13 + 3);
    QCOMPARE(lines.at(0), QStringLiteral("Record data number:3 : time:03-09-2024 22-30-00 : ht:60 "
                                         ": lt:-20 : hh:85 : ht:5:inval:60:isC:1"));
    QCOMPARE(lines.at(1), QString(44, '-') + "Report" + QString(46, '-'));
    QCOMPARE(lines.mid(2, 8), summary::placeholderLines());
    QCOMPARE(lines.at(10), QString(96, '-'));
    QCOMPARE(lines.at(11), QString(55, ' '));
    QCOMPARE(lines.at(12),
             QStringLiteral("  NO           time            temperature(c)   humidity "
                            "     Heat-Index(c)   Dew-Temperature(c)"));
    QCOMPARE(lines.at(13),
             QStringLiteral(" 0001  03-09-2024 22:31:00 :    25.0,           50.0,     "
                            "      25.0,             13.9"));
    QCOMPARE(lines.at(14),
             QStringLiteral(" 0002  03-09-2024 22:32:00 :    30.0,           60.0,     "
                            "      32.8,             21.4"));
    QCOMPARE(lines.at(15),
             QStringLiteral(" 0003  03-09-2024 22:33:00 :    -1.0,           0.0,      "
                            "     -1.0,             nan"));
}

void TestDataFile::recordNumbersWidenPastFourDigits()
{
    QCOMPARE(datafile::recordNumberText(1), QStringLiteral(" 0001  "));
    QCOMPARE(datafile::recordNumberText(9999), QStringLiteral(" 9999  "));
    QCOMPARE(datafile::recordNumberText(10000), QStringLiteral(" 10000  "));
    QCOMPARE(datafile::recordNumberText(65535), QStringLiteral(" 65535  "));
}

void TestDataFile::fahrenheitHeadKeepsCelsiusAlarmsAndPlaceholders()
{
    const Download d = download({{650, 500}}, false);
    DataFileWriter writer(path);
    write(writer, d);
    writer.close();

    const QStringList lines = fileLines();
    QVERIFY(lines.at(0).endsWith(" : ht:60 : lt:-20 : hh:85 : ht:5:inval:60:isC:0"));
    QCOMPARE(lines.at(4), QStringLiteral(">>Temp Alarm HI: 100.0℃   Temp Alarm Low:0.0℃"));
    QCOMPARE(lines.at(12),
             QStringLiteral("  NO            time            temperature(f)   humidity "
                            "     Heat-Index(f)   Dew-Temperature(f)"));
    QCOMPARE(lines.at(13),
             QStringLiteral(" 0001  03-09-2024 22:31:00 :    77.0,           50.0,     "
                            "      77.0,             56.9"));
}

void TestDataFile::recordsAreInTheFileWhileTheDownloadRuns()
{
    const Download d = download({{650, 500}, {651, 501}, {652, 502}}, true);
    DataFileWriter writer(path);
    write(writer, d);
    writer.flush();
    QCOMPARE(fileLines().size(), 13 + 3);

    // A stalled transfer: the records so far stay, followed by the note.
    writer.writeDataMissed();
    const QStringList lines = fileLines();
    QCOMPARE(lines.size(), 14 + 3);
    QCOMPARE(lines.last(), QStringLiteral("data missed"));
    QVERIFY(writer.isOpen());
}

void TestDataFile::summaryRewriteStaysLineExact_data()
{
    QTest::addColumn<QVector<RecordCodes>>("codes");
    QTest::addColumn<bool>("celsius");
    QTest::addColumn<int>("interval");

    QTest::newRow("short summary, no records") << QVector<RecordCodes>{} << true << 1;
    QTest::newRow("short summary") << QVector<RecordCodes>{{650, 500}} << true << 1;
    // Longest values: extremes of -40.0 and 369.5 (and their Fahrenheit forms), a
    // five-digit count and the longest interval.
    QVector<RecordCodes> wide(12000, RecordCodes{650, 500});
    wide[3] = {0, 0};
    wide[11999] = {4095, 4095};
    QTest::newRow("long summary, Celsius") << wide << true << 65535;
    QTest::newRow("long summary, Fahrenheit") << wide << false << 65535;
}

void TestDataFile::summaryRewriteStaysLineExact()
{
    QFETCH(QVector<RecordCodes>, codes);
    QFETCH(bool, celsius);
    QFETCH(int, interval);

    const Download d = download(codes, celsius, interval, {-40, -40, 100, 100});
    DataFileWriter writer(path);
    write(writer, d);
    writer.flush();
    const QStringList before = fileLines();

    SummaryValues values;
    values.statistics = d.statistics;
    values.alarms = d.header.alarms;
    values.intervalSeconds = interval;
    values.recordCount = codes.size();
    values.celsius = celsius;
    const QStringList summaryLines = summary::lines(values);
    QVERIFY(writer.writeSummary(summaryLines));
    QVERIFY(!writer.isOpen());

    const QStringList after = fileLines();
    QCOMPARE(after.size(), 13 + codes.size());
    QCOMPARE(after.mid(2, 8), summaryLines);
    QCOMPARE(after.mid(0, 2), before.mid(0, 2));
    QCOMPARE(after.mid(10), before.mid(10));
    QVERIFY(!QFileInfo::exists(path + ".tmp"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"data.txt"});
}

void TestDataFile::refusedRewriteLeavesTheFileAsWritten()
{
    const Download d = download({{650, 500}}, true);
    DataFileWriter writer(path);
    write(writer, d);
    QVERIFY(!writer.writeSummary(summary::placeholderLines().mid(1)));
    QCOMPARE(fileLines().size(), 14);
    QCOMPARE(fileLines().mid(2, 8), summary::placeholderLines());

    // Nothing written yet: there is nothing to complete.
    DataFileWriter unopened(dir.filePath("other.txt"));
    QVERIFY(!unopened.writeSummary(summary::placeholderLines()));
    QVERIFY(!QFileInfo::exists(dir.filePath("other.txt")));
}

void TestDataFile::roundTripOfRandomDownloads()
{
    QRandomGenerator random(5150);
    for (int round = 0; round < 20; ++round) {
        QVector<RecordCodes> codes(1 + int(random.bounded(300)));
        for (RecordCodes& c : codes)
            c = {quint16(random.bounded(4096)), quint16(random.bounded(1001))};
        const bool celsius = random.bounded(2) == 0;
        const AlarmLimits alarms{int(random.bounded(-40, 125)), int(random.bounded(-40, 125)),
                                 int(random.bounded(101)), int(random.bounded(101))};
        const Download d = download(codes, celsius, 1 + int(random.bounded(65535)), alarms);
        DataFileWriter writer(path);
        write(writer, d);
        SummaryValues values;
        values.statistics = d.statistics;
        values.alarms = alarms;
        values.intervalSeconds = d.header.intervalSeconds;
        values.recordCount = codes.size();
        values.celsius = celsius;
        QVERIFY(writer.writeSummary(summary::lines(values)));

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        const datafile::Contents read = datafile::read(file, 20000);
        const LoggedHeader& h = read.header;
        QCOMPARE(h.recordCount, d.header.recordCount);
        QCOMPARE(h.start(), d.header.start());
        QCOMPARE(h.alarms.tempHigh, alarms.tempHigh);
        QCOMPARE(h.alarms.tempLow, alarms.tempLow);
        QCOMPARE(h.alarms.humiHigh, alarms.humiHigh);
        QCOMPARE(h.alarms.humiLow, alarms.humiLow);
        QCOMPARE(h.intervalSeconds, d.header.intervalSeconds);
        QCOMPARE(h.celsius, celsius);
        QCOMPARE(read.reportLines.size(), 8);
        for (int i = 0; i < 8; ++i)
            QCOMPARE(read.reportLines.at(i), summary::lines(values).at(i) + '\n');
        QCOMPARE(read.recordLines.size(), codes.size());
        for (int i = 0; i < codes.size(); ++i) {
            const LoggedRecord& r = d.records.at(i);
            const QString& line = read.recordLines.at(i);
            QCOMPARE(datafile::valueText(line, 0, !celsius, true),
                     r.temperatureText + (celsius ? " ℃" : " ℉"));
            QCOMPARE(datafile::valueText(line, 1, !celsius, false), r.humidityText + " %");
            QCOMPARE(datafile::recordValue(line, 0), r.temperatureText.toFloat());
            QCOMPARE(datafile::recordValue(line, 1), r.humidity);
            QCOMPARE(datafile::recordValue(line, 2), r.heatIndexText.toFloat());
            if (r.humidity > 0)
                QCOMPARE(datafile::recordValue(line, 3), r.dewTemperatureText.toFloat());
        }
    }
}

void TestDataFile::bothHeaderFormsReadAlike()
{
    LoggedHeader h;
    h.recordCount = 65535;
    h.startDate = QDate(2099, 12, 31);
    h.startTime = QTime(23, 59, 59);
    h.alarms = {-40, -7, 100, 0};
    h.intervalSeconds = 65535;
    h.celsius = false;
    QCOMPARE(datafile::workbookHeaderLine(h),
             QStringLiteral("Record data number:65535 : time:12-31-2099 23-59-59 : ht:-40 : lt:-7 "
                            ": hh:100 : ht:0 : inval:65535 :isC:0"));
    for (const QString& line : {datafile::headerLine(h), datafile::workbookHeaderLine(h)}) {
        const LoggedHeader read = datafile::parseHeaderLine(line);
        QCOMPARE(read.recordCount, h.recordCount);
        QCOMPARE(read.start(), h.start());
        QCOMPARE(read.alarms.tempHigh, -40);
        QCOMPARE(read.alarms.tempLow, -7);
        QCOMPARE(read.alarms.humiHigh, 100);
        QCOMPARE(read.alarms.humiLow, 0);
        QCOMPARE(read.intervalSeconds, 65535);
        QCOMPARE(read.celsius, false);
    }
}

void TestDataFile::startTimeSkippedByDaylightSavingStillReads()
{
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    const LoggedHeader h =
        datafile::parseHeaderLine("Record data number:1 : time:03-31-2024 02-30-00 : ht:1");
    qputenv("TZ", zone);
    QCOMPARE(h.startDate, QDate(2024, 3, 31));
    QCOMPARE(h.startTime, QTime(2, 30));
}

void TestDataFile::damagedHeadersReadAsZero()
{
    const LoggedHeader onlyCount = datafile::parseHeaderLine("Record data number: 12 \n");
    QCOMPARE(onlyCount.recordCount, 12);
    QVERIFY(!onlyCount.start().isValid());
    QCOMPARE(onlyCount.intervalSeconds, 0);
    QCOMPARE(onlyCount.celsius, false);

    const LoggedHeader text = datafile::parseHeaderLine(
        "Record data number:many : time:yesterday : ht:hot : lt:-5 : hh:-3 : ht:x:inval::isC:1\n");
    QCOMPARE(text.recordCount, 0);
    QVERIFY(!text.start().isValid());
    QCOMPARE(text.alarms.tempHigh, 0);
    QCOMPARE(text.alarms.tempLow, -5);
    QCOMPARE(text.alarms.humiHigh, 0); // unsigned fields take no sign
    QCOMPARE(text.intervalSeconds, 0);
    QCOMPARE(text.celsius, true);

    QCOMPARE(datafile::parseHeaderLine(QString()).recordCount, 0);
    QVERIFY(!datafile::parseHeaderLine("Record data number:1 : time:02-30-2024 10-00-00")
                 .startDate.isValid());
    QCOMPARE(datafile::parseHeaderLine("Record data number:99999999999").recordCount, 0);
}

void TestDataFile::valueTextsOfRecordLines()
{
    const QString line = " 0001  03-09-2024 22:31:00 :    -4.0,           50.5,           -4.0,  "
                         "           -12.3\n";
    QCOMPARE(datafile::valueText(line, 0, false, true), QStringLiteral("-4.0 ℃"));
    QCOMPARE(datafile::valueText(line, 1, false, false), QStringLiteral("50.5 %"));
    QCOMPARE(datafile::valueText(line, 3, true, true), QStringLiteral("-12.3 ℉"));
    // Rebuilt from workbook cells, the same rules apply.
    const QString fromCells =
        datafile::recordLineFromCells("03-09-2024 22:31:00", "-4.0", "50.5", "-4.0", "-12.3");
    QCOMPARE(datafile::recordValue(fromCells, 3), -12.3f);
    QCOMPARE(datafile::valueText("data missed\n", 0, false, true), QStringLiteral("0.0 ℃"));
    QCOMPARE(datafile::valueText(" 0001  03-09-2024 22:31:00 :    warm, wet", 1, false, false),
             QStringLiteral("0.0 %"));
}

void TestDataFile::readerStopsAtTheCountOrTheEnd()
{
    const Download d = download(QVector<RecordCodes>(5, RecordCodes{650, 500}), true);
    DataFileWriter writer(path);
    write(writer, d);
    writer.writeDataMissed();
    writer.close();

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QCOMPARE(datafile::read(file, 3).recordLines.size(), 3);
    file.seek(0);
    // The count stops the reader before the "data missed" line.
    QCOMPARE(datafile::read(file, 20000).recordLines.size(), 5);

    QByteArray shortFile = "Record data number:9 : time:03-09-2024 22-30-00\n";
    QBuffer buffer(&shortFile);
    buffer.open(QIODevice::ReadOnly);
    const datafile::Contents contents = datafile::read(buffer, 20000);
    QCOMPARE(contents.header.recordCount, 9);
    QCOMPARE(contents.reportLines.size(), 8);
    QVERIFY(contents.recordLines.isEmpty());

    QByteArray zeroCount = "Record data number:0 : time:03-09-2024 22-30-00\nrest\n";
    QBuffer zero(&zeroCount);
    zero.open(QIODevice::ReadOnly);
    QVERIFY(datafile::read(zero, 20000).reportLines.isEmpty());
}

HYGROLUX_TEST_MAIN_CORE(TestDataFile)
#include "tst_datafile.moc"
