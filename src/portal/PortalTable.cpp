#include "portal/PortalTable.h"

#include "portal/PortalHtml.h"

using namespace Qt::StringLiterals;

namespace portal::html {

namespace {

const char16_t *sortName(Sort sort)
{
    switch (sort) {
    case Sort::Text:
        return u"text";
    case Sort::Number:
        return u"number";
    case Sort::Duration:
        return u"duration";
    }
    return u"text";
}

} // namespace

QString tableStart(const QString &id, const QString &caption, const std::vector<Column> &columns)
{
    QString out = u"<div class=\"wrap\"><table class=\"sortable\" id=\""_s + id + u"\">\r\n<caption>"_s +
                  escape(caption) + u"</caption>\r\n<thead><tr>"_s;
    for (const Column &c : columns) {
        out += u"<th scope=\"col\" data-sort=\""_s + QStringView(sortName(c.sort)) + u'"';
        if (c.sort == Sort::Text)
            out += u" class=\"t\""_s;
        if (c.sortedDescending)
            out += u" aria-sort=\"descending\""_s;
        out += u'>' + QStringView(c.label) + u"</th>"_s;
    }
    out += u"</tr></thead>\r\n<tbody>\r\n"_s;
    return out;
}

QString tableEnd()
{
    return u"</tbody>\r\n</table></div>\r\n"_s;
}

TableRow::TableRow(QString &page) : m_page(page)
{
    m_page += u"<tr>";
}

TableRow::~TableRow()
{
    m_page += u"</tr>\r\n";
}

TableRow &TableRow::number(qint64 value)
{
    m_page += u"<td>";
    appendInteger(m_page, value);
    m_page += u"</td>";
    return *this;
}

TableRow &TableRow::number(const std::optional<qint64> &value)
{
    m_page += u"<td>";
    appendInteger(m_page, value);
    m_page += u"</td>";
    return *this;
}

TableRow &TableRow::decimal(double value)
{
    m_page += u"<td>";
    appendDecimal(m_page, value);
    m_page += u"</td>";
    return *this;
}

TableRow &TableRow::decimal(const std::optional<double> &value)
{
    m_page += u"<td>";
    appendDecimal(m_page, value);
    m_page += u"</td>";
    return *this;
}

TableRow &TableRow::duration(const std::optional<qint64> &seconds)
{
    m_page += u"<td>";
    appendDuration(m_page, seconds);
    m_page += u"</td>";
    return *this;
}

TableRow &TableRow::figure(const QString &text)
{
    m_page += u"<td>";
    m_page += text;
    m_page += u"</td>";
    return *this;
}

TableRow &TableRow::text(const QString &markup)
{
    m_page += u"<td class=\"t\">";
    m_page += markup;
    m_page += u"</td>";
    return *this;
}

TableRow &TableRow::heading(const QString &markup)
{
    m_page += u"<th scope=\"row\">";
    m_page += markup;
    m_page += u"</th>";
    return *this;
}

TableRow &TableRow::nameText(const QString &href, QStringView name)
{
    m_page += u"<td class=\"t\">";
    appendLink(m_page, href, name);
    m_page += u"</td>";
    return *this;
}

TableRow &TableRow::nameHeading(const QString &href, QStringView name)
{
    m_page += u"<th scope=\"row\">";
    appendLink(m_page, href, name);
    m_page += u"</th>";
    return *this;
}

} // namespace portal::html
