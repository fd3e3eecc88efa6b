#pragma once

#include "device/wireformat.h"

#include <QVector>

namespace hygrolux::test {

// A cold store's records: 5.0 degC and 50 %RH but for a warm spell of three records (the
// middle one 9.5 degC), one cold record of 1.0 degC and one damp one of 85 %RH. With limits
// of 8 / 2 degC and 80 / 20 %RH, one record a minute: 3 excursions, 3 min above 8.0, 1 min
// below 2.0, 1 min above 80 %RH. Fewer than 13 records hold none of them.
inline QVector<wire::block::RecordCodes> coldStore(int count = 20)
{
    QVector<wire::block::RecordCodes> codes(count, wire::block::RecordCodes{450, 500});
    if (count < 13)
        return codes;
    codes[3].temperature = 490;
    codes[4].temperature = 495;
    codes[5].temperature = 482;
    codes[9].temperature = 410;
    codes[12].humidity = 850;
    return codes;
}

} // namespace hygrolux::test
