#include "scores/ScoreReader.h"

#include "common/RankholdError.h"
#include "common/TextFiles.h"

#include <string_view>

using namespace Qt::StringLiterals;

namespace {

constexpr std::string_view kHeaderMark = "Game Stats for Game:";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

QStringView trimLeadingBlanks(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == u' ')
        ++i;
    return text.mid(i);
}

// Cuts the text up to the first blank off `rest`; all of it when there is none.
QStringView takeWord(QStringView &rest)
{
    rest = trimLeadingBlanks(rest);
    const qsizetype blank = rest.indexOf(u' ');
    if (blank < 0)
        return std::exchange(rest, QStringView());
    const QStringView word = rest.left(blank);
    rest = rest.mid(blank + 1);
    return word;
}

// The game writes its numbers in decimal: a hex form that the general
// conversion would take ("$1F", "0x1F") is refused like any other non-number.
int decimalToInt(const QString &text)
{
    QStringView digits = trimLeadingBlanks(text);
    if (digits.startsWith(u'-') || digits.startsWith(u'+'))
        digits = digits.mid(1);
    if (digits.startsWith(u'$') || digits.startsWith(u"0x") || digits.startsWith(u"0X"))
        throw ScoreValueError(u"'%1' is not a valid integer value"_s.arg(cutForMessage(text)));
    try {
        return strToInt(text);
    } catch (const RankholdError &e) {
        throw ScoreValueError(e.message());
    }
}

ValueColumn columnOf(const QString &gametype)
{
    if (gametype == u"Deathmatch"_s || gametype == u"Team Deathmatch"_s)
        return ValueColumn::Score;
    if (gametype == u"King of the Hill"_s || gametype == u"Team King of the Hill"_s)
        return ValueColumn::Zonetime;
    if (gametype == u"Capture the Flag"_s || gametype == u"PennantRush"_s)
        return ValueColumn::Flags;
    if (gametype == u"Search and Destroy"_s || gametype == u"Attack and Defend"_s)
        return ValueColumn::Targets;
    return ValueColumn::None;
}

} // namespace

ScoreLines::ScoreLines(QByteArray bytes) : m_bytes(std::move(bytes))
{
    const char *data = m_bytes.constData();
    const qsizetype n = m_bytes.size();
    m_spans.reserve(size_t(n / 32 + 1));
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char c = data[i];
        if (c == '\r' || c == '\n') {
            m_spans.push_back({start, i - start});
            if (c == '\r' && i + 1 < n && data[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n) {
        m_spans.push_back({start, n - start});
        m_lastLineOpen = true;
    }
}

void ScoreLines::check(qsizetype index) const
{
    if (index < 0 || index >= size())
        throwListIndexError(index);
}

QString ScoreLines::line(qsizetype index) const
{
    check(index);
    const Span &s = m_spans[size_t(index)];
    return decodeWindows1252(QByteArray::fromRawData(m_bytes.constData() + s.start, s.length));
}

bool ScoreLines::isEmptyLine(qsizetype index) const
{
    check(index);
    return m_spans[size_t(index)].length == 0;
}

qsizetype ScoreLines::headerMark(qsizetype index) const
{
    check(index);
    const Span &s = m_spans[size_t(index)];
    const std::string_view text(m_bytes.constData() + s.start, size_t(s.length));
    const size_t at = text.find(kHeaderMark);
    return at == std::string_view::npos ? -1 : qsizetype(at);
}

bool ScoreLines::startsBlock(qsizetype index) const
{
    const qsizetype mark = headerMark(index);
    if (mark < 0)
        return false;
    std::string_view before(m_bytes.constData() + m_spans[size_t(index)].start, size_t(mark));
    while (!before.empty()) {
        if (before.front() == '\0')
            before.remove_prefix(1);
        else if (before.starts_with(kByteOrderMark))
            before.remove_prefix(kByteOrderMark.size());
        else
            return false;
    }
    return true;
}

QByteArray ScoreLines::bytesOfLines(qsizetype first, qsizetype last) const
{
    check(first);
    check(last);
    const qsizetype start = m_spans[size_t(first)].start;
    const qsizetype end = last + 1 < size() ? m_spans[size_t(last + 1)].start : m_bytes.size();
    return m_bytes.mid(start, end - start);
}

QString ScoreRow::id() const
{
    QString key;
    key.reserve(date.size() + time.size() + player.size() + 2);
    key.append(date).append(u' ').append(time).append(u' ').append(player);
    return key;
}

qint64 zoneTimeSeconds(const QString &text)
{
    const qsizetype colon = text.indexOf(u':');
    const QString minutes = colon < 0 ? text : text.left(colon);
    const QString seconds = colon < 0 ? QString() : text.mid(colon + 1);
    return qint64(decimalToInt(minutes)) * 60 + decimalToInt(seconds);
}

ScoreFigures computeFigures(const ScoreRow &row)
{
    ScoreFigures figures;
    const int kills = decimalToInt(row.kills);
    const int deaths = decimalToInt(row.deaths);
    figures.ratio = double(kills) / double(deaths == 0 ? 1 : deaths);
    if (row.column == ValueColumn::Zonetime)
        figures.columnValue = QString::number(zoneTimeSeconds(row.value));
    else if (row.column != ValueColumn::None)
        figures.columnValue = row.value;
    return figures;
}

void ScoreReader::fail(qsizetype line, const QString &message)
{
    m_failedLine = line;
    throw ScoreBlockError(message);
}

void ScoreReader::cutOff()
{
    // No line can follow the last one: the block is asked for the line
    // after the file's end, where the game may still be writing.
    m_failedLine = m_header;
    throwListIndexError(m_lines.size());
}

void ScoreReader::abandonBlock()
{
    m_inBlock = false;
    m_scan = m_end < m_lines.size() && m_lines.isEmptyLine(m_end) ? m_end + 1 : m_end;
}

void ScoreReader::startBlock(qsizetype header)
{
    m_header = header;
    m_inBlock = true;
    m_failedLine = -1;
    m_end = header + 1;
    while (m_end < m_lines.size() && !m_lines.isEmptyLine(m_end) && !m_lines.startsBlock(m_end))
        ++m_end;
    // A line of the block that its header, winner or heading lines need.
    const auto need = [this](qsizetype line) {
        if (line < m_end)
            return m_lines.line(line);
        if (m_end == m_lines.size())
            cutOff();
        fail(blockLastLine(), u"The score block ends before its first player row"_s);
    };

    const qsizetype mark = m_lines.headerMark(header);
    if (mark > 0) {
        const QByteArray before = m_lines.bytesOfLines(header, header).left(mark);
        ReadPastBytes::Kind kind = ReadPastBytes::Kind::NulBytes;
        if (!m_lines.startsBlock(header))
            kind = ReadPastBytes::Kind::OtherText;
        else if (before.contains(QByteArray::fromRawData(kByteOrderMark.data(), qsizetype(kByteOrderMark.size()))))
            kind = ReadPastBytes::Kind::ByteOrderMark;
        m_readPast.push_back({header, mark, kind});
    }
    // The map: what follows the mark and its blank (characters 22 on of a header as the game writes it).
    m_block.game = m_lines.line(header).mid(mark + qsizetype(kHeaderMark.size()) + 1);

    const QString dateLine = need(header + 1);
    const qsizetype comma = dateLine.indexOf(u',');
    if (comma < 0) {
        m_block.date = dateLine.mid(8);
        m_block.time.clear();
    } else {
        m_block.date = comma > 8 ? dateLine.mid(8, comma - 8) : QString();
        m_block.time = dateLine.mid(comma + 2);
    }

    const QString typeLine = need(header + 2);
    if (typeLine.mid(2, 10) != u"Game type:"_s) {
        m_block.gametype = u"Cooperative"_s;
        m_block.winner = u"None"_s;
        m_block.column = ValueColumn::None;
        m_row = header + 3;
        return;
    }
    m_block.gametype = typeLine.mid(13);
    m_block.column = columnOf(m_block.gametype);
    if (m_block.gametype == u"Deathmatch"_s || m_block.gametype == u"King of the Hill"_s) {
        m_block.winner = u"None"_s;
        m_row = header + 4;
    } else {
        m_block.winner = need(header + 3).mid(10);
        m_row = header + 5;
    }
    need(m_row - 1); // the heading line
}

bool ScoreReader::next(ScoreRow &row)
{
    for (;;) {
        if (m_inBlock) {
            if (m_row == m_end) {
                if (m_end == m_lines.size())
                    cutOff();
                if (!m_lines.isEmptyLine(m_end))
                    fail(m_end - 1, u"The score block has no empty line before the next block"_s);
                m_inBlock = false;
                m_scan = m_end + 1;
                continue;
            }
            // No line can follow the last one, so its block fails here
            // exactly as it would one line later, without storing a row
            // that the game may not have finished writing.
            if (m_row == m_lines.size() - 1 && m_lines.lastLineOpen())
                cutOff();
            const QString line = m_lines.line(m_row);
            ++m_row;
            row.game = m_block.game;
            row.date = m_block.date;
            row.time = m_block.time;
            row.gametype = m_block.gametype;
            row.winner = m_block.winner;
            row.column = m_block.column;
            const QStringView text(line);
            const QStringView name = trimLeadingBlanks(text.size() > 6 ? text.mid(6, 21) : QStringView());
            row.player = name.isEmpty() ? u" "_s : name.toString();
            QStringView rest = text.size() > 27 ? text.mid(27) : QStringView();
            row.value = takeWord(rest).toString();
            row.kills = takeWord(rest).toString();
            row.deaths = trimLeadingBlanks(rest).toString();
            return true;
        }
        if (m_scan >= m_lines.size())
            return false;
        const qsizetype i = m_scan++;
        // Outside a block a header is found after whatever stands before it.
        if (m_lines.headerMark(i) >= 0)
            startBlock(i);
    }
}
