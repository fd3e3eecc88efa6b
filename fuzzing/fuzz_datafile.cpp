// Reads arbitrary bytes as a data file, the way a saved file is opened for viewing.

#include "invariant.h"
#include "records/datafile.h"

#include <QBuffer>
#include <QByteArray>

#include <algorithm>
#include <cstdint>

namespace {

// Far fewer records than a file may announce, so a short file claiming many is common.
constexpr int MaxRecords = 1000;

using fuzz::require;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const datafile::Contents contents = datafile::read(buffer, MaxRecords);
    require(contents.header.recordCount >= 0, "a negative record count");
    require(contents.recordLines.size() <= std::min(contents.header.recordCount, MaxRecords),
            "more record lines than the file announces or the caller asked for");
    for (const QString& line : contents.recordLines)
        for (int column = 0; column < 4; ++column)
            datafile::valueText(line, column, false, column != 1);
    return 0;
}
