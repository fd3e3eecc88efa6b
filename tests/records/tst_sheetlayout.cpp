#include "records/sheetlayout.h"
#include "testsupport.h"

class TestSheetLayout : public QObject
{
    Q_OBJECT

private slots:
    void recordTwelveLandsInRow25();
    void downloadAndExportFillExactlyTheReportCells();
    void stalledDownloadNotesTheMissAfterTheLastRecord();
};

namespace {

LoggedHeader header(bool celsius)
{
    LoggedHeader h;
    h.recordCount = 3;
    h.startDate = QDate(2024, 3, 9);
    h.startTime = QTime(22, 30);
    h.alarms = {60, -20, 85, 5};
    h.intervalSeconds = 60;
    h.celsius = celsius;
    return h;
}

// Writes a download of `count` records the way the analysis window does.
LoggedStatistics writeDownload(Sheet& sheet, int count, bool celsius)
{
    LoggedDecoder decoder(celsius);
    decoder.takeHeader({count, QDate(2024, 3, 9), QTime(22, 30), 60});
    sheetlayout::writeHead(sheet, header(celsius));
    for (int i = 1; i <= count; ++i)
        sheetlayout::writeRecord(sheet, i, decoder.decode({quint16(650 + i), 500}));
    decoder.finish();
    return decoder.statistics();
}

} // namespace

void TestSheetLayout::recordTwelveLandsInRow25()
{
    Sheet sheet;
    writeDownload(sheet, 12, true);
    QCOMPARE(sheetlayout::recordRow(12), 25);
    QCOMPARE(sheet.read(25, 1), QStringLiteral(" 0012  "));
    QCOMPARE(sheet.read(25, 2), QStringLiteral("03-09-2024 22:42:00"));
    QCOMPARE(sheet.read(25, 3), QStringLiteral("26.2"));
    QCOMPARE(sheet.read(25, 4), QStringLiteral("50.0"));
    QCOMPARE(sheet.lastRow(), 25);
}

void TestSheetLayout::downloadAndExportFillExactlyTheReportCells()
{
    for (const bool celsius : {true, false}) {
        Sheet sheet;
        SummaryValues values;
        values.statistics = writeDownload(sheet, 3, celsius);
        values.alarms = header(celsius).alarms;
        values.intervalSeconds = 60;
        values.recordCount = 3;
        values.celsius = celsius;
        const QStringList lines = summary::lines(values, summary::Reader::DataFile);
        sheetlayout::writeSummary(sheet, lines);

        QVector<QPair<int, int>> filled;
        for (int row = 1; row <= sheet.lastRow(); ++row)
            for (int column = 1; column <= 8; ++column)
                if (!sheet.read(row, column).isEmpty())
                    filled.append({row, column});
        QVector<QPair<int, int>> expected{{1, 1}, {2, 1}};
        for (int row = 4; row <= 12; ++row)
            expected.append({row, 1});
        for (int row = 13; row <= 16; ++row)
            for (int column = 1; column <= 6; ++column)
                expected.append({row, column});
        QCOMPARE(filled, expected);

        QCOMPARE(sheet.read(1, 1), datafile::workbookHeaderLine(header(celsius)));
        QCOMPARE(sheet.read(2, 1), QStringLiteral("Test Report"));
        for (int i = 0; i < 8; ++i)
            QCOMPARE(sheet.read(4 + i, 1), lines.at(i));
        QCOMPARE(sheet.read(12, 1), QString(113, '-'));
        const QString unit = celsius ? "℃" : "℉";
        QCOMPARE(sheet.read(13, 3), "temperature(" + unit + ")");
        QCOMPARE(sheet.read(13, 5), "Heat Index(" + unit + ")");
        QCOMPARE(sheet.read(13, 6), "Dew Temperature(" + unit + ")");
        QCOMPARE(sheet.read(14, 1), QStringLiteral(" 0001  "));

        const QVector<CellRange> merges{{1, 1, 1, 6},   {2, 1, 2, 6},   {4, 1, 4, 4},  {5, 1, 5, 4},
                                        {6, 1, 6, 4},   {7, 1, 7, 4},   {8, 1, 8, 3},  {9, 1, 9, 3},
                                        {10, 1, 10, 6}, {11, 1, 11, 6}, {12, 1, 12, 6}};
        QCOMPARE(sheet.mergedRanges(), merges);
        QCOMPARE(sheet.mergeAlignment({1, 1, 1, 6}), Qt::Alignment());
        QCOMPARE(sheet.mergeAlignment({2, 1, 2, 6}), Qt::AlignHCenter | Qt::AlignVCenter);

        // Exporting again rewrites the same cells and merges nothing twice.
        sheetlayout::writeSummary(sheet, lines);
        QCOMPARE(sheet.mergedRanges(), merges);
    }
}

void TestSheetLayout::stalledDownloadNotesTheMissAfterTheLastRecord()
{
    Sheet sheet;
    writeDownload(sheet, 2, true);
    sheetlayout::writeDataMissed(sheet, sheetlayout::recordRow(3));
    QCOMPARE(sheet.read(15, 1), QStringLiteral(" 0002  "));
    QCOMPARE(sheet.read(16, 1), QStringLiteral("data missed"));
}

HYGROLUX_TEST_MAIN_CORE(TestSheetLayout)
#include "tst_sheetlayout.moc"
