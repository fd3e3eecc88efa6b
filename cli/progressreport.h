#pragma once

#include <QString>

class QTextStream;

// How far a download is, on the standard error: on a terminal a bar redrawn in place,
// otherwise (a log file, a pipe) a plain line at every tenth of the way.
class ProgressReport
{
public:
    ProgressReport(QTextStream& stream, bool terminal);

    // `total` is 0 while the logger has not said how many records it sends.
    void update(int percent, int records, int total);
    // Ends the bar's line, so that what follows starts on a line of its own.
    void finish();

    static QString bar(int percent, int records, int total);

private:
    QTextStream& out;
    bool onTerminal;
    int shownPercent = -1;
    bool barDrawn = false;
};
