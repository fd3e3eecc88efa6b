#include "records/datafile.h"
#include "testsupport.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <malloc.h>

using wire::block::RecordCodes;
Q_DECLARE_METATYPE(RecordCodes)

namespace {
const QDateTime DefaultStart(QDate(2024, 3, 9), QTime(22, 30));

// Every field of a header, to compare one read with the one written.
QString fields(const LoggedHeader& h)
{
    return datafile::headerLine(h) + " start:" + h.start().toString(Qt::ISODate);
}

datafile::Contents readBytes(QByteArray bytes, int maxRecords = 20000)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return datafile::read(buffer, maxRecords);
}
} // namespace

class TestDataFile : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void headAndRecordLinesAsWritten_data();
    void headAndRecordLinesAsWritten();
    void recordNumbersWidenPastFourDigits();
    void recordsAreInTheFileWhileTheDownloadRuns();
    void writerKeepsNothingOfEarlierDownloads();
    void summaryRewriteStaysLineExact_data();
    void summaryRewriteStaysLineExact();
    void refusedRewriteLeavesTheFileAsWritten();
    void summaryGoesInPlaceWhereTheFolderTakesNoNewFile();
    void impossibleLoggerClockStillReadsBack();

    void roundTripOfRandomDownloads();
    void bothHeaderFormsReadAlike();
    void damagedHeadersReadAsZero_data();
    void damagedHeadersReadAsZero();
    void startTimeSkippedByDaylightSavingStillReads();
    void valueTextsOfRecordLines();
    void valuesReadExactlyLikeTheGeneralConversion();
    void readerStopsAtTheCountOrTheEnd();
    void readerToleratesAnyDevice();
    void longLinesAndNulBytesReadLikeShortOnes();
    void hostileFilesReadAsTheirWholeRecordsInBoundedMemory_data();
    void hostileFilesReadAsTheirWholeRecordsInBoundedMemory();
    void onlyAWholeDownloadIsComplete_data();
    void onlyAWholeDownloadIsComplete();

private:
    struct Download {
        LoggedHeader header;
        QVector<LoggedRecord> records;
        QStringList summary;
    };
    static Download download(const QVector<RecordCodes>& codes, bool celsius = true,
                             int interval = 60, AlarmLimits alarms = {60, -20, 85, 5},
                             const QDateTime& start = DefaultStart);
    // Writes the head and every record; the file stays open.
    static bool write(DataFileWriter& writer, const Download& d);
    bool writeFile(const Download& d)
    {
        DataFileWriter writer(path);
        return write(writer, d) && writer.close();
    }
    QStringList fileLines() const { return hygrolux::test::fileLines(path); }
    datafile::Contents readFile() const { return readBytes(hygrolux::test::fileContents(path)); }
    // The data file of a download that succeeded.
    QByteArray completeFile(const Download& d);

    QTemporaryDir dir;
    QString path;
};

TestDataFile::Download TestDataFile::download(const QVector<RecordCodes>& codes, bool celsius,
                                              int interval, AlarmLimits alarms,
                                              const QDateTime& start)
{
    Download d;
    d.header = {codes.size(), start.date(), start.time(), alarms, interval, celsius};
    LoggedDecoder decoder(celsius);
    decoder.takeHeader({codes.size(), start.date(), start.time(), interval});
    for (const RecordCodes& c : codes)
        d.records.append(decoder.decode(c));
    decoder.finish();
    d.summary = summary::lines({decoder.statistics(), alarms, interval, codes.size(), celsius},
                                summary::Reader::DataFile);
    return d;
}

bool TestDataFile::write(DataFileWriter& writer, const Download& d)
{
    if (!writer.open())
        return false;
    writer.writeHead(d.header);
    for (int i = 0; i < d.records.size(); ++i)
        writer.writeRecord(i + 1, d.records.at(i));
    return true;
}

void TestDataFile::init()
{
    path = dir.filePath("data.txt");
    QFile::remove(path);
}

void TestDataFile::headAndRecordLinesAsWritten_data()
{
    QTest::addColumn<bool>("celsius");
    QTest::addColumn<QStringList>("lines"); // the first line, the column titles, the records
    const QStringList celsius{
        "Record data number:3 : time:03-09-2024 22-30-00 : ht:60 : lt:-20 : hh:85 : "
        "ht:5:inval:60:isC:1",
        "  NO           time            temperature(c)   humidity      Heat-Index(c)   "
        "Dew-Temperature(c)",
        " 0001  03-09-2024 22:31:00 :    25.0,           50.0,           25.0,             13.9",
        " 0002  03-09-2024 22:32:00 :    30.0,           60.0,           32.8,             21.4",
        " 0003  03-09-2024 22:33:00 :    -1.0,           0.0,           -1.0,             nan"};
    // The alarm limits stay whole degrees Celsius.
    const QStringList fahrenheit{
        "Record data number:3 : time:03-09-2024 22-30-00 : ht:60 : lt:-20 : hh:85 : "
        "ht:5:inval:60:isC:0",
        "  NO            time            temperature(f)   humidity      Heat-Index(f)   "
        "Dew-Temperature(f)",
        " 0001  03-09-2024 22:31:00 :    77.0,           50.0,           77.0,             56.9",
        " 0002  03-09-2024 22:32:00 :    86.0,           60.0,           91.1,             70.5",
        " 0003  03-09-2024 22:33:00 :    30.2,           0.0,           30.2,             nan"};
    QTest::newRow("Celsius") << true << celsius;
    QTest::newRow("Fahrenheit") << false << fahrenheit;
}

void TestDataFile::headAndRecordLinesAsWritten()
{
    QFETCH(bool, celsius);
    QFETCH(QStringList, lines);
    QVERIFY(writeFile(download({{650, 500}, {700, 600}, {390, 0}}, celsius)));
    const QStringList file = fileLines();
    QCOMPARE(file.size(), 13 + 3);
    QCOMPARE(file.at(0), lines.at(0));
    QCOMPARE(file.at(1), QString(44, '-') + "Report" + QString(46, '-'));
    QCOMPARE(file.mid(2, 8), summary::placeholderLines());
    QCOMPARE(file.at(10), QString(96, '-'));
    QCOMPARE(file.at(11), QString(55, ' '));
    QCOMPARE(file.mid(12), lines.mid(1));
}

void TestDataFile::recordNumbersWidenPastFourDigits()
{
    QCOMPARE(datafile::recordNumberText(1), QStringLiteral(" 0001  "));
    QCOMPARE(datafile::recordNumberText(9999), QStringLiteral(" 9999  "));
    QCOMPARE(datafile::recordNumberText(10000), QStringLiteral(" 10000  "));
    QCOMPARE(datafile::recordNumberText(65535), QStringLiteral(" 65535  "));
}

void TestDataFile::recordsAreInTheFileWhileTheDownloadRuns()
{
    DataFileWriter writer(path);
    QVERIFY(write(writer, download({{650, 500}, {651, 501}, {652, 502}})));
    writer.flush();
    QCOMPARE(fileLines().size(), 13 + 3);

    // A stalled transfer: the records so far stay, followed by the note.
    writer.writeDataMissed();
    QCOMPARE(fileLines().size(), 14 + 3);
    QCOMPARE(fileLines().last(), QStringLiteral("data missed"));
    QVERIFY(writer.isOpen());
}

// A text stream handed one device after another stays connected to each: a writer reused
// for download after download once grew by a connection each time, and every close of the
// file called all of them. Measured where the C library keeps the program's memory, which the
// sanitizer build replaces (there the check passes without seeing anything).
void TestDataFile::writerKeepsNothingOfEarlierDownloads()
{
    const Download d = download({{650, 500}});
    DataFileWriter writer(path);
    const auto downloads = [&](int count) {
        for (int i = 0; i < count; ++i) {
            write(writer, d);
            writer.close();
        }
    };
    downloads(50);
    const size_t before = mallinfo2().uordblks;
    downloads(2000);
    const size_t after = mallinfo2().uordblks;
    QVERIFY2(after < before + 2000 * 8,
             qPrintable(QString("%1 bytes more after 2000 downloads").arg(after - before)));
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
    QVERIFY(write(writer, d));
    writer.flush();
    const QStringList before = fileLines();

    QVERIFY(writer.writeSummary(d.summary));
    QVERIFY(!writer.isOpen());
    const QStringList after = fileLines();
    QCOMPARE(after.size(), 13 + codes.size());
    QCOMPARE(after.mid(2, 8), d.summary);
    QCOMPARE(after.mid(0, 2), before.mid(0, 2));
    QCOMPARE(after.mid(10), before.mid(10));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"data.txt"});
}

void TestDataFile::refusedRewriteLeavesTheFileAsWritten()
{
    DataFileWriter writer(path);
    QVERIFY(write(writer, download({{650, 500}})));
    QVERIFY(!writer.writeSummary(summary::placeholderLines().mid(1)));
    QCOMPARE(fileLines().size(), 14);
    QCOMPARE(fileLines().mid(2, 8), summary::placeholderLines());

    // Nothing written yet: there is nothing to complete.
    DataFileWriter unopened(dir.filePath("other.txt"));
    QVERIFY(!unopened.writeSummary(summary::placeholderLines()));
    QVERIFY(!QFileInfo::exists(dir.filePath("other.txt")));
}

void TestDataFile::summaryGoesInPlaceWhereTheFolderTakesNoNewFile()
{
    const Download d = download({{650, 500}, {700, 600}});
    QFile(path).open(QIODevice::WriteOnly);
    hygrolux::test::giveToOrdinaryUser(path);
    // The data file may be written, but the folder takes no new file beside it.
    QFile::setPermissions(dir.path(),
                          QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    const bool written = hygrolux::test::asOrdinaryUser([&] {
        DataFileWriter writer(path);
        return write(writer, d) && writer.writeSummary(d.summary);
    });
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(written);
    const QStringList lines = fileLines();
    QCOMPARE(lines.size(), 13 + 2);
    QCOMPARE(lines.mid(2, 8), d.summary);
    QCOMPARE(lines.at(14).left(27), QStringLiteral(" 0002  03-09-2024 22:32:00 "));
}

void TestDataFile::impossibleLoggerClockStillReadsBack()
{
    // A logger that lost its battery sends no real start (month 13, hour 25).
    QVERIFY(writeFile(download({{650, 500}, {700, 600}}, true, 60, {}, QDateTime())));
    const QStringList lines = fileLines();
    QVERIFY(lines.at(0).startsWith("Record data number:2 : time:00-00-0000 00-00-00 : ht:"));
    QVERIFY(lines.at(13).startsWith(" 0001  00-00-0000 00:00:00 :    25.0,"));
    const datafile::Contents read = readFile();
    QCOMPARE(read.recordLines.size(), 2);
    QCOMPARE(datafile::recordValue(read.recordLines.at(1), 0), 30.0f);
    QCOMPARE(datafile::recordValue(read.recordLines.at(1), 1), 60.0f);
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
        QVERIFY(write(writer, d) && writer.writeSummary(d.summary));

        const datafile::Contents read = readFile();
        QCOMPARE(fields(read.header), fields(d.header));
        QCOMPARE(read.reportLines.join(QString()), d.summary.join('\n') + '\n');
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
    const LoggedHeader h{65535, QDate(2099, 12, 31), QTime(23, 59, 59), {-40, -7, 100, 0}, 65535,
                         false};
    QCOMPARE(datafile::workbookHeaderLine(h),
             QStringLiteral("Record data number:65535 : time:12-31-2099 23-59-59 : ht:-40 : lt:-7 "
                            ": hh:100 : ht:0 : inval:65535 :isC:0"));
    for (const QString& line : {datafile::headerLine(h), datafile::workbookHeaderLine(h)})
        QCOMPARE(fields(datafile::parseHeaderLine(line)), fields(h));
}

void TestDataFile::damagedHeadersReadAsZero_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("read"); // the fields read
    const QString unknownClock = "Record data number:%1 : time:00-00-0000 00-00-00 : ht:0 : lt:%2 "
                                 ": hh:0 : ht:0:inval:0:isC:%3 start:";
    QTest::newRow("only a count") << "Record data number: 12 \n"
                                  << unknownClock.arg(12).arg(0).arg(0);
    // Unsigned fields take no sign.
    QTest::newRow("text in place of numbers")
        << "Record data number:many : time:yesterday : ht:hot : lt:-5 : hh:-3 : ht:x:inval::isC:1\n"
        << unknownClock.arg(0).arg(-5).arg(1);
    QTest::newRow("empty") << "" << unknownClock.arg(0).arg(0).arg(0);
    QTest::newRow("no such day") << "Record data number:1 : time:02-30-2024 10-00-00"
                                 << unknownClock.arg(1).arg(0).arg(0);
    QTest::newRow("a count beyond any")
        << "Record data number:99999999999" << unknownClock.arg(0).arg(0).arg(0);
    // Unlike a start that does not read, the logger's unknown clock counts from its zero.
    QTest::newRow("the logger's clock unknown")
        << "Record data number:2 : time:00-00-0000 00-00-00"
        << unknownClock.arg(2).arg(0).arg(0) + "2000-01-01T00:00:00Z";
}

void TestDataFile::damagedHeadersReadAsZero()
{
    QFETCH(QString, line);
    QTEST(fields(datafile::parseHeaderLine(line)), "read");
}

// 02:30 on 31 March 2024 does not exist in Berlin: the clocks went from 02:00 to 03:00.
void TestDataFile::startTimeSkippedByDaylightSavingStillReads()
{
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    const QDateTime start =
        datafile::parseHeaderLine("Record data number:1 : time:03-31-2024 02-30-00 : ht:1").start();
    qputenv("TZ", zone);
    // The charts count from it: it must be a real point in time, and the one written.
    QCOMPARE(start, QDateTime(QDate(2024, 3, 31), QTime(2, 30), Qt::UTC));
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

void TestDataFile::valuesReadExactlyLikeTheGeneralConversion()
{
    // Floats compared by their exact text, so that a value one step off cannot pass.
    const auto exact = [](float value) { return QString::number(double(value), 'g', 9); };
    QStringList texts = QString("23.5|-0.0|0.0|-12.3| 7.5 \n|12.34|1e3|nan|-nan|inf|-|.5|5.|+4.0|"
                                "4.0.1|warm||--1.0|1234567890123.4|12345678901234567.8")
                            .split('|');
    QRandomGenerator random(77);
    for (int i = 0; i < 20000; ++i)
        texts << QString::number(random.bounded(-999999, 999999) / 10.0, 'f', 1);
    for (const QString& text : texts) {
        const QString line = " 0001  03-09-2024 22:31:00 :    " + text + ",1.0,2.0,3.0\n";
        QCOMPARE(exact(datafile::recordValue(line, 0)), exact(text.trimmed().toFloat()));
        QCOMPARE(exact(datafile::recordValues(line)[1]), exact(1.0f));
    }
}

void TestDataFile::readerStopsAtTheCountOrTheEnd()
{
    DataFileWriter writer(path);
    QVERIFY(write(writer, download(QVector<RecordCodes>(5, RecordCodes{650, 500}))));
    writer.writeDataMissed();
    writer.close();
    const QByteArray file = hygrolux::test::fileContents(path);
    QCOMPARE(readBytes(file, 3).recordLines.size(), 3);
    // The count stops the reader before the "data missed" line.
    QCOMPARE(readBytes(file).recordLines.size(), 5);

    const datafile::Contents cut = readBytes("Record data number:9 : time:03-09-2024 22-30-00\n");
    QCOMPARE(cut.header.recordCount, 9);
    QCOMPARE(cut.reportLines.size(), 8);
    QVERIFY(cut.recordLines.isEmpty());
    QVERIFY(
        readBytes("Record data number:0 : time:03-09-2024 22-30-00\nrest\n").reportLines.isEmpty());
}

namespace {
// A file made on the fly, so that a test can read a gigabyte without holding it: `start`,
// then `filler` `repeats` times, then `end`. Notes the heap in use at every read. One that
// `fails` then fails every read while claiming there is more to come.
class MadeFile : public QIODevice
{
public:
    MadeFile(const QByteArray& start, const QByteArray& filler, qint64 repeats,
             const QByteArray& end, bool fails = false)
        : pieces{start, filler, end}, fillerRepeats(repeats), failsAtEnd(fails)
    {}
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return failsAtEnd + QIODevice::bytesAvailable(); }
    size_t peakHeap = 0;

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        peakHeap = qMax(peakHeap, mallinfo2().uordblks);
        qint64 given = 0;
        while (given < maxSize && piece < 3) {
            const QByteArray& bytes = pieces[piece];
            const qint64 n = qMin(maxSize - given, qint64(bytes.size()) - at);
            memcpy(data + given, bytes.constData() + at, size_t(n));
            given += n;
            at += n;
            if (at == bytes.size()) {
                at = 0;
                if (piece != 1 || ++repeated >= fillerRepeats)
                    ++piece;
            }
        }
        return given == 0 && failsAtEnd ? -1 : given;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray pieces[3];
    qint64 fillerRepeats;
    bool failsAtEnd;
    qint64 repeated = 0;
    int piece = 0;
    qint64 at = 0;
};
} // namespace

void TestDataFile::readerToleratesAnyDevice()
{
    QVERIFY(writeFile(download({{650, 500}, {700, 600}})));
    // As a system with CR LF line ends writes it.
    const QByteArray crlf = hygrolux::test::fileContents(path).replace("\n", "\r\n");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(crlf) == crlf.size());
    file.close();
    for (const QIODevice::OpenMode mode :
         {QIODevice::OpenMode(QIODevice::ReadOnly), QIODevice::ReadOnly | QIODevice::Text}) {
        QVERIFY(file.open(mode));
        const datafile::Contents contents = datafile::read(file, 20000);
        file.close();
        QCOMPARE(contents.header.intervalSeconds, 60);
        QVERIFY(contents.reportLines.at(0).endsWith(QLatin1String("05\n")));
        QCOMPARE(contents.recordLines.size(), 2);
        QVERIFY(contents.recordLines.at(1).endsWith(QLatin1String("21.4\n")));
    }

    QFile neverNamed;
    QCOMPARE(datafile::read(neverNamed, 20000).header.recordCount, 0);
    QCOMPARE(datafile::read(file, 20000).header.recordCount, 0); // closed
    QVERIFY(file.open(QIODevice::Append));
    QCOMPARE(datafile::read(file, 20000).header.recordCount, 0);

    // A device that fails after the first record reads as far as it gave lines.
    MadeFile failing(crlf.left(crlf.indexOf("\n 0002") + 1), {}, 0, {}, true);
    QVERIFY(failing.open(QIODevice::ReadOnly));
    QCOMPARE(datafile::read(failing, 20000).recordLines.size(), 1);
}

void TestDataFile::longLinesAndNulBytesReadLikeShortOnes()
{
    const QByteArray longReport(5000, 'r');
    // A NUL byte ends what is read of its line, as a text reader sees it: a record line cut
    // there is no record.
    const datafile::Contents contents = readBytes(
        "Record data number:3 : time:03-09-2024 22-30-00 : ht:40 : lt:-10 : hh:80 : "
        "ht:20:inval:60:isC:1\nbanner\n" +
        longReport + "\n" + QByteArray("report\n").repeated(7) +
        "dashes\npadding\n  NO time\n 0001  03-09-2024 22:31:00 :    20.0,45.0,20.0,7.7\n" +
        QByteArray(" 0002  03-09-2024 22:32:00 :    21.0") + '\0' +
        ",46.0,21.0,8.7\r\n 0003  03-09-2024 22:33:00 :    22.0,47.0,22.0,9.7\r\n");
    QCOMPARE(contents.reportLines.value(0), QString::fromLatin1(longReport + "\n"));
    QCOMPARE(contents.reportLines.value(7), QStringLiteral("report\n"));
    QCOMPARE(contents.recordLines.size(), 2);
    QCOMPARE(contents.recordLines.at(1),
             QStringLiteral(" 0003  03-09-2024 22:33:00 :    22.0,47.0,22.0,9.7\n"));
}

void TestDataFile::hostileFilesReadAsTheirWholeRecordsInBoundedMemory_data()
{
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<QByteArray>("filler");
    QTest::addColumn<qint64>("repeats");
    QTest::addColumn<QByteArray>("end");
    QTest::addColumn<int>("records");

    QByteArray head = "Record data number:4294967295 : time:03-09-2024 22-30-00 : ht:40 : "
                      "lt:-10 : hh:80 : ht:20:inval:60:isC:1\n";
    head += QByteArray("banner\n").repeated(9) + "dashes\npadding\n  NO time\n";
    const QByteArray record = " 0001  03-09-2024 22:31:00 :    20.0,           45.0,           "
                              "20.0,             7.7\n";
    const QByteArray fiveRecords = head + record.repeated(5);
    for (int cut : {40, 48, 75, int(record.size()) - 1})
        QTest::newRow(qPrintable(QString("cut after %1 bytes of the sixth record").arg(cut)))
            << fiveRecords + record.left(cut) << QByteArray() << qint64(0) << QByteArray() << 5;
    QTest::newRow("cut inside the sixth record, zeros behind")
        << fiveRecords + record.left(60) << QByteArray(4096, '\0') << qint64(64) << QByteArray()
        << 5;
    QTest::newRow("two million empty lines under a huge count")
        << head + record << QByteArray("\n") << qint64(2000000) << record << 2;
    QTest::newRow("a long run of lines that are no records")
        << head + record
        << QByteArray("garbage\n \t \r\n 0002  03-09-2024 22:32:00 :    warm, wet, 1.0, 2.0\n"
                      " 0003  03-09-2024 22:33:00 :    1.0, 2.0, 3.0\n"
                      " 0004  03-09-2024 22:33:00 :    1.0, 2.0, 3.0, 4.0, 5.0\n"
                      " 0005  03-09-2024 22:34:00 :    1.0,, 3.0, 4.0\n" +
                      QByteArray(" 0006  03-09-2024 22:35:00 :    1.0, 2.0, 3.0,") +
                      QByteArray(220, ' ') + "4.0\n")
        << qint64(200000) << record << 2;
    QTest::newRow("one line of a gigabyte")
        << head + record << QByteArray(1 << 16, '7') << qint64(1 << 14) << "\n" + record << 2;
}

void TestDataFile::hostileFilesReadAsTheirWholeRecordsInBoundedMemory()
{
    QFETCH(QByteArray, start);
    QFETCH(QByteArray, filler);
    QFETCH(qint64, repeats);
    QFETCH(QByteArray, end);
    QFETCH(int, records);
    MadeFile file(start, filler, repeats, end);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const size_t before = mallinfo2().uordblks;
    const datafile::Contents contents = datafile::read(file, 1000000);
    constexpr size_t MaxHeapGrowth = 4 << 20;
    QVERIFY2(file.peakHeap < before + MaxHeapGrowth,
             qPrintable(QString("%1 bytes more while reading").arg(file.peakHeap - before)));
    QCOMPARE(contents.recordLines.size(), records);
    for (const QString& line : contents.recordLines)
        QCOMPARE(datafile::recordValues(line)[3], 7.7f);
}

QByteArray TestDataFile::completeFile(const Download& d)
{
    DataFileWriter writer(path);
    return write(writer, d) && writer.writeSummary(d.summary) ? hygrolux::test::fileContents(path)
                                                              : QByteArray();
}

void TestDataFile::onlyAWholeDownloadIsComplete_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("complete");

    path = dir.filePath("complete.txt");
    const QByteArray good = completeFile(download({{650, 500}, {700, 600}, {651, 501}}));
    QList<QByteArray> lines = good.split('\n');
    lines.removeLast();
    const auto joined = [](const QList<QByteArray>& parts) { return parts.join('\n') + '\n'; };
    // The placeholders as a download in the other language writes them: a check against
    // the placeholders of the language in use would take them for a report.
    const QList<QByteArray> chinese{
        ">>开始时间:12-02-2016 15:26:05",
        ">>结束时间:04-23-2017 17:25:43",
        ">>温度报警上限值: 100.0℃   温度报警下限值: 0.0℃",
        ">>湿度报警上限值: 100 %RH   湿度报警下限值 :0 %RH",
        ">>记录间隔:1 秒",
        ">>记录次数: 50",
        ">>最小温度值: 24.6℃  @04-23-2017 17:24:54   最大温度值: 25.2℃  @04-23-2017 17:25:31 ",
        ">>最小湿度值: 43.9%RH @04-23-2017 17:24:54   最大湿度值:76.2%RH @04-23-2017 17:25:31"};

    QTest::newRow("a download with its report") << good << true;
    QTest::newRow("the other language's placeholders")
        << joined(lines.mid(0, 2) + chinese + lines.mid(10)) << false;
    QTest::newRow("a record missing") << joined(lines.mid(0, 13 + 2)) << false;
    QTest::newRow("the last record cut") << good.chopped(8) << false;
    QTest::newRow("data missed below the records") << good + "data missed\n" << false;
    QTest::newRow("a line beyond the records") << good + " 0004  03-09-2024 22:34:00\n" << false;
    QTest::newRow("no records") << completeFile(download({})) << false;
}

void TestDataFile::onlyAWholeDownloadIsComplete()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, complete);
    QBuffer buffer(&file);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    QCOMPARE(datafile::isCompleteDownload(buffer), complete);
}

HYGROLUX_TEST_MAIN_CORE(TestDataFile)
#include "tst_datafile.moc"
