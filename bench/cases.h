#pragma once

#include <QString>
#include <QStringList>

// The measured cases, each driving the program's own code: the analysis window through its
// receive_data, its buttons and its replaced file choosers, the frame assembler, the main
// window's handling of a live reply from the simulated logger. A case runs in a process of
// its own, so that what one leaves allocated does not count toward the next one's memory.
namespace bench {

struct Measurement {
    bool ok = false;
    QString failure;   // what went wrong when not ok
    double median = 0; // seconds per run; kilobytes for the memory case
    int runs = 0;      // timed runs the median is taken over
};

// The cases by name, in the order of the table.
QStringList caseNames();
// Runs one case on `records` records, timing `runs` runs (a live reply: `runs` replies).
Measurement runCase(const QString& name, int records, int runs);

// The process's peak resident memory so far, in kilobytes (VmHWM); -1 when unknown.
long peakResidentKilobytes();

} // namespace bench
