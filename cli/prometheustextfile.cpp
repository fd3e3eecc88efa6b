#include "prometheustextfile.h"

#include "records/readings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace prometheustextfile {

namespace {

// A label value with the backslash, the double quote and the line feed escaped.
QString labelValue(const QString& value)
{
    QString escaped = value;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('"'), QLatin1String("\\\""))
        .replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

class Writer
{
public:
    explicit Writer(const QString& port) : portLabel(QStringLiteral("port=") + labelValue(port)) {}

    // A gauge with its help and one sample for each value, none skipped.
    void gauge(const char* name, const char* help,
               const QVector<std::pair<QString, QString>>& samples)
    {
        if (samples.isEmpty())
            return;
        text += QStringLiteral("# HELP %1 %2\n# TYPE %1 gauge\n")
                    .arg(QLatin1String(name), QLatin1String(help));
        for (const auto& [labels, value] : samples)
            text += QStringLiteral("%1{%2} %3\n")
                        .arg(QLatin1String(name),
                             labels.isEmpty() ? portLabel : portLabel + QLatin1Char(',') + labels,
                             value);
    }
    void gauge(const char* name, const char* help, const QString& value)
    {
        gauge(name, help, {{QString(), value}});
    }

    QString text;

private:
    QString portLabel;
};

QString number(double value)
{
    return readings::formatValue(value);
}

QString limitSample(const char* quantity, const char* limit)
{
    return QStringLiteral("quantity=\"%1\",limit=\"%2\"")
        .arg(QLatin1String(quantity), QLatin1String(limit));
}

} // namespace

QByteArray text(const Sample& sample)
{
    Writer out(sample.port);
    out.gauge("hygrolux_up", "Whether the logger answered the last live poll (1) or not (0).",
              sample.live ? QStringLiteral("1") : QStringLiteral("0"));
    if (sample.live) {
        const wire::LiveValues& live = *sample.live;
        const double dewPoint = readings::dewPointC(live.temperatureCode, live.humidityCode);
        out.gauge("hygrolux_temperature_celsius", "The live temperature.",
                  number(readings::temperatureC(live.temperatureCode)));
        out.gauge("hygrolux_humidity_percent", "The live relative humidity.",
                  number(readings::humidityPercent(live.humidityCode)));
        // Dry air (0 %RH) has no dew temperature: no sample.
        if (std::isfinite(dewPoint))
            out.gauge("hygrolux_dew_point_celsius", "The dew temperature of the live readings.",
                      number(dewPoint));
        out.gauge("hygrolux_heat_index_celsius", "The heat index of the live readings.",
                  number(readings::heatIndexC(live.temperatureCode, live.humidityCode)));
        out.gauge("hygrolux_alarm_limit",
                  "The logger's alarm limits: degrees Celsius for temperature, percent for "
                  "humidity.",
                  {{limitSample("temperature", "high"), QString::number(live.tempAlarmHigh)},
                   {limitSample("temperature", "low"), QString::number(live.tempAlarmLow)},
                   {limitSample("humidity", "high"), QString::number(live.humiAlarmHigh)},
                   {limitSample("humidity", "low"), QString::number(live.humiAlarmLow)}});
        out.gauge("hygrolux_records", "The number of records the logger holds.",
                  QString::number(live.recordCount));
    }
    if (sample.lastReply.isValid())
        out.gauge("hygrolux_last_reply_timestamp_seconds",
                  "When the logger last answered, in seconds since 1970-01-01 00:00 UTC.",
                  QString::number(sample.lastReply.toMSecsSinceEpoch() / 1000.0, 'f', 3));
    return out.text.toUtf8();
}

QString write(const QString& path, const QByteArray& content)
{
    const QFileInfo target(path);
    // Hidden, and without the .prom ending: the collector never reads it.
    QFile file(QDir(target.path())
                   .filePath(QStringLiteral(".%1.%2")
                                 .arg(target.fileName())
                                 .arg(QRandomGenerator::global()->generate64(), 0, 36)));
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return file.errorString();
    // Rewritten at every reply: the rename keeps readers from half a file, and nothing is lost
    // that the next reply does not write again, so the file is not forced onto the disk.
    if (file.write(content) != content.size() || !file.flush()) {
        const QString why = file.errorString();
        file.remove();
        return why;
    }
    file.close();
    if (std::rename(QFile::encodeName(file.fileName()).constData(),
                    QFile::encodeName(path).constData()) != 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        file.remove();
        return why;
    }
    return QString();
}

} // namespace prometheustextfile
