#pragma once

#include <QString>
#include <QVector>
#include <QtCore/qnamespace.h>

// A block of cells, both corners included; rows and columns are 1-based.
struct CellRange {
    int firstRow = 0;
    int firstColumn = 0;
    int lastRow = 0;
    int lastColumn = 0;

    bool operator==(const CellRange& other) const
    {
        return firstRow == other.firstRow && firstColumn == other.firstColumn &&
               lastRow == other.lastRow && lastColumn == other.lastColumn;
    }
    bool operator!=(const CellRange& other) const { return !(*this == other); }
    bool overlaps(const CellRange& other) const
    {
        return firstRow <= other.lastRow && other.firstRow <= lastRow &&
               firstColumn <= other.lastColumn && other.firstColumn <= lastColumn;
    }
};

// One worksheet of text cells and merged ranges, kept in memory and saved as an .xlsx
// workbook. Rows and columns are 1-based and every cell holds text. Positions outside
// what a workbook can hold (1..1048576 rows, 1..16384 columns) are ignored.
class Sheet
{
public:
    static constexpr int MaxRows = 1048576;
    static constexpr int MaxColumns = 16384;
    // A sheet of a few megabytes can unpack into tens of millions of cells, each an object
    // in memory: load() refuses a sheet with more cells, or more shared strings, than this.
    // A workbook of the most records a saved file may bring holds about 1.2 million.
    static constexpr int MaxLoadedCells = 1500000;

    // Empty text erases the cell.
    void write(int row, int column, const QString& text);
    // "" for an empty cell.
    QString read(int row, int column) const;

    // Merges a range; the same range merged again is kept once (its alignment updated).
    // A range that overlaps earlier merges replaces them, since a workbook cannot hold
    // overlapping merges; a single cell or an inverted range is not a merge and is ignored.
    void mergeCells(const CellRange& range, Qt::Alignment alignment = {});
    // In the order first merged.
    QVector<CellRange> mergedRanges() const;
    Qt::Alignment mergeAlignment(const CellRange& range) const;

    // 0 when empty.
    int lastRow() const { return int(rows.size()); }
    bool isEmpty() const { return rows.isEmpty() && merges.isEmpty(); }
    void clear();

    // Writes an .xlsx workbook (also under a name ending in ".xls"); true on success.
    // A failure leaves any existing file at `path` untouched: the workbook is written to
    // a temporary file in the same folder, then renamed over the target.
    bool saveAs(const QString& path) const;

    // Reads the first sheet of an .xlsx file. Anything else (BIFF8 .xls, a truncated or
    // non-zip file, an empty file, a missing file) gives an empty sheet, never a crash.
    static Sheet load(const QString& path);

private:
    struct Cell {
        int column;
        QString text;
    };
    // The cells of one row, sorted by column; rows are written left to right, so
    // appending is the common case.
    using Row = QVector<Cell>;
    struct Merge {
        CellRange range;
        Qt::Alignment alignment;
    };

    // rows[r - 1] holds row r; trailing empty rows are never kept.
    QVector<Row> rows;
    QVector<Merge> merges;
};
