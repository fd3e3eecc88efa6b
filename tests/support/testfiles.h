#pragma once

#include <QFile>
#include <QProcess>
#include <QStringList>

// Files a test lays out, and files the program wrote, read back as bytes or as other
// programs see them.
namespace hygrolux::test {

inline bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

inline QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// What the program printed; nothing when it failed.
inline QByteArray toolOutput(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished() && process.exitCode() == 0 ? process.readAllStandardOutput()
                                                                : QByteArray();
}

// The text of a PDF, or of one of its pages (from 1), as poppler's pdftotext lays it out.
inline QString pdfText(const QString& path, int page = 0)
{
    QStringList arguments{"-layout", path, "-"};
    if (page > 0)
        arguments =
            QStringList{"-f", QString::number(page), "-l", QString::number(page)} + arguments;
    return QString::fromUtf8(toolOutput("pdftotext", arguments));
}

} // namespace hygrolux::test
