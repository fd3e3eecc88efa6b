#include "testsupport.h"
#include "workbook/sheet.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <minizip/unzip.h>
#include <minizip/zip.h>
#include <unistd.h>
#include <zlib.h>

namespace {

const QByteArray SheetXmlHead = R"(<?xml version="1.0" encoding="UTF-8"?>
<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>)";

// The sheet a download and a workbook export leave behind, small.
Sheet reportSheet()
{
    Sheet sheet;
    sheet.write(1, 1,
                QStringLiteral("Record data number:12 : time:12-02-2016 15-26-05 : ht:60 : lt:-20 "
                               ": hh:90 : ht:10 : inval:1 :isC:1"));
    sheet.mergeCells({1, 1, 1, 6});
    sheet.write(2, 1, QStringLiteral("Test Report"));
    sheet.mergeCells({2, 1, 2, 6}, Qt::AlignHCenter | Qt::AlignVCenter);
    sheet.write(6, 1, QStringLiteral(">>Temp Alarm HI: 140.0℉   Temp Alarm Low: -4.0℉"));
    sheet.mergeCells({6, 1, 6, 4});
    sheet.write(12, 1, QString(113, QLatin1Char('-')));
    sheet.mergeCells({12, 1, 12, 6});
    const QStringList titles = {QStringLiteral("NO"),
                                QStringLiteral("time"),
                                QStringLiteral("temperature(℃)"),
                                QStringLiteral("humidity"),
                                QStringLiteral("Heat Index(℃)"),
                                QStringLiteral("Dew Temperature(℉)")};
    for (int column = 1; column <= titles.size(); ++column)
        sheet.write(13, column, titles.at(column - 1));
    // Row 14 leaves its time empty between two written cells.
    sheet.write(14, 1, QStringLiteral(" 0001  "));
    sheet.write(14, 3, QStringLiteral("23.5"));
    sheet.write(25, 1, QStringLiteral(" 0012  "));
    sheet.write(25, 2, QStringLiteral("12-02-2016 15:26:16"));
    sheet.write(25, 6, QStringLiteral("-10.0"));
    // Texts a spreadsheet could take for something else.
    sheet.write(26, 1, QStringLiteral("=1+2"));
    sheet.write(26, 2, QStringLiteral("007"));
    sheet.write(26, 3,
                QStringLiteral("a\x01"
                               "b"));
    sheet.write(26, 4, QStringLiteral("_x0041_ & <tag>"));
    sheet.write(26, 5, QStringLiteral("two\nlines\tand a tab"));
    return sheet;
}

void compareSheets(const Sheet& actual, const Sheet& expected, int columns)
{
    QCOMPARE(actual.lastRow(), expected.lastRow());
    for (int row = 1; row <= expected.lastRow(); ++row) {
        for (int column = 1; column <= columns; ++column) {
            if (actual.read(row, column) != expected.read(row, column))
                QFAIL(qPrintable(QStringLiteral("cell %1,%2: \"%3\" instead of \"%4\"")
                                     .arg(row)
                                     .arg(column)
                                     .arg(actual.read(row, column), expected.read(row, column))));
        }
    }
    QCOMPARE(actual.mergedRanges(), expected.mergedRanges());
    for (const CellRange& range : expected.mergedRanges())
        QCOMPARE(actual.mergeAlignment(range), expected.mergeAlignment(range));
}

QByteArray zipEntry(const QString& path, const char* name)
{
    unzFile zip = unzOpen64(QFile::encodeName(path).constData());
    if (!zip)
        return QByteArray();
    QByteArray data;
    if (unzLocateFile(zip, name, 1) == UNZ_OK && unzOpenCurrentFile(zip) == UNZ_OK) {
        char buffer[4096];
        int n;
        while ((n = unzReadCurrentFile(zip, buffer, sizeof buffer)) > 0)
            data.append(buffer, n);
        unzCloseCurrentFile(zip);
    }
    unzClose(zip);
    return data;
}

struct ZipPart {
    const char* name;
    QByteArray data;
    // Stored as the entry's uncompressed size when not 0, whatever the data holds.
    quint64 declaredSize = 0;
};

bool writeZip(const QString& path, const QVector<ZipPart>& parts)
{
    zipFile zip = zipOpen64(QFile::encodeName(path).constData(), APPEND_STATUS_CREATE);
    if (!zip)
        return false;
    bool ok = true;
    for (const ZipPart& part : parts) {
        zip_fileinfo info{};
        const uLong crc =
            crc32(0, reinterpret_cast<const Bytef*>(part.data.constData()), uInt(part.data.size()));
        ok =
            ok &&
            zipOpenNewFileInZip2_64(zip, part.name, &info, nullptr, 0, nullptr, 0, nullptr, 0, 0, 1,
                                    1) == ZIP_OK &&
            zipWriteInFileInZip(zip, part.data.constData(), unsigned(part.data.size())) == ZIP_OK &&
            zipCloseFileInZipRaw64(
                zip, part.declaredSize ? part.declaredSize : quint64(part.data.size()), crc) ==
                ZIP_OK;
    }
    return zipClose(zip, nullptr) == ZIP_OK && ok;
}

// A well-formed sheet part whose cell comes after `padding` bytes of blanks, compressed
// as it is written so the test itself stays small in memory.
bool writePaddedSheetZip(const QString& path, qint64 padding)
{
    zipFile zip = zipOpen64(QFile::encodeName(path).constData(), APPEND_STATUS_CREATE);
    if (!zip)
        return false;
    zip_fileinfo info{};
    bool ok = zipOpenNewFileInZip64(zip, "xl/worksheets/sheet1.xml", &info, nullptr, 0, nullptr, 0,
                                    nullptr, Z_DEFLATED, Z_BEST_SPEED, 1) == ZIP_OK;
    const QByteArray head = SheetXmlHead;
    ok = ok && zipWriteInFileInZip(zip, head.constData(), unsigned(head.size())) == ZIP_OK;
    const QByteArray blanks(1 << 20, ' ');
    for (qint64 written = 0; ok && written < padding; written += blanks.size())
        ok = zipWriteInFileInZip(zip, blanks.constData(), unsigned(blanks.size())) == ZIP_OK;
    const QByteArray tail = R"(<row r="1"><c r="B1" t="inlineStr"><is><t>inline</t></is></c>)"
                            R"(</row></sheetData></worksheet>)";
    ok = ok && zipWriteInFileInZip(zip, tail.constData(), unsigned(tail.size())) == ZIP_OK;
    ok = zipCloseFileInZip(zip) == ZIP_OK && ok;
    return zipClose(zip, nullptr) == ZIP_OK && ok;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

QStringList folderEntries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

class TestSheet : public QObject
{
    Q_OBJECT

private slots:
    void cellsAreKeptByPosition();
    void mergingTheSameRangeAgainKeepsOneMerge();
    void overlappingMergeReplacesTheEarlierOne();
    void savedSheetLoadsWithTheSameCellsAndMerges();
    void randomSheetsSurviveSaveAndLoad();
    void savingAfterReMergingWritesEachMergeOnce();
    void nameEndingInXlsIsSavedAsXlsx();
    void savingThroughALinkUpdatesTheLinkedFile();
    void readsWorkbookWrittenByOpenpyxl();
    void readsSharedStringsRichTextAndTheFirstSheetByItsRelationship();
    void packageWithoutWorkbookPartFallsBackToSheet1();
    void cellsStoredRightToLeftLoadInOnePass();
    void unreadableFilesLoadAsEmptySheets_data();
    void unreadableFilesLoadAsEmptySheets();
    void randomAndDamagedBytesNeverCrashTheLoader();
    void failedSaveLeavesTheExistingFileAndNoTemporaryFile_data();
    void failedSaveLeavesTheExistingFileAndNoTemporaryFile();
    void saveIntoReadOnlyFolderFails();
};

void TestSheet::cellsAreKeptByPosition()
{
    Sheet sheet;
    QVERIFY(sheet.isEmpty());
    QCOMPARE(sheet.lastRow(), 0);

    // Columns arrive out of order; each must stay at its own place.
    sheet.write(3, 5, QStringLiteral("e"));
    sheet.write(3, 2, QStringLiteral("b"));
    sheet.write(3, 4, QStringLiteral("d"));
    sheet.write(3, 2, QStringLiteral("B"));
    QCOMPARE(sheet.read(3, 2), QStringLiteral("B"));
    QCOMPARE(sheet.read(3, 4), QStringLiteral("d"));
    QCOMPARE(sheet.read(3, 5), QStringLiteral("e"));
    QCOMPARE(sheet.read(3, 3), QString());
    QCOMPARE(sheet.read(2, 2), QString());
    QCOMPARE(sheet.lastRow(), 3);

    // Positions a workbook cannot hold are ignored, not wrapped onto other cells.
    sheet.write(0, 1, QStringLiteral("x"));
    sheet.write(1, 0, QStringLiteral("x"));
    sheet.write(Sheet::MaxRows + 1, 1, QStringLiteral("x"));
    sheet.write(1, Sheet::MaxColumns + 1, QStringLiteral("x"));
    QCOMPARE(sheet.lastRow(), 3);
    QCOMPARE(sheet.read(1, 1), QString());
    QCOMPARE(sheet.read(-1, -1), QString());

    // Erasing the last cells of the last rows shrinks the sheet back.
    sheet.write(7, 1, QStringLiteral("g"));
    QCOMPARE(sheet.lastRow(), 7);
    sheet.write(7, 1, QString());
    QCOMPARE(sheet.lastRow(), 3);
    sheet.write(3, 4, QString());
    sheet.write(3, 2, QString());
    QCOMPARE(sheet.read(3, 5), QStringLiteral("e"));
    sheet.write(3, 5, QString());
    QCOMPARE(sheet.lastRow(), 0);
    QVERIFY(sheet.isEmpty());

    sheet.write(2, 2, QStringLiteral("x"));
    sheet.mergeCells({1, 1, 1, 2});
    sheet.clear();
    QVERIFY(sheet.isEmpty());
    QVERIFY(sheet.mergedRanges().isEmpty());
}

void TestSheet::mergingTheSameRangeAgainKeepsOneMerge()
{
    Sheet sheet;
    sheet.mergeCells({4, 1, 4, 4});
    sheet.mergeCells({2, 1, 2, 6});
    sheet.mergeCells({4, 1, 4, 4}, Qt::AlignRight);
    sheet.mergeCells({2, 1, 2, 6}, Qt::AlignHCenter | Qt::AlignVCenter);
    const QVector<CellRange> expected = {{4, 1, 4, 4}, {2, 1, 2, 6}};
    QCOMPARE(sheet.mergedRanges(), expected);
    QCOMPARE(sheet.mergeAlignment({4, 1, 4, 4}), Qt::Alignment(Qt::AlignRight));
    QCOMPARE(sheet.mergeAlignment({2, 1, 2, 6}), Qt::AlignHCenter | Qt::AlignVCenter);
    QCOMPARE(sheet.mergeAlignment({3, 1, 3, 6}), Qt::Alignment());

    // One cell, an inverted range or one outside the sheet is no merge at all.
    sheet.mergeCells({5, 2, 5, 2});
    sheet.mergeCells({6, 4, 6, 1});
    sheet.mergeCells({0, 1, 1, 2});
    QCOMPARE(sheet.mergedRanges(), expected);
}

void TestSheet::overlappingMergeReplacesTheEarlierOne()
{
    Sheet sheet;
    sheet.mergeCells({4, 1, 4, 4});
    sheet.mergeCells({8, 1, 8, 3});
    sheet.mergeCells({4, 3, 5, 6}, Qt::AlignLeft);
    const QVector<CellRange> expected = {{8, 1, 8, 3}, {4, 3, 5, 6}};
    QCOMPARE(sheet.mergedRanges(), expected);

    // The file must hold what the sheet holds, or a spreadsheet would call it damaged.
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("overlap.xlsx"));
    QVERIFY(sheet.saveAs(path));
    QCOMPARE(Sheet::load(path).mergedRanges(), expected);
}

void TestSheet::savedSheetLoadsWithTheSameCellsAndMerges()
{
    const Sheet sheet = reportSheet();
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("report.xlsx"));
    QVERIFY(sheet.saveAs(path));
    const Sheet loaded = Sheet::load(path);
    compareSheets(loaded, sheet, 8);
    QCOMPARE(loaded.read(25, 1), QStringLiteral(" 0012  "));
    QCOMPARE(loaded.read(13, 3), QStringLiteral("temperature(℃)"));
    // Only the report file stays in the folder.
    QCOMPARE(folderEntries(folder.path()), QStringList{QStringLiteral("report.xlsx")});
}

void TestSheet::randomSheetsSurviveSaveAndLoad()
{
    QRandomGenerator random(20240611);
    const QString alphabet = QStringLiteral(" abcXYZ019.:-_@%<>&\"'℃℉°中文\t");
    for (int round = 0; round < 5; ++round) {
        Sheet sheet;
        for (int n = 0; n < 400; ++n) {
            QString text;
            const int length = random.bounded(1, 12);
            for (int i = 0; i < length; ++i)
                text += alphabet.at(random.bounded(alphabet.size()));
            sheet.write(random.bounded(1, 300), random.bounded(1, 30), text);
        }
        for (int n = 0; n < 20; ++n) {
            const int row = random.bounded(1, 300);
            const int column = random.bounded(1, 30);
            sheet.mergeCells({row, column, row + random.bounded(2), column + random.bounded(1, 4)},
                             random.bounded(2) ? Qt::Alignment(Qt::AlignHCenter | Qt::AlignVCenter)
                                               : Qt::Alignment());
        }
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("random.xlsx"));
        QVERIFY(sheet.saveAs(path));
        compareSheets(Sheet::load(path), sheet, 32);
    }
}

void TestSheet::savingAfterReMergingWritesEachMergeOnce()
{
    Sheet sheet = reportSheet();
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("twice.xlsx"));
    QVERIFY(sheet.saveAs(path));
    // Exporting again merges the same rows again and saves over the first file.
    sheet.write(6, 1, QStringLiteral(">>Temp Alarm HI: 60.0℃   Temp Alarm Low: -20.0℃"));
    sheet.mergeCells({6, 1, 6, 4});
    sheet.mergeCells({12, 1, 12, 6});
    QVERIFY(sheet.saveAs(path));

    const QByteArray xml = zipEntry(path, "xl/worksheets/sheet1.xml");
    QVERIFY(!xml.isEmpty());
    QCOMPARE(xml.count("<mergeCell "), sheet.mergedRanges().size());
    QCOMPARE(xml.count(R"(<mergeCell ref="A6:D6"/>)"), 1);
    QCOMPARE(Sheet::load(path).read(6, 1), sheet.read(6, 1));
}

void TestSheet::nameEndingInXlsIsSavedAsXlsx()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("result.xls"));
    QVERIFY(reportSheet().saveAs(path));
    QVERIFY(readAll(path).startsWith("PK\x03\x04"));
    QCOMPARE(Sheet::load(path).read(2, 1), QStringLiteral("Test Report"));
}

void TestSheet::savingThroughALinkUpdatesTheLinkedFile()
{
    QTemporaryDir folder;
    const QString real = folder.filePath(QStringLiteral("real.xlsx"));
    const QString link = folder.filePath(QStringLiteral("link.xlsx"));
    QVERIFY(Sheet().saveAs(real));
    QVERIFY(QFile::link(real, link));
    QVERIFY(reportSheet().saveAs(link));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(Sheet::load(real).read(2, 1), QStringLiteral("Test Report"));
}

// Regenerate the fixtures with: /usr/bin/python3 tests/data/make-openpyxl-fixture.py
void TestSheet::readsWorkbookWrittenByOpenpyxl()
{
    const Sheet sheet = Sheet::load(QStringLiteral(TEST_DATA_DIR "/openpyxl-report.xlsx"));
    QCOMPARE(sheet.read(1, 1),
             QStringLiteral("Record data number:2 : time:12-02-2016 15-26-05 : ht:60 : lt:-20 : "
                            "hh:90 : ht:10 : inval:1 :isC:1"));
    QCOMPARE(sheet.read(2, 1), QStringLiteral("Test Report"));
    QCOMPARE(sheet.read(4, 1), QStringLiteral(">>Start Time:12-02-2016 15:26:05"));
    QCOMPARE(sheet.read(13, 3), QStringLiteral("temperature(℃)"));
    QCOMPARE(sheet.read(13, 6), QStringLiteral("Dew Temperature(℃)"));
    QCOMPARE(sheet.read(14, 1), QStringLiteral(" 0001  "));
    QCOMPARE(sheet.read(14, 2), QStringLiteral("12-02-2016 15:26:05"));
    QCOMPARE(sheet.read(14, 3), QStringLiteral("23.5"));
    QCOMPARE(sheet.read(14, 4), QStringLiteral("45"));
    QCOMPARE(sheet.read(14, 5), QStringLiteral("23.1"));
    QCOMPARE(sheet.read(15, 2), QString());
    QCOMPARE(sheet.read(15, 3), QStringLiteral("-4.25"));
    QCOMPARE(sheet.read(15, 7), QStringLiteral("TRUE"));
    QCOMPARE(sheet.read(25, 1), QStringLiteral("row 25"));
    QCOMPARE(sheet.lastRow(), 25);
    const QVector<CellRange> merges = {{1, 1, 1, 6}, {2, 1, 2, 6}, {4, 1, 4, 4}};
    QCOMPARE(sheet.mergedRanges(), merges);
    QCOMPARE(sheet.mergeAlignment({2, 1, 2, 6}), Qt::AlignHCenter | Qt::AlignVCenter);
    QCOMPARE(sheet.mergeAlignment({1, 1, 1, 6}), Qt::Alignment());
}

void TestSheet::readsSharedStringsRichTextAndTheFirstSheetByItsRelationship()
{
    const Sheet sheet = Sheet::load(QStringLiteral(TEST_DATA_DIR "/handmade-sheet.xlsx"));
    QCOMPARE(sheet.read(1, 1), QString());
    QCOMPARE(sheet.read(2, 1), QStringLiteral("Test Report"));
    // A row without a number follows the previous row; cells without a reference
    // follow the previous cell.
    QCOMPARE(sheet.read(3, 1), QStringLiteral("temperature(℉)"));
    QCOMPARE(sheet.read(3, 2), QStringLiteral("inline"));
    QCOMPARE(sheet.read(3, 3), QStringLiteral("inline runs "));
    QCOMPARE(sheet.read(5, 2), QStringLiteral(" 0012  "));
    QCOMPARE(sheet.read(5, 4), QStringLiteral("ab"));
    QCOMPARE(sheet.read(5, 5), QStringLiteral("TRUE"));
    QCOMPARE(sheet.read(5, 6), QStringLiteral("FALSE"));
    QCOMPARE(sheet.read(5, 7), QStringLiteral("#DIV/0!"));
    QCOMPARE(sheet.read(6, 1), QStringLiteral("23.5"));
    QCOMPARE(sheet.read(6, 2), QStringLiteral("45"));
    QCOMPARE(sheet.read(6, 3), QString());
    QCOMPARE(sheet.read(6, 4), QStringLiteral("line\rbreak"));
    // A shared-string index past the table reads as an empty cell.
    QCOMPARE(sheet.read(6, 5), QString());
    QCOMPARE(sheet.lastRow(), 6);
    QCOMPARE(sheet.mergedRanges(), QVector<CellRange>({{2, 1, 2, 6}}));
}

void TestSheet::packageWithoutWorkbookPartFallsBackToSheet1()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("bare.xlsx"));
    QVERIFY(writeZip(path, {{"xl/worksheets/sheet1.xml",
                             SheetXmlHead + R"(<row r="3"><c r="B3" t="inlineStr"><is><t>bare</t>)"
                                            R"(</is></c></row></sheetData></worksheet>)"}}));
    const Sheet sheet = Sheet::load(path);
    QCOMPARE(sheet.read(3, 2), QStringLiteral("bare"));
    QCOMPARE(sheet.lastRow(), 3);
}

void TestSheet::cellsStoredRightToLeftLoadInOnePass()
{
    const auto columnName = [](int column) {
        QByteArray name;
        for (; column > 0; column = (column - 1) / 26)
            name.prepend(char('A' + (column - 1) % 26));
        return name;
    };
    // Full rows, one cell given twice; stored left to right or right to left.
    constexpr int Rows = 20;
    const auto workbook = [&](const QString& path, bool rightToLeft) {
        QByteArray xml = SheetXmlHead;
        for (int row = 1; row <= Rows; ++row) {
            xml += "<row r=\"" + QByteArray::number(row) + "\">";
            for (int i = 1; i <= Sheet::MaxColumns; ++i) {
                const int column = rightToLeft ? Sheet::MaxColumns + 1 - i : i;
                xml += "<c r=\"" + columnName(column) + QByteArray::number(row) + "\"><v>" +
                       QByteArray::number(column) + "</v></c>";
            }
            xml += "</row>";
        }
        xml += R"(<row r="2"><c r="B2"><v>last</v></c></row></sheetData></worksheet>)";
        return writeZip(path, {{"xl/worksheets/sheet1.xml", xml}});
    };
    QTemporaryDir folder;
    const QString forward = folder.filePath(QStringLiteral("forward.xlsx"));
    const QString reversed = folder.filePath(QStringLiteral("reversed.xlsx"));
    QVERIFY(workbook(forward, false));
    QVERIFY(workbook(reversed, true));

    QElapsedTimer clock;
    clock.start();
    Sheet::load(forward);
    const qint64 forwardMs = clock.restart();
    const Sheet sheet = Sheet::load(reversed);
    const qint64 reversedMs = clock.elapsed();
    // Placing each cell in its row as it came took time growing with the square of a row.
    QVERIFY2(reversedMs <= 3 * forwardMs + 500,
             qPrintable(QString("%1 ms against %2 ms").arg(reversedMs).arg(forwardMs)));
    QCOMPARE(sheet.lastRow(), Rows);
    QCOMPARE(sheet.read(Rows, 1), QStringLiteral("1"));
    QCOMPARE(sheet.read(Rows, Sheet::MaxColumns), QString::number(Sheet::MaxColumns));
    QCOMPARE(sheet.read(2, 2), QStringLiteral("last"));
}

void TestSheet::unreadableFilesLoadAsEmptySheets_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing file") << "missing";
    QTest::newRow("empty file") << "empty";
    QTest::newRow("folder") << "folder";
    QTest::newRow("BIFF8 workbook") << "biff8";
    QTest::newRow("text file") << "text";
    QTest::newRow("first half of a workbook") << "truncated";
    QTest::newRow("damaged sheet data") << "crc";
    QTest::newRow("cut-off sheet XML") << "badxml";
    QTest::newRow("sheet part of 257 MiB") << "hugesheet";
    QTest::newRow("sheet part claiming 300 MiB") << "lyingsheet";
    QTest::newRow("shared strings claiming 300 MiB") << "hugestrings";
    QTest::newRow("zip without a worksheet") << "nosheet";
    QTest::newRow("more cells than a sheet may load") << "manycells";
    QTest::newRow("more shared strings than a sheet may load") << "manystrings";
}

void TestSheet::unreadableFilesLoadAsEmptySheets()
{
    QFETCH(QString, kind);
    QTemporaryDir folder;
    QString path = folder.filePath(QStringLiteral("input.xls"));
    // A shared string and an inline one: a loader that skipped a refused strings part
    // would still find the inline text.
    const QByteArray goodSheet = SheetXmlHead +
                                 R"(<row r="1"><c r="A1" t="s"><v>0</v></c>)"
                                 R"(<c r="B1" t="inlineStr"><is><t>inline</t></is></c>)"
                                 R"(</row></sheetData></worksheet>)";
    const QByteArray strings = R"(<sst><si><t>hello</t></si></sst>)";
    if (kind == QLatin1String("missing")) {
        path = folder.filePath(QStringLiteral("nothing-here.xlsx"));
    } else if (kind == QLatin1String("empty")) {
        QVERIFY(writeAll(path, QByteArray()));
    } else if (kind == QLatin1String("folder")) {
        path = folder.path();
    } else if (kind == QLatin1String("biff8")) {
        QByteArray biff("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
        biff += QByteArray(4096, '\x07');
        QVERIFY(writeAll(path, biff));
    } else if (kind == QLatin1String("text")) {
        QVERIFY(writeAll(path, "Record data number:3 : time:12-02-2016 15-26-05\n"));
    } else if (kind == QLatin1String("truncated")) {
        const QString whole = folder.filePath(QStringLiteral("whole.xlsx"));
        QVERIFY(reportSheet().saveAs(whole));
        const QByteArray bytes = readAll(whole);
        QVERIFY(writeAll(path, bytes.left(bytes.size() / 2)));
    } else if (kind == QLatin1String("crc")) {
        QVERIFY(writeZip(path, {{"xl/worksheets/sheet1.xml", goodSheet}}));
        QByteArray bytes = readAll(path);
        // The text stays well-formed; only the entry's checksum tells it changed.
        const int at = bytes.indexOf("<t>inline");
        QVERIFY(at > 0);
        bytes[at + 3] = 'o';
        QVERIFY(writeAll(path, bytes));
    } else if (kind == QLatin1String("badxml")) {
        const int cut = goodSheet.indexOf("</row>");
        QVERIFY(writeZip(path, {{"xl/worksheets/sheet1.xml", goodSheet.left(cut)},
                                {"xl/sharedStrings.xml", strings}}));
    } else if (kind == QLatin1String("hugesheet")) {
        QVERIFY(writePaddedSheetZip(path, qint64(257) << 20));
    } else if (kind == QLatin1String("lyingsheet")) {
        QVERIFY(writeZip(path, {{"xl/worksheets/sheet1.xml", goodSheet, 300u << 20},
                                {"xl/sharedStrings.xml", strings}}));
    } else if (kind == QLatin1String("hugestrings")) {
        QVERIFY(writeZip(path, {{"xl/worksheets/sheet1.xml", goodSheet},
                                {"xl/sharedStrings.xml", strings, 300u << 20}}));
    } else if (kind == QLatin1String("nosheet")) {
        QVERIFY(writeZip(path, {{"xl/sharedStrings.xml", strings}}));
    } else if (kind == QLatin1String("manycells")) {
        const QByteArray row =
            "<row>" + QByteArray("<c t=\"s\"><v>0</v></c>").repeated(6) + "</row>";
        const QByteArray lastCell = R"(<row><c t="s"><v>0</v></c></row></sheetData></worksheet>)";
        QVERIFY(writeZip(path, {{"xl/worksheets/sheet1.xml",
                                 SheetXmlHead + row.repeated(Sheet::MaxLoadedCells / 6) + lastCell},
                                {"xl/sharedStrings.xml", strings}}));
    } else if (kind == QLatin1String("manystrings")) {
        const QByteArray many = QByteArray("<si><t>x</t></si>").repeated(Sheet::MaxLoadedCells + 1);
        QVERIFY(writeZip(path, {{"xl/worksheets/sheet1.xml", goodSheet},
                                {"xl/sharedStrings.xml", "<sst>" + many + "</sst>"}}));
    }
    const Sheet sheet = Sheet::load(path);
    QVERIFY(sheet.isEmpty());
    QCOMPARE(sheet.lastRow(), 0);
}

void TestSheet::randomAndDamagedBytesNeverCrashTheLoader()
{
    QRandomGenerator random(77);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("noise.xlsx"));
    for (int round = 0; round < 100; ++round) {
        QByteArray noise(random.bounded(1, 4096), '\0');
        for (char& byte : noise)
            byte = char(random.bounded(256));
        if (round % 2)
            noise.replace(0, 4, "PK\x03\x04");
        QVERIFY(writeAll(path, noise));
        QVERIFY(Sheet::load(path).isEmpty());
    }

    // Flipped bytes in a real workbook: the loader may read the cells that survive or
    // nothing at all, but it must come back.
    const QString whole = folder.filePath(QStringLiteral("whole.xlsx"));
    QVERIFY(reportSheet().saveAs(whole));
    const QByteArray original = readAll(whole);
    for (int round = 0; round < 200; ++round) {
        QByteArray damaged = original;
        for (int flips = random.bounded(1, 8); flips > 0; --flips)
            damaged[random.bounded(damaged.size())] = char(random.bounded(256));
        QVERIFY(writeAll(path, damaged));
        const Sheet sheet = Sheet::load(path);
        QVERIFY(sheet.lastRow() <= Sheet::MaxRows);
    }
}

void TestSheet::failedSaveLeavesTheExistingFileAndNoTemporaryFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing folder") << "missingfolder";
    QTest::newRow("target is a folder") << "targetfolder";
    QTest::newRow("cell too long for a workbook") << "longcell";
}

void TestSheet::failedSaveLeavesTheExistingFileAndNoTemporaryFile()
{
    QFETCH(QString, kind);
    QTemporaryDir folder;
    const QString existing = folder.filePath(QStringLiteral("report.xlsx"));
    QVERIFY(reportSheet().saveAs(existing));
    const QByteArray before = readAll(existing);

    Sheet sheet = reportSheet();
    QString target = existing;
    if (kind == QLatin1String("missingfolder")) {
        target = folder.filePath(QStringLiteral("no-such-folder/report.xlsx"));
    } else if (kind == QLatin1String("targetfolder")) {
        target = folder.filePath(QStringLiteral("taken.xlsx"));
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("taken.xlsx")));
    } else if (kind == QLatin1String("longcell")) {
        sheet.write(30, 1, QString(40000, QLatin1Char('x')));
    }
    QVERIFY(!sheet.saveAs(target));
    QCOMPARE(readAll(existing), before);
    QStringList expected = {QStringLiteral("report.xlsx")};
    if (kind == QLatin1String("targetfolder"))
        expected << QStringLiteral("taken.xlsx");
    QCOMPARE(folderEntries(folder.path()), expected);
}

void TestSheet::saveIntoReadOnlyFolderFails()
{
    if (::geteuid() == 0)
        QSKIP("file permissions do not bind the superuser");
    QTemporaryDir folder;
    const QString existing = folder.filePath(QStringLiteral("report.xlsx"));
    QVERIFY(reportSheet().saveAs(existing));
    const QByteArray before = readAll(existing);
    QVERIFY(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner));
    Sheet changed = reportSheet();
    changed.write(2, 1, QStringLiteral("changed"));
    const bool saved = changed.saveAs(existing);
    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!saved);
    QCOMPARE(readAll(existing), before);
    QCOMPARE(folderEntries(folder.path()), QStringList{QStringLiteral("report.xlsx")});
}

HYGROLUX_TEST_MAIN_CORE(TestSheet)
#include "tst_sheet.moc"
