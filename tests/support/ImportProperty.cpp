#include "support/ImportProperty.h"

#include "common/RankholdError.h"
#include "scores/PlayerDatabase.h"
#include "scores/ScoreImport.h"
#include "support/TestSupport.h"

#include <QMap>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <tuple>

using namespace Qt::StringLiterals;

namespace {

// What can be wrong with a block, as a crash, a bug of the game or a hand
// that edited the file leave it.
enum class Damage { None, BadNumber, NulInName, RefusedValue, EndsBeforeRows, NoEmptyLine };

const QList<QByteArray> kNames = {"Raptor", "Ghost",     "-=[DF]=- Ghost", "Game Stats for Game:", "",
                                  "O'Neil", "\xe9t\xe9", "Sam  ",          "A name of twenty-one!"};
const QList<QByteArray> kTypes = {
    "Deathmatch",  "King of the Hill",   "Team Deathmatch",   "Team King of the Hill", "Capture the Flag",
    "PennantRush", "Search and Destroy", "Attack and Defend", "Free for All",          ""};

struct Row {
    QByteArray name, value, kills, deaths;
};

struct Block {
    QByteArray before, map, date, time, type, eol;
    QList<Row> rows;
    Damage damage = Damage::None;
    int failing = -1; // the damaged row
};

class Generator
{
public:
    explicit Generator(std::uint32_t seed) : m_random(seed) {}

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }
    bool chance(int percent) { return pick(100) < percent; }

    Block block(bool first, bool last)
    {
        Block b;
        if (first && chance(30))
            b.before = "\xEF\xBB\xBF";
        else if (!first && chance(15))
            b.before = QByteArray(1 + pick(4), '\0');
        b.map = "Map " + QByteArray::number(pick(5));
        if (!m_stamps.isEmpty() && chance(20)) {
            std::tie(b.date, b.time) = m_stamps.at(pick(int(m_stamps.size())));
        } else {
            ++m_clock;
            b.date = QByteArray::number(1 + m_clock / 60 % 12).rightJustified(2, '0') + "/01/02";
            b.time = "10:" + QByteArray::number(m_clock % 60).rightJustified(2, '0') + ":00";
            m_stamps.append({b.date, b.time});
        }
        b.type = kTypes.at(pick(int(kTypes.size())));
        b.eol = QList<QByteArray>{"\r\n", "\r\n", "\r\n", "\n", "\r"}.at(pick(5));
        const bool hill = b.type.contains("King of the Hill");
        for (int n = pick(5); n > 0; --n) {
            Row r{kNames.at(pick(int(kNames.size()))), {}, QByteArray::number(pick(30)), QByteArray::number(pick(9))};
            r.value = hill ? QByteArray::number(pick(20)) + ':' + QByteArray::number(pick(60)).rightJustified(2, '0')
                           : QByteArray::number(pick(25));
            b.rows.append(r);
        }
        // The last block is whole: the game wrote another map after the others.
        if (last || chance(60))
            return b;
        const bool hasColumn = !b.type.isEmpty() && b.type != "Free for All" && !hill;
        QList<Damage> kinds{Damage::BadNumber, Damage::NulInName, Damage::EndsBeforeRows, Damage::NoEmptyLine};
        if (hasColumn)
            kinds.append(Damage::RefusedValue);
        b.damage = kinds.at(pick(int(kinds.size())));
        if (b.damage == Damage::EndsBeforeRows || b.damage == Damage::NoEmptyLine)
            return b;
        if (b.rows.isEmpty())
            b.rows.append({"Filler", "1", "1", "1"});
        b.failing = pick(int(b.rows.size()));
        Row &bad = b.rows[b.failing];
        if (b.damage == Damage::BadNumber) {
            const int how = pick(hill ? 4 : 3);
            if (how == 0)
                bad.kills = "7x";
            else if (how == 1)
                bad.kills = "$1F";
            else if (how == 2)
                bad.deaths += ' '; // a blank after the number is no number
            else
                bad.value = "3:xx";
        } else if (b.damage == Damage::NulInName) {
            bad.name = QByteArray("Nu\0l", 4);
        } else {
            bad.value = QList<QByteArray>{"many", "1.5", "99999999999999999999"}.at(pick(3));
        }
        return b;
    }

private:
    std::mt19937 m_random;
    int m_clock = 0;
    QList<std::pair<QByteArray, QByteArray>> m_stamps;
};

QByteArray bytesOf(const Block &b)
{
    QList<QByteArray> lines{b.before + "Game Stats for Game: " + b.map, "Played: " + b.date + ", " + b.time};
    if (!b.type.isEmpty())
        lines.append("  Game type: " + b.type);
    if (b.damage == Damage::EndsBeforeRows) {
        lines.append(QByteArray());
        return lines.join(b.eol) + b.eol;
    }
    if (!b.type.isEmpty() && b.type != "Deathmatch" && b.type != "King of the Hill")
        lines.append("Winner:   Red Team");
    lines.append("  Player                 Value  Kills  Deaths");
    for (const Row &r : b.rows)
        lines.append("      " + r.name.leftJustified(21, ' ', true) + r.value + "   " + r.kills + "   " + r.deaths);
    if (b.damage != Damage::NoEmptyLine)
        lines.append(QByteArray());
    return lines.join(b.eol) + b.eol;
}

// The name as the import cuts it: leading blanks dropped, a blank for none.
QString storedName(const QByteArray &name)
{
    QString field = QString::fromLatin1(name.leftJustified(21, ' ', true));
    while (field.startsWith(u' '))
        field.remove(0, 1);
    return field.isEmpty() ? u" "_s : field;
}

// Id -> "kills|deaths|map" of the rows the file must leave, the first of each key winning.
QMap<QString, QString> expectedRows(const QList<Block> &blocks)
{
    QMap<QString, QString> rows;
    for (const Block &b : blocks) {
        if (b.damage == Damage::EndsBeforeRows)
            continue;
        const qsizetype stored = b.failing >= 0 ? b.failing : b.rows.size();
        for (qsizetype i = 0; i < stored; ++i) {
            const Row &r = b.rows.at(i);
            const QString id = QString::fromLatin1(b.date + ' ' + b.time + ' ') + storedName(r.name);
            if (!rows.contains(id))
                rows.insert(id, QString::fromLatin1(r.kills + '|' + r.deaths + '|' + b.map));
        }
    }
    return rows;
}

QStringList table(PlayerDatabase &db, const QString &columns)
{
    QSqlQuery q(db.connection());
    EXPECT_TRUE(q.exec(u"SELECT "_s + columns + u" FROM player ORDER BY Id"_s));
    QStringList out;
    while (q.next()) {
        QStringList values;
        for (int i = 0; i < q.record().count(); ++i)
            values.append(q.value(i).isNull() ? u"NULL"_s : q.value(i).toString());
        out.append(values.join(u'|'));
    }
    return out;
}

// The blocks that failed, as "line|message|lines".
QStringList failures(const ImportResult &result)
{
    QStringList out;
    for (const ImportedFile &file : result.files) {
        for (const FailedBlock &f : file.failed) {
            EXPECT_TRUE(f.lines.contains(f.lineText.toLatin1())) << "a block fails for a line of its own";
            out.append(QString::number(f.line) + u'|' + f.message + u'|' + QString::fromLatin1(f.lines.toBase64()));
        }
    }
    return out;
}

} // namespace

void checkImportDependsOnTheFileAlone(PlayerDatabase &whole, PlayerDatabase &byBlocks, const QString &gameFolder,
                                      std::uint32_t seed, int files)
{
    Generator generate(seed);
    const QString scoreFile = gameFolder + u"/scores.txt"_s;
    RecordingHost host;
    const QString all = u"Id, Player, Kills, Deaths, Game, Gametype, Date, Time, Winner, Ratio, Score, Zonetime, "
                        "Flags, Targets"_s;
    for (int f = 0; f < files; ++f) {
        SCOPED_TRACE(u"seed %1, file %2"_s.arg(seed).arg(f).toStdString());
        QList<Block> blocks;
        const int count = 2 + generate.pick(8);
        for (int i = 0; i < count; ++i)
            blocks.append(generate.block(i == 0, i == count - 1));
        QByteArray bytes;
        QList<qsizetype> ends;
        for (const Block &b : blocks) {
            bytes += bytesOf(b);
            ends.append(bytes.size());
        }
        qsizetype damaged = 0;
        for (const Block &b : blocks)
            damaged += b.damage != Damage::None;
        for (PlayerDatabase *db : {&whole, &byBlocks})
            db->execute({u"DELETE FROM player"_s, {}});

        writeFile(scoreFile, bytes);
        ImportResult first, second;
        try {
            first = importScoreFile(whole, scoreFile, host);
            second = importScoreFile(whole, scoreFile, host);
        } catch (const RankholdError &e) {
            ADD_FAILURE() << "a file whose last block is whole imports: " << e.message().toStdString() << '\n'
                          << e.context().toStdString() << "\nfile: " << bytes.toBase64().constData();
            continue;
        }
        const QMap<QString, QString> expected = expectedRows(blocks);
        QStringList want;
        for (auto it = expected.begin(); it != expected.end(); ++it)
            want.append(it.key() + u'|' + it.value());
        std::sort(want.begin(), want.end());
        QStringList got = table(whole, u"Id, Kills, Deaths, Game"_s);
        std::sort(got.begin(), got.end());
        EXPECT_EQ(got, want) << "file: " << bytes.toBase64().constData();
        EXPECT_EQ(first.stored, expected.size());
        EXPECT_EQ(second.stored, 0) << "a second import adds nothing";
        EXPECT_EQ(failures(first).size(), damaged) << "every damaged block fails, once";
        EXPECT_EQ(failures(second), failures(first)) << "and again the same";

        // As the game appends them: after each block, whatever the blocks before left.
        for (const qsizetype end : ends) {
            writeFile(scoreFile, bytes.left(end));
            try {
                importScoreFile(byBlocks, scoreFile, host);
            } catch (const RankholdError &) {
                // The last block so far failed: the file stays for the next round.
            }
        }
        EXPECT_EQ(table(byBlocks, all), table(whole, all)) << "file: " << bytes.toBase64().constData();
    }
}
