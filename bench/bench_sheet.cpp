// Timings of the in-memory worksheet: filling it as a 65535-record download does, and
// saving and loading the workbook of a 20000-record download (and saving a 65535-record one).
#include "sheet.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

namespace {

void fillRecords(Sheet& sheet, int records)
{
    sheet.write(1, 1,
                QStringLiteral("Record data number:%1 : time:12-02-2016 15-26-05 : ht:60 : "
                               "lt:-20 : hh:90 : ht:10 : inval:1 :isC:1")
                    .arg(records));
    sheet.mergeCells({1, 1, 1, 6});
    sheet.write(2, 1, QStringLiteral("Test Report"));
    sheet.mergeCells({2, 1, 2, 6}, Qt::AlignHCenter | Qt::AlignVCenter);
    const int lastColumns[] = {4, 4, 4, 4, 3, 3, 6, 6, 6};
    for (int row = 4; row <= 12; ++row) {
        sheet.write(row, 1, QStringLiteral(">>summary line %1").arg(row));
        sheet.mergeCells({row, 1, row, lastColumns[row - 4]});
    }
    for (int k = 1; k <= records; ++k) {
        const int row = 13 + k;
        sheet.write(row, 1, QStringLiteral(" %1  ").arg(k, 4, 10, QLatin1Char('0')));
        sheet.write(row, 2,
                    QStringLiteral("12-02-2016 15:%1:%2")
                        .arg((k / 60) % 60, 2, 10, QLatin1Char('0'))
                        .arg(k % 60, 2, 10, QLatin1Char('0')));
        sheet.write(row, 3, QString::number(20.0 + (k % 100) / 10.0, 'f', 1));
        sheet.write(row, 4, QString::number(40.0 + (k % 300) / 10.0, 'f', 1));
        sheet.write(row, 5, QString::number(21.0 + (k % 90) / 10.0, 'f', 1));
        sheet.write(row, 6, QString::number(8.0 + (k % 70) / 10.0, 'f', 1));
    }
}

double milliseconds(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }

    // The texts are made outside the timed part, as the download has them ready.
    QVector<QString> texts;
    for (int k = 0; k < 6; ++k)
        texts.append(QStringLiteral("%1.5").arg(k));
    Sheet large;
    QElapsedTimer timer;
    timer.start();
    for (int row = 14; row < 14 + 65535; ++row) {
        for (int column = 1; column <= 6; ++column)
            large.write(row, column, texts.at(column - 1));
    }
    std::printf("write 65535 rows x 6 cells:       %8.1f ms\n", milliseconds(timer));

    Sheet report;
    fillRecords(report, 20000);
    const QString path = folder.filePath(QStringLiteral("report.xlsx"));
    timer.restart();
    const bool saved = report.saveAs(path);
    std::printf("saveAs 20000 records (rows 1..%d): %8.1f ms  %s, %lld bytes\n", report.lastRow(),
                milliseconds(timer), saved ? "saved" : "FAILED", QFileInfo(path).size());

    timer.restart();
    const Sheet loaded = Sheet::load(path);
    std::printf("load it back:                      %8.1f ms  %d rows, %d merges\n",
                milliseconds(timer), loaded.lastRow(), int(loaded.mergedRanges().size()));

    // The logger's largest download, for comparison.
    Sheet largest;
    fillRecords(largest, 65535);
    timer.restart();
    const bool savedLargest = largest.saveAs(path);
    std::printf("saveAs 65535 records:              %8.1f ms  %s\n", milliseconds(timer),
                savedLargest ? "saved" : "FAILED");

    const bool same = loaded.lastRow() == report.lastRow() &&
                      loaded.read(report.lastRow(), 2) == report.read(report.lastRow(), 2) &&
                      loaded.mergedRanges() == report.mergedRanges();
    std::printf("round trip %s\n", same ? "matches" : "DIFFERS");
    return saved && savedLargest && same ? 0 : 1;
}
