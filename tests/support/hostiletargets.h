#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <QVector>

#include <utility>

// Names under which a report would take the place of the download's data file
// (./data.txt) or of the one kept from the download before (./data.previous.txt): other
// spellings, links, links that dangle until a download writes their end, chains of links.
// The export tests and the command-line tests refuse the same table.
namespace hygrolux::test {

struct HostileTarget {
    const char* row;
    QString name; // relative to the current folder; made absolute when `absolute`
    bool absolute;
    QVector<std::pair<QString, QString>> links; // link, what it points to; made in order
    QString kept;                               // the file the name reaches
};

inline const QVector<HostileTarget>& hostileTargets()
{
    static const QVector<HostileTarget> targets = {
        {"data.txt through a folder and back", "sub/../data.txt", false, {}, "data.txt"},
        {"data.previous.txt through a folder and back",
         "./sub/../data.previous.txt",
         false,
         {},
         "data.previous.txt"},
        {"data.previous.txt by its absolute path",
         "data.previous.txt",
         true,
         {},
         "data.previous.txt"},
        {"a link to data.previous.txt",
         "kept.txt",
         false,
         {{"kept.txt", "data.previous.txt"}},
         "data.previous.txt"},
        {"a link to data.txt, dangling until it is written",
         "new.csv",
         false,
         {{"new.csv", "data.txt"}},
         "data.txt"},
        {"a link from a folder to data.previous.txt",
         "sub/old.pdf",
         false,
         {{"sub/old.pdf", "../data.previous.txt"}},
         "data.previous.txt"},
        {"a chain of links to data.previous.txt",
         "chain.xlsx",
         false,
         {{"sub/hop", "../data.previous.txt"}, {"hop", "sub/hop"}, {"chain.xlsx", "hop"}},
         "data.previous.txt"},
    };
    return targets;
}

// Makes the target's folder and links in the current folder; the name to give.
inline QString prepareHostileTarget(const HostileTarget& target)
{
    QDir().mkpath(QStringLiteral("sub"));
    for (const auto& [link, end] : target.links)
        QFile::link(end, link);
    return target.absolute ? QDir::current().absoluteFilePath(target.name) : target.name;
}

} // namespace hygrolux::test
