#pragma once

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QVector>

// Names under which a report would take the place of the download's data file
// (./data.txt) or of the one kept from the download before (./data.previous.txt): other
// spellings, links, links that dangle until a download writes their end, chains of links.
// The export tests and the command-line tests refuse the same table.
namespace hygrolux::test {

struct HostileTarget {
    const char* row;
    QString name;      // in the current folder; "/" starts it with the folder's absolute path
    QStringList links; // "link>what it points to", made in order
    QString kept;      // the file the name reaches
};

inline const QVector<HostileTarget>& hostileTargets()
{
    const QString data = "data.txt";
    const QString previous = "data.previous.txt";
    static const QVector<HostileTarget> targets = {
        {"data.txt through a folder and back", "sub/../data.txt", {}, data},
        {"data.previous.txt through a folder and back", "./sub/../data.previous.txt", {}, previous},
        {"data.previous.txt by its absolute path", "/data.previous.txt", {}, previous},
        {"a link to data.previous.txt", "kept.txt", {"kept.txt>data.previous.txt"}, previous},
        {"a link to data.txt, dangling until it is written", "new.csv", {"new.csv>data.txt"}, data},
        {"a link from a folder", "sub/old.pdf", {"sub/old.pdf>../data.previous.txt"}, previous},
        {"link chain", "c.xlsx", {"sub/h>../data.previous.txt", "h>sub/h", "c.xlsx>h"}, previous},
    };
    return targets;
}

// Makes the target's folder and links in the current folder; the name to give.
inline QString prepareHostileTarget(const HostileTarget& target)
{
    QDir().mkpath(QStringLiteral("sub"));
    for (const QString& link : target.links)
        QFile::link(link.section('>', 1), link.section('>', 0, 0));
    return target.name.startsWith('/') ? QDir::currentPath() + target.name : target.name;
}

} // namespace hygrolux::test
