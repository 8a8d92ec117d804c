#pragma once

#include "common/RankholdError.h"

#include <QByteArray>
#include <QString>
#include <vector>

// The game's score file as a list of lines. The bytes are kept as read
// (Windows-1252, one byte a character) and a line is decoded only when it is
// asked for, so a large file costs little more than its own size in memory.
class ScoreLines
{
public:
    ScoreLines() = default;
    // CR LF, CR or LF end a line; a break after the last line adds no empty line.
    explicit ScoreLines(QByteArray bytes);

    qsizetype size() const { return qsizetype(m_spans.size()); }
    // The line decoded; throws "List index out of bounds (%d)" past the end.
    QString line(qsizetype index) const;
    bool isEmptyLine(qsizetype index) const;
    // Where "Game Stats for Game:" stands in the line, in bytes (one a
    // character); -1 when it holds none.
    qsizetype headerMark(qsizetype index) const;
    // Whether the line starts a block wherever it stands: it starts with
    // "Game Stats for Game:", as the game writes a header, after nothing but
    // NUL bytes (a crash leaves them where the file was not yet written) and
    // a UTF-8 byte-order mark. Player rows start with blanks, so a player who
    // calls himself that cannot start a block.
    bool startsBlock(qsizetype index) const;
    // The bytes of lines `first` to `last` as read, line breaks included.
    QByteArray bytesOfLines(qsizetype first, qsizetype last) const;
    // Whether the last line has no line break after it: a file the game is
    // still writing may end in the middle of that line.
    bool lastLineOpen() const { return m_lastLineOpen; }

private:
    void check(qsizetype index) const;

    struct Span {
        qsizetype start;
        qsizetype length;
    };
    QByteArray m_bytes;
    std::vector<Span> m_spans;
    bool m_lastLineOpen = false;
};

// A value of a player row that the import cannot store: not a whole decimal
// number, or refused by the engine for its column. The score file is at
// fault, not the database.
class ScoreValueError : public RankholdError
{
public:
    using RankholdError::RankholdError;
};

// The column of `player` that receives a row's game-type value.
enum class ValueColumn { None, Score, Zonetime, Flags, Targets };

// One player row of a score block, with the values of its block.
struct ScoreRow {
    QString game, date, time, gametype, winner;
    QString player;               // name as cut: leading blanks removed, a single blank when empty
    QString value, kills, deaths; // texts as written in the score file
    ValueColumn column = ValueColumn::None;

    // Date + " " + Time + " " + player name: the row key.
    QString id() const;
};

// The figures of a row that the import computes from its texts. Throws
// "'%s' is not a valid integer value" for a kills, deaths or zone-time part
// that is not a whole decimal number (a ScoreValueError).
struct ScoreFigures {
    double ratio = 0;    // kills / deaths, 0 deaths counting as 1
    QString columnValue; // the text for `column`; zone time in seconds
};
ScoreFigures computeFigures(const ScoreRow &row);
// "m:ss" -> m * 60 + ss.
qint64 zoneTimeSeconds(const QString &text);

// A block whose own lines end it before its rows could be read to their
// empty line: an empty line or the next block's header among its header
// lines, or the next header right after its rows. The game has gone on past
// it, so it is damaged, not unfinished.
class ScoreBlockError : public RankholdError
{
public:
    using RankholdError::RankholdError;
};

// Bytes that stood before "Game Stats for Game:" on a header line and were
// read past, so that the block is read all the same.
struct ReadPastBytes {
    qsizetype line;  // from 0
    qsizetype bytes; // how many
    enum class Kind { ByteOrderMark, NulBytes, OtherText } kind;
};

// Walks the score blocks of a file in order, one player row at a time.
//
// Every line belongs to one block at most. A block starts at a line that
// starts with "Game Stats for Game:" (see ScoreLines::startsBlock), and
// outside a block also at a line that holds it after other text, which is
// read past. It ends at its first empty line, or before the next header,
// or at the end of the file; its header lines, its winner line and its
// heading line come before its first player row and are read only within it.
//
// A block cut off by the end of the file throws "List index out of bounds
// (%d)" with the line asked for, after the rows before it have been handed
// out. A player row on an open last line is never handed out: its block is
// cut off anyway, and the row itself may end in the middle of a number. A
// block that its own lines end early throws ScoreBlockError. After any error,
// abandonBlock() goes on with the line after the block.
class ScoreReader
{
public:
    explicit ScoreReader(const ScoreLines &lines) : m_lines(lines) {}

    // The next player row; false after the last line.
    bool next(ScoreRow &row);
    // Line number just after the row last returned (the progress figure).
    qsizetype position() const { return m_row; }
    // The header line of the block being read; -1 before the first block.
    qsizetype blockHeader() const { return m_header; }
    // The last line of the block being read: its empty line, the line before
    // the next header, or the file's last line.
    qsizetype blockLastLine() const { return m_end < m_lines.size() && m_lines.isEmptyLine(m_end) ? m_end : m_end - 1; }
    // The line where the block that just failed went wrong, one of its own:
    // its header for a block cut off by the end of the file, else its last line.
    qsizetype failedLine() const { return m_failedLine; }
    // Drops the rest of the block being read (after an error in it); the
    // next call goes on after the block.
    void abandonBlock();
    // What was read past before the headers so far, in file order.
    const std::vector<ReadPastBytes> &readPast() const { return m_readPast; }

private:
    void startBlock(qsizetype header);
    [[noreturn]] void fail(qsizetype line, const QString &message);
    [[noreturn]] void cutOff();

    const ScoreLines &m_lines;
    qsizetype m_scan = 0; // next line the block search looks at
    qsizetype m_row = 0;  // next player row of the current block
    qsizetype m_header = -1;
    qsizetype m_end = 0; // the line that ends the current block (empty, a header, or size())
    qsizetype m_failedLine = -1;
    bool m_inBlock = false;
    ScoreRow m_block;
    std::vector<ReadPastBytes> m_readPast;
};
