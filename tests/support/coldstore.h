#pragma once

#include "device/wireformat.h"

#include <QVector>

namespace hygrolux::test {

// The record codes of a cold store: 5.0 degC and 50 %RH, but for a warm spell of three records
// (9.0, 9.5 and 8.2 degC from the fourth on), a cold record of 1.0 degC (the tenth) and a damp
// one of 85 %RH (the thirteenth); fewer than 13 records hold none of them. The limits 8 / 2 degC
// and 80 / 20 %RH cross them: a minute apart, 3 min above 8.0 degC, 1 min below 2.0 degC and
// 1 min above 80 %RH.
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
