#include "auditreport.h"

#include "pdfexport.h"
#include "records/figures.h"
#include "records/readings.h"
#include "records/timetexts.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace auditreport {

namespace {

class Texts
{
    Q_DECLARE_TR_FUNCTIONS(AuditReport)
};

// The reasons end up in the analysis window's message, and are translated with it.
class Reasons
{
    Q_DECLARE_TR_FUNCTIONS(QRealTimeData)
};

using figures::limitText;
using figures::Quantity;

// Laid out in millimetres on A4, drawn at the writer's resolution: at 72 dots an inch the
// glyph advances would be rounded to whole points and the columns would not line up.
constexpr int Resolution = 1200;
constexpr double PageWidth = 210;
constexpr double PageHeight = 297;
constexpr double Margin = 15;
constexpr double TopMargin = 14;
constexpr double ContentWidth = PageWidth - 2 * Margin;
constexpr double FooterTop = PageHeight - 20;
constexpr double ContentBottom = FooterTop - 3;
constexpr double SignatureHeight = 17;
// Later pages begin below a line naming the report and the file.
constexpr double RunningHeadHeight = 8;

// Excursions listed on the first page; the rest continue on the next pages.
constexpr int EventsOnFirstPage = 5;
constexpr double EventRowHeight = 4.6;
constexpr double RecordRowHeight = 3.3;
constexpr double RecordBlockGutter = 5;
constexpr double ColumnGap = 1.5;
constexpr double ChartGap = 4;
constexpr double MaxChartHeight = 68;

constexpr QRgb Ink = 0x1a1a1a;
constexpr QRgb Muted = 0x5f6368;
constexpr QRgb Rule = 0xb0b4b8;
constexpr QRgb Grid = 0xe3e5e8;
constexpr QRgb Shade = 0xf3f4f6;
// The colours of the alarm lines in the analysis window.
constexpr QRgb HighColour = 0xff0000;
constexpr QRgb LowColour = 0x0000ff;
constexpr QRgb SeriesColour = 0x1e6b34;
constexpr QRgb WithinFill = 0xe9f5ec;
constexpr QRgb BeyondFill = 0xfdeceb;

double mm(double millimetres)
{
    return millimetres * Resolution / 25.4;
}

QRectF area(double x, double y, double width, double height)
{
    return QRectF(mm(x), mm(y), mm(width), mm(height));
}

// Latin text in DejaVu Sans, which also has the degree signs and the marks; Chinese in the
// face the Chinese interface is drawn with, the first one installed. The PDF embeds both.
QFont face(double points, bool bold = false)
{
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("Source Han Sans SC"), QStringLiteral("WenQuanYi Zen Hei")});
    font.setPointSizeF(points);
    font.setBold(bold);
    // No ligatures: "fi" stays two letters for whoever searches or copies the text.
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

// The records' columns in the narrower cut, so that three blocks of them fit a page.
QFont condensed(double points, bool bold = false)
{
    QFont font = face(points, bold);
    font.setStretch(QFont::Condensed);
    return font;
}

QFont monospace(double points)
{
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPointSizeF(points);
    return font;
}

QString timeText(const QDateTime& stamp)
{
    return stamp.isValid() ? stamp.toString(QLatin1String(logged::IsoTimeFormat))
                           : Texts::tr("unknown");
}

QString valueText(double value)
{
    return readings::formatValue(value);
}

QString unitOf(Quantity quantity, bool celsius)
{
    return quantity == Quantity::Temperature ? readings::unitSymbol(celsius)
                                             : QStringLiteral("%RH");
}

// A step of 1, 2 or 5 times a power of ten that cuts `span` into about `parts`: labels of
// whole tenths, never rounded.
double niceStep(double span, int parts)
{
    const double raw = span / parts;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double normal = raw / magnitude;
    const double step = normal <= 1.5 ? 1 : normal <= 3.5 ? 2 : normal <= 7.5 ? 5 : 10;
    return step * magnitude;
}

// Steps of the time axis, each a whole number of the one before it or of a day.
constexpr qint64 TimeSteps[] = {1,     2,     5,      10,     15,     30,      60,     120,
                                300,   600,   900,    1800,   3600,   7200,    10800,  21600,
                                43200, 86400, 172800, 345600, 604800, 1209600, 2419200};
constexpr int MaxTimeTicks = 7;

struct Chart {
    QString title;
    Quantity quantity = Quantity::Temperature;
    QVector<double> values;
    figures::Bounds bounds;
};

// How the pages are shared out: the first page, the excursions that do not fit on it, then
// the records in blocks of columns.
struct Plan {
    int eventsOnFirstPage = 0;
    int eventsPerPage = 1;
    int eventPages = 0;
    int rowsPerBlock = 1;
    int blocks = 1;
    int recordPages = 0;
    int pages() const { return 1 + eventPages + recordPages; }
};

class Document
{
public:
    Document(QPdfWriter& pdf, const Source& source, const QString& sha256)
        : writer(pdf), data(*source.data), f(figures::of(*source.data)),
          fileName(QFileInfo(source.filePath).fileName()),
          filePath(QFileInfo(source.filePath).absoluteFilePath()), hash(sha256),
          madeAt(source.madeAt)
    {}

    bool write()
    {
        if (!painter.begin(&writer))
            return false;
        measureRecordColumns();
        planPages();
        firstPage();
        bool ok = true;
        for (int page = 0; ok && page < plan.eventPages; ++page)
            if ((ok = newPage()))
                eventPage(page);
        for (int page = 0; ok && page < plan.recordPages; ++page)
            if ((ok = newPage()))
                recordPage(page);
        return painter.end() && ok;
    }

private:
    enum class Align { Left, Right, Centre };

    void setFont(const QFont& font)
    {
        if (&font != currentFont) {
            painter.setFont(font);
            currentFont = &font;
        }
    }

    // Remembered: the records' numbers and values repeat, and each is set right-aligned.
    double widthOf(const QString& text, const QFont& font)
    {
        const auto key = qMakePair(&font, text);
        const auto known = measured.constFind(key);
        if (known != measured.constEnd())
            return *known;
        setFont(font);
        return measured[key] = painter.fontMetrics().horizontalAdvance(text) * 25.4 / Resolution;
    }

    // `text` on the baseline `y`, from, up to or around `x` (all in mm).
    void text(double x, double y, const QString& line, const QFont& font, QRgb colour = Ink,
              Align align = Align::Left)
    {
        setFont(font);
        painter.setPen(QColor(colour));
        double left = x;
        if (align != Align::Left) {
            const double width = widthOf(line, font);
            left = align == Align::Right ? x - width : x - width / 2;
        }
        painter.drawText(QPointF(mm(left), mm(y)), line);
    }

    void rule(double x1, double y, double x2, QRgb colour = Rule, double width = 0.25)
    {
        painter.setPen(QPen(QColor(colour), mm(width)));
        painter.drawLine(QPointF(mm(x1), mm(y)), QPointF(mm(x2), mm(y)));
    }

    bool newPage()
    {
        if (!writer.newPage())
            return false;
        ++pageNumber;
        runningHead();
        return true;
    }

    QString title() const { return Texts::tr("Temperature and humidity record"); }

    void runningHead()
    {
        text(Margin, TopMargin + 2.5, title(), small, Muted);
        text(PageWidth - Margin, TopMargin + 2.5, fileName, small, Muted, Align::Right);
        rule(Margin, TopMargin + 4, PageWidth - Margin);
        footer();
    }

    void footer()
    {
        rule(Margin, FooterTop, PageWidth - Margin);
        const QString fileLabel = Texts::tr("File: %1").arg(fileName);
        text(Margin, FooterTop + 4, fileLabel, small, Muted);
        const double hashLeft = Margin + widthOf(fileLabel, small) + 4;
        const QString hashLabel = Texts::tr("SHA-256:");
        text(hashLeft, FooterTop + 4, hashLabel, small, Muted);
        text(hashLeft + widthOf(hashLabel, small) + 1.5, FooterTop + 4, hash, hashFace, Ink);
        text(Margin, FooterTop + 8, Texts::tr("Made %1").arg(madeText()), small, Muted);
        text(PageWidth - Margin, FooterTop + 8,
             Texts::tr("page %1 of %2").arg(pageNumber).arg(plan.pages()), smallBold, Ink,
             Align::Right);
    }

    QString madeText() const
    {
        return madeAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")) +
               madeAt.timeZoneAbbreviation();
    }

    // A section's title with a rule below; the content begins at the returned y.
    double section(double y, const QString& name)
    {
        text(Margin, y + 4, name, heading, Ink);
        rule(Margin, y + 5.6, PageWidth - Margin, Ink, 0.3);
        return y + 9;
    }

    void firstPage()
    {
        footer();
        double y = TopMargin;
        text(Margin, y + 6, title(), titleFace, Ink);
        y += 11;
        setFont(body);
        text(Margin, y,
             painter.fontMetrics().elidedText(Texts::tr("File: %1").arg(filePath), Qt::ElideMiddle,
                                              int(mm(ContentWidth))),
             body, Muted);
        y += 5;
        y = settings(section(y, Texts::tr("Logger settings")));
        y = verdict(y + 2);
        y = figureTable(section(y + 3, Texts::tr("Figures")));
        if (!f.events.isEmpty())
            y = eventTable(section(y + 2, Texts::tr("Excursions")), 0, plan.eventsOnFirstPage);
        if (plan.eventPages > 0) {
            text(Margin, y + 3, Texts::tr("Continued on page 2."), body, Muted);
            y += 4;
        }
        charts(y + 2);
        signature();
    }

    double settings(double y)
    {
        const double column = ContentWidth / 2;
        const double labelWidth = 34;
        const bool celsius = f.celsius;
        const figures::Bounds& t = f.temperature.bounds;
        const figures::Bounds& h = f.humidity.bounds;
        QString records = QString::number(f.records);
        if (f.partial)
            records = Texts::tr("%1 of %2 announced").arg(f.records).arg(f.announced);
        const QString limits = Texts::tr("high %1, low %2");
        const std::pair<QString, QString> cells[] = {
            {Texts::tr("Start"), timeText(f.first)},
            {Texts::tr("Records"), records},
            {Texts::tr("End"), timeText(f.last)},
            {Texts::tr("Temperature limits"),
             limits.arg(limitText(Quantity::Temperature, t.highTenths, celsius),
                        limitText(Quantity::Temperature, t.lowTenths, celsius))},
            {Texts::tr("Interval"), figures::durationText(f.intervalSeconds)},
            {Texts::tr("Humidity limits"),
             limits.arg(limitText(Quantity::Humidity, h.highTenths, celsius),
                        limitText(Quantity::Humidity, h.lowTenths, celsius))},
        };
        int index = 0;
        for (const auto& [label, value] : cells) {
            const double x = Margin + (index % 2) * column;
            const double baseline = y + 3 + (index / 2) * 5;
            text(x, baseline, label, body, Muted);
            text(x + labelWidth, baseline, value, bodyBold, Ink);
            ++index;
        }
        return y + 3 + 3 * 5;
    }

    double verdict(double y)
    {
        const bool within = f.events.isEmpty() && !f.isEmpty();
        const QRgb accent = within ? SeriesColour : HighColour;
        const double height = 10;
        painter.fillRect(area(Margin, y, ContentWidth, height),
                         QColor(within ? WithinFill : BeyondFill));
        painter.fillRect(area(Margin, y, 1.6, height), QColor(accent));
        const QString label = Texts::tr("Result:");
        text(Margin + 5, y + 6.6, label, body, Muted);
        text(Margin + 7 + widthOf(label, body), y + 6.8, figures::verdict(f), verdictFace, Ink);
        y += height;
        // The figures of a download that stopped early are over what arrived, and say so.
        if (f.partial && !f.isEmpty()) {
            text(Margin, y + 4.5, figures::lines(f).first(), bodyBold, HighColour);
            y += 5;
        }
        return y;
    }

    double figureTable(double y)
    {
        if (f.isEmpty()) {
            text(Margin, y + 3, figures::lines(f).first(), body, Ink);
            return y + 5;
        }
        // The right edges of the columns after the quantity's name: four values, three
        // durations with the count of excursions between them.
        const double widths[] = {16, 16, 16, 16, 23, 23, 19, 23};
        double edges[std::size(widths)];
        double right = PageWidth - Margin;
        for (int i = int(std::size(widths)) - 1; i >= 0; --i) {
            edges[i] = right - 1;
            right -= widths[i];
        }
        const QStringList heads = {Texts::tr("Minimum"),    Texts::tr("Maximum"),
                                   Texts::tr("Mean"),       Texts::tr("MKT"),
                                   Texts::tr("Above high"), Texts::tr("Below low"),
                                   Texts::tr("Excursions"), Texts::tr("Longest")};
        for (int i = 0; i < heads.size(); ++i)
            text(edges[i], y + 3, heads.at(i), smallBold, Muted, Align::Right);
        rule(Margin, y + 4.6, PageWidth - Margin);
        y += 4.6;
        const auto row = [&](Quantity quantity, const figures::QuantityFigures& q) {
            const bool temperature = quantity == Quantity::Temperature;
            const QString name =
                temperature ? Texts::tr("Temperature (%1)") : Texts::tr("Humidity (%1)");
            const QStringList cells = {valueText(q.minimum),
                                       valueText(q.maximum),
                                       valueText(q.mean),
                                       temperature ? valueText(f.meanKineticTemperature)
                                                   : QStringLiteral("–"),
                                       figures::durationText(q.aboveSeconds),
                                       figures::durationText(q.belowSeconds),
                                       QString::number(q.excursions),
                                       figures::durationText(q.longestExcursionSeconds)};
            text(Margin, y + 4, name.arg(unitOf(quantity, f.celsius)), bodyBold, Ink);
            for (int i = 0; i < cells.size(); ++i) {
                const bool beyond =
                    (i == 4 && q.aboveSeconds > 0) || (i == 5 && q.belowSeconds > 0);
                text(edges[i], y + 4, cells.at(i), beyond ? bodyBold : body,
                     beyond ? (i == 4 ? HighColour : LowColour) : Ink, Align::Right);
            }
            y += 5.5;
        };
        row(Quantity::Temperature, f.temperature);
        row(Quantity::Humidity, f.humidity);
        rule(Margin, y + 0.5, PageWidth - Margin);
        text(Margin, y + 4,
             Texts::tr("MKT: mean kinetic temperature, with ΔH/R = %1 K. Each record beyond a "
                       "limit counts one interval.")
                 .arg(figures::ActivationOverGasConstant, 0, 'f', 0),
             small, Muted);
        return y + 6;
    }

    // Excursions `first` to `first + count - 1` as table rows from `y`.
    double eventTable(double y, int first, int count)
    {
        const double columns[] = {0, 10, 40, 78, 122, 150, 180};
        const QStringList heads = {Texts::tr("No."),      Texts::tr("Quantity"),
                                   Texts::tr("Beyond"),   Texts::tr("Begins"),
                                   Texts::tr("Duration"), Texts::tr("Extreme")};
        for (int i = 0; i < heads.size(); ++i) {
            const bool right = i == 0 || i >= 4;
            text(Margin + (right ? columns[i + 1] - 2 : columns[i]), y + 3, heads.at(i), smallBold,
                 Muted, right ? Align::Right : Align::Left);
        }
        rule(Margin, y + 4.6, PageWidth - Margin);
        y += 4.6;
        for (int i = first; i < first + count && i < f.events.size(); ++i) {
            const figures::Excursion& e = f.events.at(i);
            const bool high = e.limit == figures::Limit::High;
            const bool temperature = e.quantity == Quantity::Temperature;
            const figures::QuantityFigures& q = temperature ? f.temperature : f.humidity;
            const QString limit =
                limitText(e.quantity, high ? q.bounds.highTenths : q.bounds.lowTenths, f.celsius);
            const double baseline = y + 3.4;
            const QRgb colour = high ? HighColour : LowColour;
            text(Margin + columns[1] - 2, baseline, QString::number(i + 1), body, Ink,
                 Align::Right);
            text(Margin + columns[1], baseline,
                 temperature ? Texts::tr("Temperature") : Texts::tr("Humidity"), body);
            text(Margin + columns[2], baseline,
                 (high ? Texts::tr("above %1") : Texts::tr("below %1")).arg(limit), bodyBold,
                 colour);
            text(Margin + columns[3], baseline, timeText(e.first), body);
            text(Margin + columns[5] - 2, baseline, figures::durationText(e.durationSeconds), body,
                 Ink, Align::Right);
            text(Margin + columns[6] - 2, baseline,
                 valueText(e.extreme) + QLatin1Char(' ') + unitOf(e.quantity, f.celsius) +
                     (high ? QStringLiteral(" ▲") : QStringLiteral(" ▼")),
                 bodyBold, colour, Align::Right);
            y += EventRowHeight;
        }
        rule(Margin, y + 0.6, PageWidth - Margin);
        return y + 2;
    }

    void charts(double y)
    {
        if (f.isEmpty())
            return;
        const double bottom = ContentBottom - SignatureHeight - 2;
        const double height = std::min((bottom - y - ChartGap) / 2, MaxChartHeight);
        Chart temperature{
            Texts::tr("Temperature (%1)").arg(unitOf(Quantity::Temperature, f.celsius)),
            Quantity::Temperature,
            {},
            f.temperature.bounds};
        Chart humidity{Texts::tr("Humidity (%1)").arg(unitOf(Quantity::Humidity, f.celsius)),
                       Quantity::Humidity,
                       {},
                       f.humidity.bounds};
        temperature.values.reserve(f.records);
        humidity.values.reserve(f.records);
        for (const SavedRecord& record : data.records) {
            temperature.values.append(double(record.temperature));
            humidity.values.append(double(record.humidity));
        }
        chart(y, height, temperature);
        chart(y + height + ChartGap, height, humidity);
    }

    // One quantity over time, its value axis fitted to the values and both alarm lines.
    void chart(double top, double height, const Chart& c)
    {
        text(Margin, top + 3.5, c.title, bodyBold, Ink);
        const double left = Margin + 13;
        const double right = PageWidth - Margin - 1;
        const double plotTop = top + 6;
        const double plotBottom = top + height - 8;
        const double high = c.bounds.highTenths / 10.0;
        const double low = c.bounds.lowTenths / 10.0;
        const auto [least, most] = std::minmax_element(c.values.begin(), c.values.end());
        double lowest = std::min(*least, low);
        double highest = std::max(*most, high);
        const double margin = std::max((highest - lowest) * 0.06, 0.5);
        lowest -= margin;
        highest += margin;
        const double step = niceStep(highest - lowest, 5);
        lowest = std::floor(lowest / step) * step;
        highest = std::ceil(highest / step) * step;
        const auto yOf = [&](double value) {
            return plotBottom - (value - lowest) / (highest - lowest) * (plotBottom - plotTop);
        };

        // The value grid and its labels.
        const int decimals = step < 1 ? 1 : 0;
        for (int k = 0; lowest + k * step <= highest + step / 2; ++k) {
            const double v = lowest + k * step;
            rule(left, yOf(v), right, Grid, 0.2);
            text(left - 1.5, yOf(v) + 1, QString::number(v, 'f', decimals), small, Muted,
                 Align::Right);
        }

        // The time axis: the records at their own stamps, one interval after the start.
        const int interval = f.intervalSeconds;
        const QDateTime first = data.header.start().addSecs(interval);
        const double span = double(std::max(c.values.size() - 1, 1)) * std::max(interval, 1);
        const auto xOf = [&](double seconds) { return left + seconds / span * (right - left); };
        timeTicks(first, span, QRectF(left, plotTop, right - left, plotBottom - plotTop));

        // The series: per sliver of the width its first, lowest, highest and last value,
        // so that no excursion is lost between the points a page can show.
        QPolygonF line;
        const int slivers = int((right - left) / 0.2);
        const int n = c.values.size();
        if (n <= 2 * slivers) {
            for (int i = 0; i < n; ++i)
                line << QPointF(mm(xOf(double(i) * interval)), mm(yOf(c.values.at(i))));
        } else {
            for (int s = 0; s < slivers; ++s) {
                const int from = int(qint64(s) * n / slivers);
                const int to = int(qint64(s + 1) * n / slivers);
                const auto [lo, hi] =
                    std::minmax_element(c.values.begin() + from, c.values.begin() + to);
                const int iLow = int(lo - c.values.begin());
                const int iHigh = int(hi - c.values.begin());
                for (int i : {from, std::min(iLow, iHigh), std::max(iLow, iHigh), to - 1})
                    line << QPointF(mm(xOf(double(i) * interval)), mm(yOf(c.values.at(i))));
            }
        }
        const QRectF plot = area(left, plotTop, right - left, plotBottom - plotTop);
        painter.setRenderHint(QPainter::Antialiasing);
        const auto drawSeries = [&](QRgb colour, const QRectF& clip) {
            painter.save();
            painter.setClipRect(clip);
            painter.setPen(
                QPen(QColor(colour), mm(0.3), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            painter.drawPolyline(line);
            if (n == 1) {
                painter.setBrush(QColor(colour));
                painter.drawEllipse(line.first(), mm(0.6), mm(0.6));
            }
            painter.restore();
        };
        drawSeries(SeriesColour, plot);
        // Beyond the limits the line takes the limit's colour.
        drawSeries(HighColour, QRectF(plot.topLeft(), QPointF(plot.right(), mm(yOf(high)))));
        drawSeries(LowColour, QRectF(QPointF(plot.left(), mm(yOf(low))), plot.bottomRight()));

        // The alarm lines, named, so that they read in black and white too.
        // On a white ground, so that the series does not run through the name.
        const auto alarmLine = [&](int tenths, QRgb colour, const QString& name, bool above) {
            const double y = yOf(tenths / 10.0);
            painter.setPen(QPen(QColor(colour), mm(0.3), Qt::DashLine));
            painter.drawLine(QPointF(mm(left), mm(y)), QPointF(mm(right), mm(y)));
            const QString label = name.arg(limitText(c.quantity, tenths, f.celsius));
            const double width = widthOf(label, small);
            const double baseline = y + (above ? -1 : 2.8);
            painter.fillRect(area(right - 1.5 - width, baseline - 2.3, width + 1, 2.9), Qt::white);
            text(right - 1, baseline, label, small, colour, Align::Right);
        };
        alarmLine(c.bounds.highTenths, HighColour, Texts::tr("High %1"), true);
        alarmLine(c.bounds.lowTenths, LowColour, Texts::tr("Low %1"), false);
        painter.setRenderHint(QPainter::Antialiasing, false);

        painter.setPen(QPen(QColor(Rule), mm(0.25)));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(plot);
    }

    // Ticks at whole minutes, hours or days; the date under the first tick and wherever it
    // changes.
    void timeTicks(const QDateTime& first, double span, const QRectF& plot)
    {
        if (!first.isValid())
            return;
        qint64 step = TimeSteps[std::size(TimeSteps) - 1];
        for (qint64 candidate : TimeSteps)
            if (span / double(candidate) <= MaxTimeTicks - 1) {
                step = candidate;
                break;
            }
        const qint64 start = first.toSecsSinceEpoch();
        const qint64 firstTick = (start + step - 1) / step * step;
        const double bottom = plot.bottom();
        QDate lastDate;
        for (qint64 tick = firstTick; double(tick - start) <= span; tick += step) {
            const double x = plot.left() + double(tick - start) / span * plot.width();
            const QDateTime at = QDateTime::fromSecsSinceEpoch(tick, Qt::UTC);
            painter.setPen(QPen(QColor(Grid), mm(0.2)));
            painter.drawLine(QPointF(mm(x), mm(plot.top())), QPointF(mm(x), mm(bottom)));
            painter.setPen(QPen(QColor(Rule), mm(0.25)));
            painter.drawLine(QPointF(mm(x), mm(bottom)), QPointF(mm(x), mm(bottom + 1)));
            const bool days = step >= 86400;
            tickLabel(x, bottom + 3.8,
                      at.toString(days        ? "yyyy-MM-dd"
                                  : step < 60 ? "HH:mm:ss"
                                              : "HH:mm"),
                      plot);
            if (!days && at.date() != lastDate)
                tickLabel(x, bottom + 6.8, at.toString(QStringLiteral("yyyy-MM-dd")), plot);
            lastDate = at.date();
        }
    }

    // Centred under its tick, but not beyond the plot's edges.
    void tickLabel(double x, double y, const QString& label, const QRectF& plot)
    {
        const double width = widthOf(label, small);
        text(std::clamp(x - width / 2, plot.left(), plot.right() - width), y, label, small, Muted);
    }

    void signature()
    {
        const double top = ContentBottom - SignatureHeight;
        rule(Margin, top, PageWidth - Margin, Ink, 0.3);
        const std::pair<QString, double> fields[] = {
            {Texts::tr("Checked by"), 70}, {Texts::tr("Date"), 40}, {Texts::tr("Signature"), 70}};
        double x = Margin;
        for (const auto& [label, width] : fields) {
            text(x, top + 5, label, bodyBold, Ink);
            rule(x, top + 14, x + width - 6, Ink, 0.3);
            x += width;
        }
    }

    void eventPage(int page)
    {
        const int first = plan.eventsOnFirstPage + page * plan.eventsPerPage;
        eventTable(section(TopMargin + RunningHeadHeight, Texts::tr("Excursions (continued)")),
                   first, plan.eventsPerPage);
    }

    void measureRecordColumns()
    {
        numberWidth = widthOf(QStringLiteral("00000"), recordFace);
        timeWidth = widthOf(QStringLiteral("0000-00-00 00:00:00"), recordFace);
        markRoom = widthOf(QStringLiteral(" ▲"), recordMark);
        valueWidth = std::max({widthOf(QStringLiteral("-000.0"), recordMark),
                               widthOf(unitOf(Quantity::Temperature, f.celsius), recordHead),
                               widthOf(QStringLiteral("%RH"), recordHead)}) +
                     markRoom + ColumnGap;
        blockWidth = numberWidth + ColumnGap + timeWidth + 2 * valueWidth;
    }

    void planPages()
    {
        plan.eventsOnFirstPage = std::min(int(f.events.size()), EventsOnFirstPage);
        const double eventsTop = TopMargin + RunningHeadHeight + 9 + 4.6;
        plan.eventsPerPage = std::max(1, int((ContentBottom - eventsTop - 2) / EventRowHeight));
        const int more = int(f.events.size()) - plan.eventsOnFirstPage;
        plan.eventPages = (more + plan.eventsPerPage - 1) / plan.eventsPerPage;
        plan.blocks =
            std::max(1, int((ContentWidth + RecordBlockGutter) / (blockWidth + RecordBlockGutter)));
        plan.rowsPerBlock = std::max(1, int((ContentBottom - recordsTop()) / RecordRowHeight));
        const int perPage = plan.rowsPerBlock * plan.blocks;
        plan.recordPages = (f.records + perPage - 1) / perPage;
    }

    double recordsTop() const { return TopMargin + RunningHeadHeight + 9 + 5 + 5; }

    void recordPage(int page)
    {
        double y = section(TopMargin + RunningHeadHeight, Texts::tr("Records"));
        text(Margin, y + 1.5,
             Texts::tr("Values above the high limit are marked ▲, values below the low limit ▼."),
             body, Muted);
        // The blocks spread over the width, the last one ending at the margin.
        const double pitch =
            plan.blocks > 1 ? (ContentWidth - blockWidth) / (plan.blocks - 1) : ContentWidth;
        const double headLine = recordsTop() - 1.4;
        const figures::Bounds t = f.temperature.bounds;
        const figures::Bounds h = f.humidity.bounds;
        const int first = page * plan.rowsPerBlock * plan.blocks;
        for (int b = 0; b < plan.blocks; ++b) {
            const double x = Margin + b * pitch;
            const double numberRight = x + numberWidth;
            const double timeLeft = numberRight + ColumnGap;
            // Where plain values end; a mark follows a value beyond a limit.
            const double temperatureRight = timeLeft + timeWidth + valueWidth - markRoom;
            const double humidityRight = temperatureRight + valueWidth;
            const int from = first + b * plan.rowsPerBlock;
            if (from >= f.records)
                break;
            text(numberRight, headLine, Texts::tr("No."), recordHead, Muted, Align::Right);
            text(timeLeft, headLine, Texts::tr("Time"), recordHead, Muted);
            text(temperatureRight, headLine, unitOf(Quantity::Temperature, f.celsius), recordHead,
                 Muted, Align::Right);
            text(humidityRight, headLine, unitOf(Quantity::Humidity, f.celsius), recordHead, Muted,
                 Align::Right);
            rule(x, headLine + 1, x + blockWidth);
            const int to = std::min(from + plan.rowsPerBlock, f.records);
            for (int i = from; i < to; ++i) {
                const double top = recordsTop() + (i - from) * RecordRowHeight;
                if ((i - from) % 2 == 1)
                    painter.fillRect(area(x, top, blockWidth, RecordRowHeight), QColor(Shade));
                const double baseline = top + 2.45;
                const SavedRecord& r = data.records.at(i);
                text(numberRight, baseline, QString::number(i + 1), recordFace, Muted,
                     Align::Right);
                const QString iso = logged::isoTimeText(r.time);
                text(timeLeft, baseline, iso.isEmpty() ? QStringLiteral("–") : iso, recordFace);
                recordValue(temperatureRight, baseline, r.temperature, t);
                recordValue(humidityRight, baseline, r.humidity, h);
            }
        }
    }

    // A value beyond a limit in the limit's colour, bold and marked, so that it is found on a
    // page printed in black and white too. Values end at `right` whether marked or not.
    void recordValue(double right, double baseline, float value, const figures::Bounds& bounds)
    {
        const figures::Beyond side = figures::beyond(value, bounds);
        if (side == figures::Beyond::None) {
            text(right, baseline, valueText(double(value)), recordFace, Ink, Align::Right);
            return;
        }
        const bool high = side == figures::Beyond::High;
        const QRgb colour = high ? HighColour : LowColour;
        text(right, baseline, valueText(double(value)), recordMark, colour, Align::Right);
        text(right, baseline, high ? QStringLiteral(" ▲") : QStringLiteral(" ▼"), recordMark,
             colour);
    }

    QPdfWriter& writer;
    const SavedData& data;
    const figures::Figures f;
    const QString fileName;
    const QString filePath;
    const QString hash;
    const QDateTime madeAt;
    QPainter painter;
    Plan plan;
    int pageNumber = 1;
    const QFont* currentFont = nullptr;
    QHash<QPair<const QFont*, QString>, double> measured;
    double numberWidth = 0;
    double timeWidth = 0;
    double valueWidth = 0;
    double markRoom = 0;
    double blockWidth = 0;

    const QFont titleFace = face(16, true);
    const QFont heading = face(10.5, true);
    const QFont verdictFace = face(11, true);
    const QFont body = face(8);
    const QFont bodyBold = face(8, true);
    const QFont small = face(6.5);
    const QFont smallBold = face(6.5, true);
    const QFont recordFace = condensed(7);
    const QFont recordMark = condensed(7, true);
    const QFont recordHead = condensed(6.5, true);
    const QFont hashFace = monospace(6.5);
};

bool build(const Source& source, const QString& sha256, const QString& path)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(Resolution);
    writer.setCreator(QStringLiteral("Hygrolux"));
    writer.setTitle(Texts::tr("Temperature and humidity record") + QStringLiteral(" – ") +
                    QFileInfo(source.filePath).fileName());
    Document document(writer, source, sha256);
    return document.write() && exports::isCompletePdf(path);
}

// The SHA-256 of the file's bytes as they are now, in hexadecimal; false with the reason
// when the file cannot be read.
bool sha256Of(const QString& path, QString* hash, QString* reason)
{
    QFile file(path);
    QCryptographicHash sha(QCryptographicHash::Sha256);
    if (file.open(QIODevice::ReadOnly) && sha.addData(&file) && file.error() == QFile::NoError) {
        *hash = QString::fromLatin1(sha.result().toHex());
        return true;
    }
    *reason = Reasons::tr("the data file %1 cannot be read (%2)").arg(path, file.errorString());
    return false;
}

} // namespace

exports::Outcome save(const Source& source, const exports::Target& target)
{
    const QString refusal = exports::refusalOf(target);
    if (!refusal.isEmpty())
        return {false, refusal};
    if (exports::keptFileNamedBy({target.name, source.filePath}) == source.filePath)
        return {false, Reasons::tr("%1 is the file the report is made from; choose another name")
                           .arg(target.name)};
    QString hash;
    QString reason;
    if (!sha256Of(source.filePath, &hash, &reason))
        return {false, reason};
    return exports::saveBuiltFile([&](const QString& path) { return build(source, hash, path); },
                                  Reasons::tr("the PDF document could not be built"), target);
}

} // namespace auditreport
