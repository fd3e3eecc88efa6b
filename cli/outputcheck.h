#pragma once

#include <QString>

class QTextStream;

// Results that do not reach the standard output (a closed pipe, a full disk) make a command
// fail: a script must not take an empty answer for a good one.
namespace cli {

// Flushes `out`; why not everything written to it arrived, or empty when it did.
QString outputFailure(QTextStream& out);
// `code`, or exitcode::OutputFailed with the reason on `err` when a command that was done
// could not write its results.
int checkedOutput(int code, QTextStream& out, QTextStream& err);

} // namespace cli
