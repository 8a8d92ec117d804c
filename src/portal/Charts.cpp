#include "portal/Charts.h"

#include "portal/PortalHtml.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>

using namespace Qt::StringLiterals;

namespace portal::charts {

namespace {

// Every chart is drawn 360 wide, the narrowest phone, and scaled to its place.
constexpr double kWidth = 360;
constexpr double kLeft = 34, kRight = 6, kTop = 10, kBottom = 22;

// Coordinates with one decimal, a full stop whatever the locale.
void appendNum(QString &out, double value)
{
    const double tenths = std::round(value * 10);
    if (!(std::abs(tenths) < 1e15)) {
        char buffer[32];
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, tenths / 10, std::chars_format::fixed, 1).ptr;
        out += QLatin1StringView(buffer, end - buffer);
        return;
    }
    // The sign of -0 kept, as to_chars writes it.
    html::appendTenths(out, quint64(std::abs(tenths)), std::signbit(tenths) ? u'-' : char16_t(0));
}

QString num(double value)
{
    QString out;
    appendNum(out, value);
    return out;
}

// The top of the scale: 1, 2, 4 or 5 times a power of ten, at least the
// largest value, so the middle line is a round figure as well.
qint64 scaleTop(qint64 largest)
{
    if (largest <= 2)
        return 2;
    for (qint64 power = 1;; power *= 10) {
        for (qint64 m : {1, 2, 4, 5}) {
            if (m * power >= largest)
                return m * power;
        }
    }
}

QString start(const QString &title, const QString &description, double height, const QString &legend = {})
{
    QString out = u"<figure class=\"chart\"><figcaption>"_s + html::escape(title) + legend +
                  u"</figcaption>\r\n<svg viewBox=\"0 0 360 "_s + num(height) +
                  u"\" width=\"100%\" role=\"img\" aria-label=\""_s + html::escape(description) + u"\"><title>"_s +
                  html::escape(description) + u"</title>\r\n"_s;
    return out;
}

QString end()
{
    return u"</svg></figure>\r\n"_s;
}

// The pieces below are appended to the chart rather than returned: a page
// of charts is made of hundreds of them.
void appendCoordinate(QString &out, QStringView attribute, double value)
{
    out += u' ';
    out += attribute;
    out += u"=\""_s;
    appendNum(out, value);
    out += u'"';
}

void appendText(QString &out, double x, double y, QStringView anchor, QStringView content)
{
    out += u"<text"_s;
    appendCoordinate(out, u"x", x);
    appendCoordinate(out, u"y", y);
    out += u" text-anchor=\""_s;
    out += anchor;
    out += u"\">"_s;
    out += content;
    out += u"</text>"_s;
}

void appendRule(QString &out, double x1, double y1, double x2, double y2)
{
    out += u"<line class=\"g\""_s;
    appendCoordinate(out, u"x1", x1);
    appendCoordinate(out, u"y1", y1);
    appendCoordinate(out, u"x2", x2);
    appendCoordinate(out, u"y2", y2);
    out += u"/>"_s;
}

void appendRect(QString &out, QStringView cls, double x, double y, double w, double h, QStringView tip)
{
    out += u"<rect class=\""_s;
    out += cls;
    out += u'"';
    appendCoordinate(out, u"x", x);
    appendCoordinate(out, u"y", y);
    appendCoordinate(out, u"width", w);
    appendCoordinate(out, u"height", h);
    out += u"><title>"_s;
    out += tip;
    out += u"</title></rect>"_s;
}

// Rectangles drawn as one path.
class Shapes
{
public:
    void add(double x, double y, double w, double h)
    {
        if (w <= 0 || h <= 0)
            return;
        // Appended piece by piece: a chart has hundreds of these.
        m_d += u'M';
        appendNum(m_d, x);
        m_d += u',';
        appendNum(m_d, y);
        m_d += u'h';
        appendNum(m_d, w);
        m_d += u'v';
        appendNum(m_d, h);
        m_d += u'h';
        appendNum(m_d, -w);
        m_d += u'z';
    }
    QString path(const QString &cls, const QString &extra = {}) const
    {
        if (m_d.isEmpty())
            return {};
        return u"<path class=\""_s + cls + u"\" d=\""_s + m_d + u'"' + extra + u"/>\r\n"_s;
    }

private:
    QString m_d;
};

// Lines across the plot at the bottom, the middle and the top of the scale.
QString scale(double plotHeight, const QString &low, const QString &middle, const QString &high)
{
    const double bottom = kTop + plotHeight;
    QString out;
    const std::pair<double, const QString &> marks[] = {{bottom, low}, {kTop + plotHeight / 2, middle}, {kTop, high}};
    for (const auto &[y, label] : marks) {
        appendRule(out, kLeft, y, kWidth - kRight, y);
        appendText(out, kLeft - 4, y + 3.5, u"end"_s, label);
    }
    return out + u"\r\n"_s;
}

QString legend(const std::vector<Series> &series)
{
    if (series.size() < 2)
        return {};
    QString out;
    for (size_t s = 0; s < series.size(); ++s)
        out += u" <span class=\"key k"_s + html::integer(qint64(s) + 1) + u"\">"_s + html::escape(series[s].name) +
               u"</span>"_s;
    return out;
}

const char16_t *const kDayNames[] = {u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat", u"Sun"};

// A name as the pages show it, before escaping: without the blanks the
// game pads it with, and a name of blanks only as a visible sign.
QString plainName(const QString &name)
{
    qsizetype end = name.size();
    while (end > 0 && name.at(end - 1) == u' ')
        --end;
    return end == 0 ? u"\u2423"_s : name.left(end);
}

} // namespace

QString columns(const QString &title, const QString &description, const std::vector<QString> &labels,
                const std::vector<Series> &series, size_t labelEvery)
{
    constexpr double height = 170, plotHeight = height - kTop - kBottom;
    qint64 largest = 0;
    for (const Series &s : series)
        for (qint64 v : s.values)
            largest = std::max(largest, v);
    const qint64 top = scaleTop(largest);

    QString out = start(title, description, height, legend(series));
    out += scale(plotHeight, u"0"_s, html::integer(top / 2), html::integer(top));
    const double slot = (kWidth - kLeft - kRight) / double(std::max<size_t>(labels.size(), 1));
    const double barWidth = slot * 0.8 / double(std::max<size_t>(series.size(), 1));
    // A series is one path of its bars: a page of many charts stays small.
    for (size_t s = 0; s < series.size(); ++s) {
        Shapes bars;
        for (size_t i = 0; i < labels.size() && i < series[s].values.size(); ++i) {
            const double h = double(std::max<qint64>(series[s].values[i], 0)) / double(top) * plotHeight;
            bars.add(kLeft + double(i) * slot + slot * 0.1 + double(s) * barWidth, kTop + plotHeight - h, barWidth, h);
        }
        out += bars.path(u"b k"_s + html::integer(qint64(s) + 1));
    }
    for (size_t i = 0; labelEvery > 0 && i < labels.size(); i += labelEvery)
        appendText(out, kLeft + (double(i) + 0.5) * slot, height - 6, u"middle"_s, html::escape(labels[i]));
    return out + u"\r\n"_s + end();
}

QString bars(const QString &title, const QString &description, const std::vector<QString> &labels,
             const std::vector<qint64> &values)
{
    constexpr double rowHeight = 20, labelWidth = 120, valueWidth = 40;
    const double height = rowHeight * double(labels.size()) + 4;
    qint64 largest = 1;
    for (qint64 v : values)
        largest = std::max(largest, v);
    QString out = start(title, description, height);
    const double room = kWidth - labelWidth - valueWidth;
    for (size_t i = 0; i < labels.size(); ++i) {
        const double y = 2 + rowHeight * double(i);
        const qint64 v = i < values.size() ? values[i] : 0;
        const double w = double(std::max<qint64>(v, 0)) / double(largest) * room;
        const QString label = html::escape(labels[i]);
        appendText(out, labelWidth - 6, y + 14, u"end"_s, label);
        appendRect(out, u"b k1"_s, labelWidth, y + 3, w, rowHeight - 6, QString(label + u": "_s + html::integer(v)));
        appendText(out, labelWidth + w + 4, y + 14, u"start"_s, html::integer(v));
        out += u"\r\n"_s;
    }
    return out + end();
}

QString weekHours(const QString &title, const QString &description, const WeekHours &counts)
{
    constexpr double cellHeight = 15, bottom = 18;
    constexpr int kShades = 4;
    const double cellWidth = (kWidth - kLeft - kRight) / 24;
    const double height = kTop + 7 * cellHeight + bottom;
    qint64 largest = 1;
    for (const auto &day : counts)
        for (qint64 c : day)
            largest = std::max(largest, c);
    QString out = start(title, description, height);
    out += u"<rect class=\"z\" x=\""_s + num(kLeft) + u"\" y=\""_s + num(kTop) + u"\" width=\""_s +
           num(24 * cellWidth) + u"\" height=\""_s + num(7 * cellHeight) + u"\"/>\r\n"_s;
    // Hours in four shades by their share of the busiest hour, one path a shade.
    std::array<Shapes, kShades> shades;
    for (int d = 0; d < 7; ++d) {
        appendText(out, kLeft - 4, kTop + d * cellHeight + 11, u"end"_s, QStringView(kDayNames[d]));
        for (int h = 0; h < 24; ++h) {
            const qint64 c = counts[size_t(d)][size_t(h)];
            if (c <= 0)
                continue;
            const int shade = int((c * kShades + largest - 1) / largest) - 1;
            shades[size_t(shade)].add(kLeft + h * cellWidth + 0.5, kTop + d * cellHeight + 0.5, cellWidth - 1,
                                      cellHeight - 1);
        }
    }
    out += u"\r\n"_s;
    for (int shade = 0; shade < kShades; ++shade)
        out += shades[size_t(shade)].path(u"b k1"_s, u" fill-opacity=\""_s + num(double(shade + 1) / kShades) + u'"');
    for (int h = 0; h < 24; h += 6)
        appendText(out, kLeft + h * cellWidth, height - 5, u"start"_s, QString(html::integer(h) + u":00"_s));
    return out + u"\r\n"_s + end();
}

QString line(const QString &title, const QString &description, const std::vector<Point> &points,
             const QString &firstLabel, const QString &lastLabel)
{
    constexpr double height = 170, plotHeight = height - kTop - kBottom;
    double low = 0, high = 1;
    if (!points.empty()) {
        low = high = points.front().y;
        for (const Point &p : points) {
            low = std::min(low, p.y);
            high = std::max(high, p.y);
        }
        // Rounded outward to whole units, never a scale of nothing.
        low = std::floor(low);
        high = std::max(std::ceil(high), low + 1);
    }
    QString out = start(title, description, height);
    out += scale(plotHeight, num(low), num((low + high) / 2), num(high));
    if (!points.empty()) {
        const qint64 first = points.front().x, last = points.back().x;
        const double span = double(std::max<qint64>(last - first, 1));
        const double plotWidth = kWidth - kLeft - kRight;
        out += u"<polyline class=\"ln\" points=\""_s;
        for (size_t i = 0; i < points.size(); ++i) {
            const double x =
                points.size() == 1 ? kLeft + plotWidth / 2 : kLeft + double(points[i].x - first) / span * plotWidth;
            const double y = kTop + (high - points[i].y) / (high - low) * plotHeight;
            if (i > 0)
                out += u' ';
            appendNum(out, x);
            out += u',';
            appendNum(out, y);
        }
        out += u"\"/>\r\n"_s;
    }
    appendText(out, kLeft, height - 6, u"start"_s, html::escape(firstLabel));
    appendText(out, kWidth - kRight, height - 6, u"end"_s, html::escape(lastLabel));
    return out + u"\r\n"_s + end();
}

QString playerCharts(const std::vector<Row> &rows, const QDate &lastDay)
{
    constexpr int kWeeks = 26;
    QDate newest;
    WeekHours hours{};
    qint64 timed = 0;
    std::vector<QDate> days; // of each row's game, read from its texts once
    days.reserve(rows.size());
    for (const Row &row : rows) {
        const GameMoment m = GameMoment::of(row.game);
        days.push_back(m.date);
        if (!m.date.isValid() || (lastDay.isValid() && m.date > lastDay))
            continue;
        newest = newest.isValid() ? std::max(newest, m.date) : m.date;
        if (m.seconds >= 0) {
            ++hours[size_t(m.date.dayOfWeek() - 1)][size_t(m.seconds / 3600)];
            ++timed;
        }
    }
    if (!newest.isValid())
        return {};

    const QDate lastMonday = newest.addDays(1 - newest.dayOfWeek());
    const QDate firstMonday = lastMonday.addDays(-7 * (kWeeks - 1));
    Series kills{u"kills"_s, std::vector<qint64>(kWeeks)}, deaths{u"deaths"_s, std::vector<qint64>(kWeeks)};
    for (size_t i = 0; i < rows.size(); ++i) {
        const QDate &day = days[i];
        if (!day.isValid() || day < firstMonday || day > newest)
            continue;
        const size_t week = size_t(firstMonday.daysTo(day) / 7);
        kills.values[week] += rows[i].kills;
        deaths.values[week] += rows[i].deaths;
    }
    std::vector<QString> labels;
    for (int w = 0; w < kWeeks; ++w)
        labels.push_back(html::monthAndDay(firstMonday.addDays(7 * w)));
    const qint64 mostKills = *std::max_element(kills.values.begin(), kills.values.end());
    QString out = columns(u"Kills and deaths per week"_s,
                          u"Kills and deaths in each of the "_s + html::integer(kWeeks) + u" weeks from "_s +
                              html::isoDate(firstMonday) + u" to "_s + html::isoDate(lastMonday.addDays(6)) +
                              u"; most kills in a week: "_s + html::integer(mostKills) + u'.',
                          labels, {kills, deaths}, 5);

    int busiestDay = 0, busiestHour = 0;
    for (int d = 0; d < 7; ++d)
        for (int h = 0; h < 24; ++h)
            if (hours[size_t(d)][size_t(h)] > hours[size_t(busiestDay)][size_t(busiestHour)]) {
                busiestDay = d;
                busiestHour = h;
            }
    if (timed > 0) {
        out += weekHours(u"When they play"_s,
                         u"Games by hour of the day and day of the week, "_s + html::integer(timed) +
                             u" games; most often on "_s + QString::fromUtf16(kDayNames[busiestDay]) + u" at "_s +
                             html::integer(busiestHour) + u":00."_s,
                         hours);
    }
    return out;
}

QString gamesPerDay(const QDate &last, const std::vector<qint64> &counts)
{
    if (!last.isValid() || counts.empty())
        return {};
    const qint64 days = qint64(counts.size());
    const QDate first = last.addDays(1 - days);
    std::vector<QString> labels;
    qint64 all = 0;
    for (qint64 d = 0; d < days; ++d) {
        labels.push_back(html::monthAndDay(first.addDays(d)));
        all += counts[size_t(d)];
    }
    return columns(u"Games per day"_s,
                   u"Games played on each of the "_s + html::integer(days) + u" days from "_s + html::isoDate(first) +
                       u" to "_s + html::isoDate(last) + u", "_s + html::integer(all) + u" in all."_s,
                   labels, {{u"games"_s, counts}}, 7);
}

QString mapsPlayed(const std::vector<MapSummary> &maps)
{
    constexpr size_t kShown = 10;
    constexpr qsizetype kLongestName = 16;
    std::vector<const MapSummary *> order;
    for (const MapSummary &m : maps)
        order.push_back(&m);
    std::sort(order.begin(), order.end(), [](const MapSummary *a, const MapSummary *b) {
        return a->games != b->games ? a->games > b->games : a->name < b->name;
    });
    if (order.size() > kShown)
        order.resize(kShown);
    if (order.empty())
        return {};
    std::vector<QString> labels;
    std::vector<qint64> values;
    for (const MapSummary *m : order) {
        const QString name = plainName(m->name);
        labels.push_back(name.size() > kLongestName ? name.left(kLongestName - 1) + u"\u2026"_s : name);
        values.push_back(m->games);
    }
    const QString description = u"Games played on the "_s + html::integer(qint64(order.size())) +
                                u" most played maps; most of all "_s + plainName(order.front()->name) + u", "_s +
                                html::integer(order.front()->games) + u" games."_s;
    return bars(u"How often each map is played"_s, description, labels, values);
}

} // namespace portal::charts
