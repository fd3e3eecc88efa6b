#include "archivelisting.h"

#include "records/savedfile.h"

#include <QJsonArray>
#include <QLocale>

namespace archivelisting {

namespace {

QString timeText(const QDateTime& time, const char* format)
{
    return QLocale::c().toString(time, QLatin1String(format));
}

QJsonValue jsonTime(const QDateTime& time)
{
    return time.isValid() ? QJsonValue(timeText(time, "yyyy-MM-ddTHH:mm:ss")) : QJsonValue();
}

QString excursionText(const figures::Figures& f)
{
    if (f.events.isEmpty())
        return QStringLiteral("within limits");
    const figures::Excursion& first = f.events.first();
    const bool temperature = first.quantity == figures::Quantity::Temperature;
    const figures::Bounds& bounds = temperature ? f.temperature.bounds : f.humidity.bounds;
    const bool high = first.limit == figures::Limit::High;
    const QString limit =
        figures::limitText(first.quantity, high ? bounds.highTenths : bounds.lowTenths, f.celsius);
    const QString from = first.first.isValid() ? QStringLiteral(" from ") +
                                                     timeText(first.first, "yyyy-MM-dd HH:mm:ss")
                                               : QString();
    return QStringLiteral("first excursion: %1 %2 %3%4 for %5")
        .arg(temperature ? QStringLiteral("temperature") : QStringLiteral("humidity"),
             high ? QStringLiteral("above") : QStringLiteral("below"), limit, from,
             figures::durationText(first.durationSeconds));
}

} // namespace

Listed read(const archive::Entry& entry)
{
    Listed listed;
    listed.entry = entry;
    const savedfile::Result loaded = savedfile::load(entry.path, savedfile::Kind::Text);
    if (loaded.status == savedfile::Status::Loaded ||
        loaded.status == savedfile::Status::NoInterval)
        listed.figures = figures::of(loaded.data);
    return listed;
}

QString line(const Listed& listed)
{
    const archive::Entry& entry = listed.entry;
    QString text = QStringLiteral("start %1, downloaded %2, ")
                       .arg(entry.start.isValid() ? timeText(entry.start, "yyyy-MM-dd HH:mm:ss")
                                                  : QStringLiteral("unknown"),
                            timeText(entry.downloaded, "yyyy-MM-dd HH:mm:ss"));
    if (!listed.figures)
        return text + QStringLiteral("cannot be read: %1").arg(entry.path);
    const figures::Figures& f = *listed.figures;
    return text + QStringLiteral("%1 records, %2").arg(f.records).arg(excursionText(f));
}

QJsonObject json(const Listed& listed)
{
    const archive::Entry& entry = listed.entry;
    QJsonObject object{
        {"path", entry.path},
        {"start", jsonTime(entry.start)},
        {"downloaded", jsonTime(entry.downloaded)},
        {"records", QJsonValue()},
        {"unit", QJsonValue()},
        {"excursions", QJsonValue()},
        {"first_excursion", QJsonValue()},
    };
    if (!listed.figures)
        return object;
    const figures::Figures& f = *listed.figures;
    object["records"] = f.records;
    object["unit"] = f.celsius ? QStringLiteral("C") : QStringLiteral("F");
    object["excursions"] = f.events.size();
    // The same object as the events of the summary's figures.
    const QJsonArray events = figures::toJson(f).value(QStringLiteral("events")).toArray();
    if (!events.isEmpty())
        object["first_excursion"] = events.first();
    return object;
}

} // namespace archivelisting
