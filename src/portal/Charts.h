#pragma once

#include "portal/PortalModel.h"

#include <QDate>
#include <QString>

#include <array>
#include <vector>

// Charts as inline SVG: no script, nothing fetched. Their colours come from
// the stylesheet's variables (so they follow light and dark), they scale to
// the width of the page, and each says in words what it shows, for screen
// readers. Their markup depends on the values alone.
namespace portal::charts {

struct Series {
    QString name;
    std::vector<qint64> values; // one a column
};

// Columns over a sequence (of days, of weeks), one or two series side by
// side; `labels` has one text a column, of which every `labelEvery`th is shown.
QString columns(const QString &title, const QString &description, const std::vector<QString> &labels,
                const std::vector<Series> &series, size_t labelEvery);

// One bar a line, longest first as given: for a few named things.
QString bars(const QString &title, const QString &description, const std::vector<QString> &labels,
             const std::vector<qint64> &values);

// How often something happened at each hour (0 to 23) of each day of the
// week (Monday first).
using WeekHours = std::array<std::array<qint64, 24>, 7>;
QString weekHours(const QString &title, const QString &description, const WeekHours &counts);

// A value over time: the points in order of x (any measure of time, such as
// days), with texts for the first and the last x.
struct Point {
    qint64 x;
    double y;
};
QString line(const QString &title, const QString &description, const std::vector<Point> &points,
             const QString &firstLabel, const QString &lastLabel);

// A player's kills and deaths per week, and when they play, from their
// rows; rows dated after `lastDay` (when valid) are left out.
QString playerCharts(const std::vector<Row> &rows, const QDate &lastDay);

// Games per day over the `counts.size()` days up to `last`.
QString gamesPerDay(const QDate &last, const std::vector<qint64> &counts);

// How often each map is played, the most played first.
QString mapsPlayed(const std::vector<MapSummary> &maps);

} // namespace portal::charts
