// Loads arbitrary files as workbooks. Two kinds of input:
// - anything that does not start with '<' is the file itself: damaged zip archives,
//   entries that do not inflate or fail their checksum;
// - input that starts with '<' holds the XML parts of a workbook separated by NUL bytes
//   (worksheet, shared strings, styles, workbook, workbook relationships, in that order).
//   They are packed into a well-formed archive first, so the XML reading is exercised
//   behind a valid zip: missing parts, shared-string indexes out of range, cell references
//   at the sheet's limits, merges that overlap.

#include "invariant.h"
#include "workbook/sheet.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <minizip/zip.h>

#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

namespace {

const char* const PartNames[] = {
    "xl/worksheets/sheet1.xml", "xl/sharedStrings.xml",       "xl/styles.xml",
    "xl/workbook.xml",          "xl/_rels/workbook.xml.rels",
};

using fuzz::violated;

// One file in memory per process, rewritten for every input.
int scratchFile()
{
    static const int fd = ::memfd_create("hygrolux-fuzz-sheet", 0);
    if (fd < 0)
        violated("cannot create the scratch file");
    return fd;
}

const QString& scratchPath()
{
    static const QString path = QStringLiteral("/proc/self/fd/%1").arg(scratchFile());
    return path;
}

void writeFile(const QByteArray& bytes)
{
    const int fd = scratchFile();
    if (::ftruncate(fd, 0) != 0 ||
        ::pwrite(fd, bytes.constData(), size_t(bytes.size()), 0) != bytes.size())
        violated("cannot write the scratch file");
}

// The parts, stored uncompressed: the fuzzer's changes reach the XML reader unchanged.
void writeArchive(const QList<QByteArray>& parts)
{
    zipFile zip = zipOpen64(QFile::encodeName(scratchPath()).constData(), APPEND_STATUS_CREATE);
    if (!zip)
        violated("cannot create the scratch archive");
    for (int i = 0; i < parts.size() && i < int(std::size(PartNames)); ++i) {
        const QByteArray& part = parts[i];
        if (zipOpenNewFileInZip(zip, PartNames[i], nullptr, nullptr, 0, nullptr, 0, nullptr, 0,
                                0) != ZIP_OK ||
            zipWriteInFileInZip(zip, part.constData(), unsigned(part.size())) != ZIP_OK ||
            zipCloseFileInZip(zip) != ZIP_OK)
            violated("cannot write an archive entry");
    }
    if (zipClose(zip, nullptr) != ZIP_OK)
        violated("cannot close the scratch archive");
}

void checkSheet(const Sheet& sheet)
{
    if (sheet.lastRow() < 0 || sheet.lastRow() > Sheet::MaxRows)
        violated("rows beyond the sheet's limit");
    const QVector<CellRange> merges = sheet.mergedRanges();
    for (const CellRange& r : merges) {
        if (r.firstRow < 1 || r.firstColumn < 1 || r.lastRow > Sheet::MaxRows ||
            r.lastColumn > Sheet::MaxColumns || r.firstRow > r.lastRow ||
            r.firstColumn > r.lastColumn)
            violated("a merge outside the sheet");
    }
    // Pairwise only while cheap; the loader caps the number of merges anyway.
    if (merges.size() > 500)
        return;
    for (int i = 0; i < merges.size(); ++i)
        for (int j = i + 1; j < merges.size(); ++j)
            if (merges[i].overlaps(merges[j]))
                violated("overlapping merges were loaded");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(size));
    if (!input.startsWith('<'))
        writeFile(input);
    else
        writeArchive(input.split('\0'));
    checkSheet(Sheet::load(scratchPath()));
    return 0;
}
