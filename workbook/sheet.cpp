#include "sheet.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QXmlStreamReader>

#include <minizip/unzip.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A hostile or broken file must not be able to make us allocate or work without bound. Our
// own sheet part of Sheet::MaxLoadedCells cells takes about 47 MiB.
constexpr qint64 MaxEntryBytes = qint64(64) * 1024 * 1024;
// Merges are checked against each other for overlaps; this keeps a crafted file from
// making that quadratic work take minutes. Our own sheets hold about a dozen.
constexpr int MaxLoadedMerges = 10000;

const QLatin1String
    RelationshipsNamespace("http://schemas.openxmlformats.org/officeDocument/2006/relationships");
const char* const FallbackSheetEntry = "xl/worksheets/sheet1.xml";

// Workbook text spells characters that XML cannot carry as "_xHHHH_" (libxlsxwriter
// does so for control characters), and a literal "_xHHHH_" as "_x005F_xHHHH_".
bool isEscapeAt(const QString& text, int at)
{
    if (at + 7 > text.size() || text.at(at) != QLatin1Char('_') ||
        text.at(at + 1) != QLatin1Char('x') || text.at(at + 6) != QLatin1Char('_'))
        return false;
    for (int i = at + 2; i < at + 6; ++i) {
        const ushort c = text.at(i).unicode();
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

QString unescapeText(const QString& text)
{
    if (!text.contains(QLatin1String("_x")))
        return text;
    QString plain;
    plain.reserve(text.size());
    for (int i = 0; i < text.size();) {
        if (isEscapeAt(text, i)) {
            plain += QChar(text.midRef(i + 2, 4).toUShort(nullptr, 16));
            i += 7;
        } else {
            plain += text.at(i++);
        }
    }
    return plain;
}

// ---- writing ----

QByteArray escapedUtf8(const QString& text)
{
    if (!text.contains(QLatin1String("_x")))
        return text.toUtf8();
    QString escaped;
    escaped.reserve(text.size() + 7);
    for (int i = 0; i < text.size(); ++i) {
        if (isEscapeAt(text, i))
            escaped += QLatin1String("_x005F");
        escaped += text.at(i);
    }
    return escaped.toUtf8();
}

quint64 cellKey(int row, int column)
{
    return (quint64(quint32(row)) << 32) | quint32(column);
}

lxw_format* alignmentFormat(lxw_workbook* workbook, Qt::Alignment alignment)
{
    lxw_format* format = workbook_add_format(workbook);
    if (!format)
        return nullptr;
    if (alignment & Qt::AlignLeft)
        format_set_align(format, LXW_ALIGN_LEFT);
    else if (alignment & Qt::AlignRight)
        format_set_align(format, LXW_ALIGN_RIGHT);
    else if (alignment & Qt::AlignHCenter)
        format_set_align(format, LXW_ALIGN_CENTER);
    else if (alignment & Qt::AlignJustify)
        format_set_align(format, LXW_ALIGN_JUSTIFY);
    if (alignment & Qt::AlignTop)
        format_set_align(format, LXW_ALIGN_VERTICAL_TOP);
    else if (alignment & Qt::AlignBottom)
        format_set_align(format, LXW_ALIGN_VERTICAL_BOTTOM);
    else if (alignment & Qt::AlignVCenter)
        format_set_align(format, LXW_ALIGN_VERTICAL_CENTER);
    return format;
}

// Creates an empty file next to the target that nobody else uses, with the permissions
// a new file gets from the umask (or those of the file it will replace). Returns its
// encoded name, or an empty array when the folder does not take a new file.
QByteArray createTemporaryFile(const QString& folder, const QString& baseName, const char* target)
{
    struct stat targetStat = {};
    const bool targetExists = ::stat(target, &targetStat) == 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Built by concatenation: a '%' in the file name must stay as it is.
        const QString name = folder + QStringLiteral("/.") + baseName + QLatin1Char('.') +
                             QString::number(QRandomGenerator::global()->generate(), 16) +
                             QStringLiteral(".tmp");
        const QByteArray encoded = QFile::encodeName(name);
        const int fd = ::open(encoded.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return QByteArray();
        }
        if (targetExists)
            ::fchmod(fd, targetStat.st_mode & 07777);
        ::close(fd);
        return encoded;
    }
    return QByteArray();
}

bool syncToDisk(const QByteArray& fileName)
{
    const int fd = ::open(fileName.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    return ::close(fd) == 0 && synced;
}

// ---- reading ----

enum class EntryResult { Read, Missing, Failed };

// Reads one zip entry whole, refusing entries larger than MaxEntryBytes and entries
// whose content does not match their checksum.
EntryResult readEntry(unzFile zip, const QString& name, QByteArray* data)
{
    // Part names of a workbook package compare without regard to case.
    constexpr int CaseInsensitive = 2;
    if (unzLocateFile(zip, name.toUtf8().constData(), CaseInsensitive) != UNZ_OK)
        return EntryResult::Missing;
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        return EntryResult::Failed;
    if (info.uncompressed_size > quint64(MaxEntryBytes))
        return EntryResult::Failed;
    if (unzOpenCurrentFile(zip) != UNZ_OK)
        return EntryResult::Failed;
    data->resize(int(info.uncompressed_size));
    qint64 received = 0;
    bool ok = true;
    while (received < data->size()) {
        const int n =
            unzReadCurrentFile(zip, data->data() + received, unsigned(data->size() - received));
        if (n <= 0) {
            ok = n == 0 && received == data->size();
            break;
        }
        received += n;
    }
    char extra;
    if (ok && unzReadCurrentFile(zip, &extra, 1) != 0)
        ok = false;
    // Closing reports a checksum mismatch once the whole entry was read.
    if (unzCloseCurrentFile(zip) != UNZ_OK)
        ok = false;
    return ok ? EntryResult::Read : EntryResult::Failed;
}

// "AB12" (or "$AB$12") into row 12, column 28; false for anything else or out of range.
bool parseCellReference(QStringRef reference, int* row, int* column)
{
    int i = 0;
    const int size = reference.size();
    auto skipDollar = [&] {
        if (i < size && reference.at(i) == QLatin1Char('$'))
            ++i;
    };
    skipDollar();
    int col = 0;
    const int columnStart = i;
    while (i < size) {
        const ushort c = reference.at(i).unicode();
        int letter;
        if (c >= 'A' && c <= 'Z')
            letter = c - 'A' + 1;
        else if (c >= 'a' && c <= 'z')
            letter = c - 'a' + 1;
        else
            break;
        col = col * 26 + letter;
        if (col > Sheet::MaxColumns)
            return false;
        ++i;
    }
    if (i == columnStart)
        return false;
    skipDollar();
    int r = 0;
    const int rowStart = i;
    while (i < size) {
        const ushort c = reference.at(i).unicode();
        if (c < '0' || c > '9')
            return false;
        r = r * 10 + (c - '0');
        if (r > Sheet::MaxRows)
            return false;
        ++i;
    }
    if (i == rowStart || r < 1)
        return false;
    *row = r;
    *column = col;
    return true;
}

bool parseRange(QStringRef reference, CellRange* range)
{
    const int colon = reference.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return false;
    return parseCellReference(reference.left(colon), &range->firstRow, &range->firstColumn) &&
           parseCellReference(reference.mid(colon + 1), &range->lastRow, &range->lastColumn);
}

// The text of a string item (<si> or <is>): its plain <t>, or the <t> of every rich-text
// run joined; phonetic hints (<rPh>) are not part of the text.
QString readStringItem(QXmlStreamReader& reader)
{
    QString text;
    while (reader.readNextStartElement()) {
        if (reader.name() == QLatin1String("t")) {
            text += reader.readElementText();
        } else if (reader.name() == QLatin1String("r")) {
            while (reader.readNextStartElement()) {
                if (reader.name() == QLatin1String("t"))
                    text += reader.readElementText();
                else
                    reader.skipCurrentElement();
            }
        } else {
            reader.skipCurrentElement();
        }
    }
    return text;
}

QString firstSheetRelationship(const QByteArray& workbookXml)
{
    QXmlStreamReader reader(workbookXml);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement ||
            reader.name() != QLatin1String("sheet"))
            continue;
        const QXmlStreamAttributes attributes = reader.attributes();
        const QStringRef id = attributes.value(RelationshipsNamespace, QLatin1String("id"));
        if (!id.isEmpty())
            return id.toString();
        // A writer that left the namespace undeclared: accept any prefix.
        for (const QXmlStreamAttribute& attribute : attributes) {
            if (attribute.qualifiedName().endsWith(QLatin1String(":id")))
                return attribute.value().toString();
        }
        return QString();
    }
    return QString();
}

QString relationshipTarget(const QByteArray& relsXml, const QString& id)
{
    QXmlStreamReader reader(relsXml);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement ||
            reader.name() != QLatin1String("Relationship"))
            continue;
        const QXmlStreamAttributes attributes = reader.attributes();
        if (attributes.value(QLatin1String("Id")) != id)
            continue;
        const QString target = attributes.value(QLatin1String("Target")).toString();
        if (target.isEmpty())
            return QString();
        // Targets are relative to the workbook's folder unless they start at the root.
        const QString path =
            target.startsWith(QLatin1Char('/')) ? target.mid(1) : QStringLiteral("xl/") + target;
        return QDir::cleanPath(path);
    }
    return QString();
}

QString firstSheetEntry(unzFile zip)
{
    QByteArray workbookXml;
    QByteArray relsXml;
    if (readEntry(zip, QStringLiteral("xl/workbook.xml"), &workbookXml) != EntryResult::Read ||
        readEntry(zip, QStringLiteral("xl/_rels/workbook.xml.rels"), &relsXml) != EntryResult::Read)
        return QLatin1String(FallbackSheetEntry);
    const QString id = firstSheetRelationship(workbookXml);
    const QString target = id.isEmpty() ? QString() : relationshipTarget(relsXml, id);
    return target.isEmpty() ? QLatin1String(FallbackSheetEntry) : target;
}

// Read through a device, a part's text is decoded a piece at a time rather than all at
// once, which would take twice the part's size.
struct XmlSource {
    explicit XmlSource(QByteArray* xml) : buffer(xml) { buffer.open(QIODevice::ReadOnly); }
    QBuffer buffer;
};

bool parseSharedStrings(QByteArray* xml, QVector<QString>* strings)
{
    XmlSource source(xml);
    QXmlStreamReader reader(&source.buffer);
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement &&
            reader.name() == QLatin1String("si")) {
            // No cell can refer to more strings than a sheet may hold cells.
            if (strings->size() == Sheet::MaxLoadedCells)
                return false;
            strings->append(unescapeText(readStringItem(reader)));
        }
    }
    return !reader.hasError();
}

Qt::Alignment parseAlignment(const QXmlStreamAttributes& attributes)
{
    Qt::Alignment alignment;
    const QStringRef horizontal = attributes.value(QLatin1String("horizontal"));
    if (horizontal == QLatin1String("left"))
        alignment |= Qt::AlignLeft;
    else if (horizontal == QLatin1String("right"))
        alignment |= Qt::AlignRight;
    else if (horizontal == QLatin1String("center") ||
             horizontal == QLatin1String("centerContinuous"))
        alignment |= Qt::AlignHCenter;
    else if (horizontal == QLatin1String("justify"))
        alignment |= Qt::AlignJustify;
    const QStringRef vertical = attributes.value(QLatin1String("vertical"));
    if (vertical == QLatin1String("top"))
        alignment |= Qt::AlignTop;
    else if (vertical == QLatin1String("center"))
        alignment |= Qt::AlignVCenter;
    else if (vertical == QLatin1String("bottom"))
        alignment |= Qt::AlignBottom;
    return alignment;
}

// The alignment of each cell format (<cellXfs>), indexed like a cell's "s" attribute.
QVector<Qt::Alignment> parseCellAlignments(const QByteArray& stylesXml)
{
    QVector<Qt::Alignment> alignments;
    QXmlStreamReader reader(stylesXml);
    bool inCellFormats = false;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::EndElement && reader.name() == QLatin1String("cellXfs"))
            break;
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (reader.name() == QLatin1String("cellXfs"))
            inCellFormats = true;
        else if (inCellFormats && reader.name() == QLatin1String("xf"))
            alignments.append(Qt::Alignment());
        else if (inCellFormats && reader.name() == QLatin1String("alignment") &&
                 !alignments.isEmpty())
            alignments.last() = parseAlignment(reader.attributes());
    }
    return alignments;
}

QString cellText(const QStringRef& type, const QString& value, const QString& inlineText,
                 const QVector<QString>& sharedStrings)
{
    if (type == QLatin1String("s")) {
        bool ok = false;
        const int index = value.trimmed().toInt(&ok);
        return ok && index >= 0 && index < sharedStrings.size() ? sharedStrings.at(index)
                                                                : QString();
    }
    if (type == QLatin1String("inlineStr"))
        return inlineText.isEmpty() ? value : inlineText;
    if (type == QLatin1String("b")) {
        if (value.trimmed() == QLatin1String("1"))
            return QStringLiteral("TRUE");
        if (value.trimmed() == QLatin1String("0"))
            return QStringLiteral("FALSE");
    }
    // Numbers, formula strings, errors and dates: the value as the file wrote it.
    return value;
}

} // namespace

void Sheet::write(int row, int column, const QString& text)
{
    if (row < 1 || row > MaxRows || column < 1 || column > MaxColumns)
        return;
    if (text.isEmpty()) {
        if (row > rows.size())
            return;
        Row& cells = rows[row - 1];
        const auto at = std::find_if(cells.begin(), cells.end(),
                                     [&](const Cell& c) { return c.column == column; });
        if (at == cells.end())
            return;
        cells.erase(at);
        while (!rows.isEmpty() && rows.last().isEmpty())
            rows.removeLast();
        return;
    }
    if (row > rows.size())
        rows.resize(row);
    Row& cells = rows[row - 1];
    if (cells.isEmpty() || cells.last().column < column) {
        cells.append(Cell{column, text});
        return;
    }
    const auto at = std::lower_bound(cells.begin(), cells.end(), column,
                                     [](const Cell& c, int col) { return c.column < col; });
    if (at->column == column)
        at->text = text;
    else
        cells.insert(at, Cell{column, text});
}

QString Sheet::read(int row, int column) const
{
    if (row < 1 || row > rows.size())
        return QString();
    const Row& cells = rows.at(row - 1);
    const auto at = std::lower_bound(cells.cbegin(), cells.cend(), column,
                                     [](const Cell& c, int col) { return c.column < col; });
    return at != cells.cend() && at->column == column ? at->text : QString();
}

void Sheet::mergeCells(const CellRange& range, Qt::Alignment alignment)
{
    if (range.firstRow < 1 || range.firstColumn < 1 || range.lastRow > MaxRows ||
        range.lastColumn > MaxColumns || range.firstRow > range.lastRow ||
        range.firstColumn > range.lastColumn)
        return;
    if (range.firstRow == range.lastRow && range.firstColumn == range.lastColumn)
        return;
    for (Merge& merge : merges) {
        if (merge.range == range) {
            merge.alignment = alignment;
            return;
        }
    }
    merges.erase(std::remove_if(merges.begin(), merges.end(),
                                [&](const Merge& m) { return m.range.overlaps(range); }),
                 merges.end());
    merges.append(Merge{range, alignment});
}

QVector<CellRange> Sheet::mergedRanges() const
{
    QVector<CellRange> ranges;
    ranges.reserve(merges.size());
    for (const Merge& merge : merges)
        ranges.append(merge.range);
    return ranges;
}

Qt::Alignment Sheet::mergeAlignment(const CellRange& range) const
{
    for (const Merge& merge : merges) {
        if (merge.range == range)
            return merge.alignment;
    }
    return {};
}

void Sheet::clear()
{
    rows.clear();
    merges.clear();
}

bool Sheet::saveAs(const QString& path) const
{
    if (path.isEmpty())
        return false;
    QFileInfo target(path);
    // Replace the file a link points to, not the link.
    if (target.isSymLink())
        target.setFile(target.symLinkTarget());
    const QByteArray targetName = QFile::encodeName(target.absoluteFilePath());
    const QByteArray tempName =
        createTemporaryFile(target.absolutePath(), target.fileName(), targetName.constData());
    if (tempName.isEmpty())
        return false;

    // Row by row, each row given to the library and let go at once, when every merge lies
    // within one row and they were made from the top down, as a download's are: the library
    // then holds one row, not the whole sheet again beside this one (a full logger's download
    // is some 400 000 cells). Otherwise every merge goes first and the library keeps it all.
    bool rowByRow = true;
    for (int i = 0; i < merges.size(); ++i) {
        const CellRange& range = merges.at(i).range;
        rowByRow = rowByRow && range.firstRow == range.lastRow &&
                   (i == 0 || merges.at(i - 1).range.firstRow <= range.firstRow);
    }
    lxw_workbook_options options = {};
    options.constant_memory = rowByRow ? LXW_TRUE : LXW_FALSE;
    lxw_workbook* workbook = workbook_new_opt(tempName.constData(), &options);
    lxw_worksheet* worksheet = workbook ? workbook_add_worksheet(workbook, nullptr) : nullptr;
    bool ok = worksheet != nullptr;

    // The top-left cell of a merge carries the merge's format, which holds its alignment.
    QHash<int, lxw_format*> formatsByAlignment;
    QHash<quint64, lxw_format*> topLeftFormats;
    const auto writeMerge = [&](const Merge& merge) {
        lxw_format* format = nullptr;
        if (merge.alignment) {
            const int key = int(merge.alignment);
            format = formatsByAlignment.value(key);
            if (!format) {
                format = alignmentFormat(workbook, merge.alignment);
                formatsByAlignment.insert(key, format);
            }
            if (!format)
                return false;
        }
        const CellRange& r = merge.range;
        topLeftFormats.insert(cellKey(r.firstRow, r.firstColumn), format);
        // The merge writes blank cells over its range; the cells themselves follow and
        // replace those blanks, so text inside a merge is kept in the file.
        return worksheet_merge_range(worksheet, lxw_row_t(r.firstRow - 1),
                                     lxw_col_t(r.firstColumn - 1), lxw_row_t(r.lastRow - 1),
                                     lxw_col_t(r.lastColumn - 1), "", format) == LXW_NO_ERROR;
    };
    // In the order they were made, so that a spreadsheet lists them the same way.
    auto nextMerge = merges.cbegin();
    for (int r = 0; ok && r < rows.size(); ++r) {
        for (;
             ok && nextMerge != merges.cend() && (!rowByRow || nextMerge->range.firstRow <= r + 1);
             ++nextMerge)
            ok = writeMerge(*nextMerge);
        for (const Cell& cell : rows.at(r)) {
            lxw_format* format = topLeftFormats.value(cellKey(r + 1, cell.column));
            if (!ok || worksheet_write_string(worksheet, lxw_row_t(r), lxw_col_t(cell.column - 1),
                                              escapedUtf8(cell.text).constData(),
                                              format) != LXW_NO_ERROR) {
                ok = false;
                break;
            }
        }
    }
    // Merges below the last row that holds text.
    for (; ok && nextMerge != merges.cend(); ++nextMerge)
        ok = writeMerge(*nextMerge);

    if (workbook) {
        if (ok)
            ok = workbook_close(workbook) == LXW_NO_ERROR;
        else
            lxw_workbook_free(workbook);
    }
    ok = ok && syncToDisk(tempName) && ::rename(tempName.constData(), targetName.constData()) == 0;
    if (!ok)
        ::unlink(tempName.constData());
    return ok;
}

Sheet Sheet::load(const QString& path)
{
    Sheet sheet;
    if (path.isEmpty())
        return sheet;
    unzFile zip = unzOpen64(QFile::encodeName(path).constData());
    if (!zip)
        return sheet;
    struct ZipCloser {
        unzFile zip;
        ~ZipCloser() { unzClose(zip); }
    } closer{zip};

    QByteArray sheetXml;
    if (readEntry(zip, firstSheetEntry(zip), &sheetXml) != EntryResult::Read)
        return sheet;
    QVector<QString> sharedStrings;
    QByteArray xml;
    switch (readEntry(zip, QStringLiteral("xl/sharedStrings.xml"), &xml)) {
    case EntryResult::Failed:
        return sheet;
    case EntryResult::Read:
        if (!parseSharedStrings(&xml, &sharedStrings))
            return sheet;
        break;
    case EntryResult::Missing:
        break;
    }
    // Styles only give the alignment of merged ranges, so a broken styles part is not
    // worth refusing the whole file for.
    QVector<Qt::Alignment> cellAlignments;
    if (readEntry(zip, QStringLiteral("xl/styles.xml"), &xml) == EntryResult::Read)
        cellAlignments = parseCellAlignments(xml);
    xml.clear();
    const bool anyAlignment = std::any_of(cellAlignments.cbegin(), cellAlignments.cend(),
                                          [](Qt::Alignment a) { return a != Qt::Alignment(); });

    QHash<quint64, Qt::Alignment> alignedCells;
    QVector<CellRange> mergeRanges;
    // Cells may come in any order; they are sorted once at the end, since placing each
    // one in its row as it comes would take quadratic time on a row stored right to left.
    struct LoadedCell {
        int row;
        int column;
        QString text;
    };
    QVector<LoadedCell> cells;
    int currentRow = 0;
    int previousColumn = 0;
    XmlSource sheetSource(&sheetXml);
    QXmlStreamReader reader(&sheetSource.buffer);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QStringRef name = reader.name();
        if (name == QLatin1String("row")) {
            bool ok = false;
            const int number = reader.attributes().value(QLatin1String("r")).toInt(&ok);
            currentRow = ok ? number : currentRow + 1;
            previousColumn = 0;
        } else if (name == QLatin1String("c")) {
            const QXmlStreamAttributes attributes = reader.attributes();
            int row = currentRow;
            int column = previousColumn + 1;
            const QStringRef reference = attributes.value(QLatin1String("r"));
            const bool placed = reference.isEmpty() || parseCellReference(reference, &row, &column);
            if (!reference.isEmpty() && placed)
                currentRow = row;
            previousColumn = column;
            const QString type = attributes.value(QLatin1String("t")).toString();
            const int style = attributes.value(QLatin1String("s")).toInt();
            QString value;
            QString inlineText;
            while (reader.readNextStartElement()) {
                if (reader.name() == QLatin1String("v"))
                    value = reader.readElementText();
                else if (reader.name() == QLatin1String("is"))
                    inlineText = unescapeText(readStringItem(reader));
                else
                    reader.skipCurrentElement();
            }
            if (!placed)
                continue;
            if (cells.size() == Sheet::MaxLoadedCells)
                return Sheet();
            cells.append(
                {row, column, cellText(QStringRef(&type), value, inlineText, sharedStrings)});
            if (anyAlignment && style > 0 && style < cellAlignments.size() &&
                cellAlignments.at(style))
                alignedCells.insert(cellKey(row, column), cellAlignments.at(style));
        } else if (name == QLatin1String("mergeCell")) {
            CellRange range;
            if (mergeRanges.size() < MaxLoadedMerges &&
                parseRange(reader.attributes().value(QLatin1String("ref")), &range))
                mergeRanges.append(range);
        }
    }
    if (reader.hasError())
        return Sheet();
    // A cell given twice keeps its last text, as writing it twice would.
    std::stable_sort(cells.begin(), cells.end(), [](const LoadedCell& a, const LoadedCell& b) {
        return a.row != b.row ? a.row < b.row : a.column < b.column;
    });
    for (int i = 0; i < cells.size(); ++i) {
        const bool last = i + 1 == cells.size() || cells.at(i + 1).row != cells.at(i).row ||
                          cells.at(i + 1).column != cells.at(i).column;
        if (last)
            sheet.write(cells.at(i).row, cells.at(i).column, cells.at(i).text);
    }
    cells.clear();
    for (const CellRange& range : qAsConst(mergeRanges))
        sheet.mergeCells(range, alignedCells.value(cellKey(range.firstRow, range.firstColumn)));
    return sheet;
}
