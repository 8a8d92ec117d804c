// Fuzzes the score-block reader and the import into a real SQLite database.
// Every input is imported as scores.txt; whatever it holds, the import must
// not crash or hang, and every row it stores must come from the file: its
// name, kills and deaths from one line, its map from a header line, its key
// and ratio made of its own columns. A file whose last block reads to its end
// is archived (its damaged blocks set aside, one file each, exactly as read,
// no line in two of them) and importing it again adds nothing and sets aside
// the same blocks; one whose last block fails stays.
#include "commands/GameFolderRecord.h"
#include "common/ProgramFolder.h"
#include "common/RankholdError.h"
#include "common/TextFiles.h"
#include "scores/DatabaseFile.h"
#include "scores/PlayerDatabase.h"
#include "scores/ScoreArchive.h"
#include "scores/ScoreImport.h"
#include "scores/ScoreReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

#define FUZZ_ASSERT(condition, what)                                                                                   \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "fuzz check failed: %s\n", what);                                                     \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)

class SilentHost : public CommandHost
{
public:
    void setConnectionText(const QString &) override {}
    void setActivityText(const QString &) override {}
    void repaintStatus() override {}
    void setProgress(int position) override { FUZZ_ASSERT(position >= 0 && position <= 100, "progress in 0..100"); }
    void showDatabaseFigures(const DatabaseFigures &) override {}
    bool askWarning(const QString &) override { return true; }
    void showMessage(const QString &) override {}
    void processEvents() override {}
};

struct World {
    // Memory-backed when the system has it: the fuzzer writes a file a run.
    QTemporaryDir dir{(QFileInfo(u"/dev/shm"_s).isDir() ? u"/dev/shm"_s : QDir::tempPath()) +
                      u"/rankhold-fuzz-XXXXXX"_s};
    QString game, program;
    PlayerDatabase db;
    SilentHost host;

    World()
    {
        game = dir.filePath(u"game"_s);
        program = dir.filePath(u"program"_s);
        QDir().mkpath(game);
        QDir().mkpath(program);
        createDatabase(program + u"/Rankhold.mdb"_s);
        db.setFileName(program + u"/Rankhold.mdb"_s);
        QSqlQuery q(db.connection());
        q.exec(u"PRAGMA synchronous = OFF"_s);
        q.exec(u"PRAGMA journal_mode = MEMORY"_s);
    }
};

World *world;

QString trimLeft(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == u' ')
        ++i;
    return text.mid(i);
}

bool toInt(const QString &text, int &value)
{
    try {
        value = strToInt(text);
        return true;
    } catch (const RankholdError &) {
        return false;
    }
}

// Whether `line` is a player row that gives this name, kills and deaths.
bool rowFromLine(const QString &line, const QString &player, qint64 kills, qint64 deaths)
{
    QString name = trimLeft(line.mid(6, 21));
    if (name.isEmpty())
        name = u" "_s;
    if (name != player)
        return false;
    const QStringList words = line.mid(27).split(u' ', Qt::SkipEmptyParts);
    if (words.size() < 3)
        return false;
    int k = 0, d = 0;
    return toInt(words.at(1), k) && toInt(words.at(2), d) && k == kills && d == deaths;
}

void checkStoredRows(const QStringList &lines)
{
    QSqlQuery q(world->db.connection());
    FUZZ_ASSERT(q.exec(u"SELECT Id, Player, Kills, Deaths, Game, Gametype, Date, Time, Winner, Ratio, Score, "
                       "Zonetime, Flags, Targets FROM player"_s),
                "rows readable");
    qsizetype rows = 0;
    while (q.next()) {
        ++rows;
        const QString player = q.value(1).toString();
        const qint64 kills = q.value(2).toLongLong(), deaths = q.value(3).toLongLong();
        const QString game = q.value(4).toString(), gametype = q.value(5).toString();
        FUZZ_ASSERT(q.value(0).toString() == q.value(6).toString() + u' ' + q.value(7).toString() + u' ' + player,
                    "key = date time player");
        FUZZ_ASSERT(player.size() >= 1 && player.size() <= 21, "name within its 21 characters");
        FUZZ_ASSERT(q.value(9).toDouble() == double(kills) / double(deaths == 0 ? 1 : deaths), "ratio");
        if (gametype == u"Deathmatch"_s || gametype == u"King of the Hill"_s)
            FUZZ_ASSERT(q.value(8).toString() == u"None"_s, "no winner line");
        int filled = 0;
        for (int c = 10; c <= 13; ++c)
            filled += q.value(c).isNull() ? 0 : 1;
        FUZZ_ASSERT(filled <= 1, "at most one game-type column");

        bool fromRow = false, fromHeader = false;
        for (const QString &line : lines) {
            fromRow = fromRow || rowFromLine(line, player, kills, deaths);
            const qsizetype mark = line.indexOf(u"Game Stats for Game:"_s);
            fromHeader = fromHeader || (mark >= 0 && line.mid(mark + 21) == game);
        }
        FUZZ_ASSERT(fromRow, "a stored row comes from a line of the file");
        FUZZ_ASSERT(fromHeader, "a stored map comes from a header line");
    }
    FUZZ_ASSERT(rows <= lines.size(), "no more rows than lines");
}

qint64 rowCount()
{
    QSqlQuery q(world->db.connection());
    FUZZ_ASSERT(q.exec(u"SELECT COUNT(*) FROM player"_s) && q.next(), "count");
    return q.value(0).toLongLong();
}

enum class Imported { Nothing, Failed, Whole, WithDamagedBlocks };

// One round of the chain's import and archive steps.
Imported import(qsizetype &damaged)
{
    damaged = 0;
    const QString scoreFile = GameFolderRecord::scoreFile(world->game);
    ImportResult imported;
    try {
        imported = importScoreFile(world->db, scoreFile, world->host);
    } catch (const RankholdError &) {
        return Imported::Failed;
    }
    if (!imported.found)
        return Imported::Nothing;
    const ArchiveOutcome archived = archiveScoreFile(scoreFile, imported, ProgramFolder(world->program));
    FUZZ_ASSERT(archived.problem.isEmpty(), "an archive that can be written takes the file");
    for (const ImportedFile &file : imported.files)
        damaged += qsizetype(file.failed.size());
    FUZZ_ASSERT(archived.setAside.size() == damaged, "every damaged block set aside");
    bool threw = false;
    try {
        throwForFailedBlocks(imported, archived.setAside);
    } catch (const RankholdError &) {
        threw = true;
    }
    FUZZ_ASSERT(threw == (damaged > 0), "damaged blocks are reported");
    return damaged > 0 ? Imported::WithDamagedBlocks : Imported::Whole;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    world = new World;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList lines = splitLines(decodeWindows1252(bytes));

    // The reader's own line list agrees with the program's line splitting.
    const ScoreLines own(bytes);
    FUZZ_ASSERT(own.size() == lines.size(), "line count");
    for (qsizetype i = 0; i < lines.size(); ++i)
        FUZZ_ASSERT(own.line(i) == lines.at(i), "line text");

    QSqlQuery(world->db.connection()).exec(u"DELETE FROM player"_s);
    const QString scoreFile = world->game + u"/scores.txt"_s;
    const QString archived1 = world->program + u"/oldscores/scores.1"_s;
    QFile::remove(archived1);
    {
        QFile out(scoreFile);
        FUZZ_ASSERT(out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(bytes) == bytes.size(),
                    "score file written");
    }

    qsizetype damaged = 0;
    const Imported outcome = import(damaged);
    checkStoredRows(lines);
    FUZZ_ASSERT(outcome != Imported::Nothing, "the file is found");
    const bool archived = outcome != Imported::Failed;
    FUZZ_ASSERT(archived != QFile::exists(scoreFile), "archived exactly when the last block read to its end");
    QDir archive(world->program + u"/oldscores"_s);
    const auto takeSetAside = [&archive](qsizetype count) {
        QList<QByteArray> blocks;
        FUZZ_ASSERT(archive.entryList({u"rejected.*"_s}, QDir::Files).size() == count,
                    "one file for each damaged block");
        for (qsizetype n = 1; n <= count; ++n) {
            const QString name = archive.filePath(u"rejected."_s + QString::number(n));
            QFile file(name);
            FUZZ_ASSERT(file.open(QIODevice::ReadOnly), "rejected blocks numbered from 1");
            blocks.append(file.readAll());
            QFile::remove(name);
        }
        return blocks;
    };
    const QList<QByteArray> setAside = takeSetAside(damaged);
    qsizetype setAsideBytes = 0;
    for (const QByteArray &block : setAside) {
        const qsizetype lineEnd = block.indexOf('\n') < 0 ? block.size() : block.indexOf('\n');
        FUZZ_ASSERT(block.left(lineEnd).contains("Game Stats for Game:"), "a set-aside block starts at its header");
        FUZZ_ASSERT(bytes.contains(block), "a set-aside block is lines of the file, as read");
        setAsideBytes += block.size();
    }
    FUZZ_ASSERT(setAsideBytes <= bytes.size(), "no line set aside twice");
    if (archived) {
        const qint64 stored = rowCount();
        FUZZ_ASSERT(QFile::rename(archived1, scoreFile), "file put back");
        qsizetype again = 0;
        FUZZ_ASSERT(import(again) != Imported::Failed, "a file that imported once imports again");
        FUZZ_ASSERT(rowCount() == stored, "a second import adds nothing");
        FUZZ_ASSERT(again == damaged && takeSetAside(again) == setAside, "and sets aside the same blocks");
    }
    QFile::remove(scoreFile);
    QFile::remove(archived1);
    return 0;
}
