#pragma once

#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

// The tables of the portal: a heading row the script sorts by, and rows
// appended cell by cell to the page being made.
namespace portal::html {

// How the script sorts a column: as text, as numbers, or as h:mm:ss.
enum class Sort { Text, Number, Duration };

struct Column {
    const char16_t *label;
    Sort sort = Sort::Number;
    // Marks the column the rows are sorted by in the page itself.
    bool sortedDescending = false;
};

// The start of a table the script can sort: a scrolling wrapper, the table
// with its caption and the heading row, and the opening of its body.
QString tableStart(const QString &id, const QString &caption, const std::vector<Column> &columns);
QString tableEnd();

// One row, from its construction to its destruction. Number cells are the
// plain cells (most cells are numbers), aligned right; text cells are
// marked; the heading cell names what the row is about, so screen readers
// announce it with every cell.
class TableRow
{
public:
    explicit TableRow(QString &page);
    ~TableRow();
    TableRow(const TableRow &) = delete;
    TableRow &operator=(const TableRow &) = delete;

    TableRow &number(qint64 value);
    TableRow &number(const std::optional<qint64> &value);
    TableRow &decimal(double value);
    TableRow &decimal(const std::optional<double> &value);
    TableRow &duration(const std::optional<qint64> &seconds);
    // A number cell of a figure already in the form it is shown in.
    TableRow &figure(const QString &text);
    // Markup that is safe as it is (escaped text, a link, a <time>).
    TableRow &text(const QString &markup);
    TableRow &heading(const QString &markup);
    // A link to `href` showing a player's or a map's name.
    TableRow &nameText(const QString &href, QStringView name);
    TableRow &nameHeading(const QString &href, QStringView name);

private:
    QString &m_page;
};

} // namespace portal::html
