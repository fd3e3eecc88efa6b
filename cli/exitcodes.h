#pragma once

// What hygrolux-cli tells the script that started it.
namespace cli::exitcode {

constexpr int Done = 0;
// The logger could not be reached (no port, no answer, permission denied) or the link
// dropped.
constexpr int Unreachable = 1;
// The command line was wrong, a parameter was refused before anything was sent, or the file
// of summary or report is no data file or workbook the program wrote.
constexpr int Usage = 2;
// The download failed: checksum error, no data, missed, or ./data.txt could not be written.
// ./data.txt keeps what arrived.
constexpr int DownloadFailed = 3;
// The report asked for with --out or --report was not saved (after a download: the download
// succeeded).
constexpr int ReportNotSaved = 4;
// The results could not be written to the standard output (a closed pipe, a full disk).
// What the command did stays done.
constexpr int OutputFailed = 5;
// Ctrl-C (or SIGTERM) ended a command before it was done, as a shell counts it.
constexpr int Interrupted = 130;

} // namespace cli::exitcode

// check answers as a monitoring plugin (Nagios, Icinga, Naemon, Zabbix) does, whatever the
// table above says.
namespace cli::pluginexit {

// Every reading within the logger's alarm limits.
constexpr int Ok = 0;
// A reading beyond a limit.
constexpr int Critical = 2;
// The logger could not be read, or the command line was wrong.
constexpr int Unknown = 3;

} // namespace cli::pluginexit
