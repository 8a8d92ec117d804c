#include "scores/ScoreImport.h"

#include "common/EventLoopTurns.h"
#include "common/Rounding.h"
#include "common/TextFiles.h"
#include "platform/Paths.h"
#include "scores/PlayerDatabase.h"
#include "scores/RowWriter.h"
#include "scores/ScoreArchive.h"
#include "scores/ScoreReader.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

FailedBlock failedBlock(const ScoreLines &lines, const ScoreReader &reader, qsizetype line, const RankholdError &error)
{
    return {error.message(), line, lines.line(line), lines.bytesOfLines(reader.blockHeader(), reader.blockLastLine())};
}

void importFile(PlayerDatabase &database, ImportedFile &file, CommandHost &host, ImportResult &result)
{
    file.bytes = readFileBytes(file.path, kLargestScoreFile);
    const ScoreLines lines(file.bytes);
    const qsizetype n = lines.size();
    // The bar moves by round(100 / lines) a line; from 201 lines on that
    // rounds to 0 and the bar would never move, so it shows the share of
    // the lines read instead.
    const qint64 step = n > 0 ? roundHalfEven(100.0 / double(n)) : 0;
    const auto progressAt = [step, n](qsizetype line) {
        const qint64 position = step > 0 ? step * qint64(line) : qint64(line) * 100 / qint64(n);
        return int(std::clamp<qint64>(position, 0, 100));
    };
    int shown = -1;
    EventLoopTurns turns(host);
    RowWriter writer(database.connection());
    ScoreReader reader(lines);
    ScoreRow row;
    qsizetype lastFailedHeader = -1;
    const auto fail = [&](qsizetype line, const RankholdError &e) {
        lastFailedHeader = reader.blockHeader();
        file.failed.push_back(failedBlock(lines, reader, line, e));
        reader.abandonBlock();
    };
    for (;;) {
        try {
            if (!reader.next(row))
                break;
        } catch (const RankholdError &e) {
            // A block cut off by the end of the file, or ended early by its own lines.
            fail(reader.failedLine(), e);
            continue;
        }
        const int position = progressAt(reader.position());
        if (position != shown) {
            host.setProgress(position);
            shown = position;
        }
        try {
            const qint64 skipped = writer.alreadyStored();
            writer.add(row);
            const ImportedGame game{row.date, row.time, row.game};
            if (writer.alreadyStored() == skipped && (result.newGames.empty() || !(result.newGames.back() == game)))
                result.newGames.push_back(game);
        } catch (const ScoreValueError &e) {
            fail(reader.position() - 1, e);
        }
        turns.step();
    }
    writer.commit();
    file.lastBlockFailed = lastFailedHeader >= 0 && lastFailedHeader == reader.blockHeader();
    file.readPast = reader.readPast();
    result.stored += writer.added();
    result.alreadyStored += writer.alreadyStored();
}

} // namespace

ImportResult importScoreFile(PlayerDatabase &database, const QString &scoreFile, CommandHost &host)
{
    ImportResult result;
    if (!database.isTableOpen())
        database.openTable();
    for (const QString &path : {stagedScoreFile(scoreFile), scoreFile}) {
        if (platform::fileExists(path)) {
            result.files.emplace_back();
            result.files.back().path = path;
        }
    }
    if (result.files.empty())
        return result;
    result.found = true;
    host.setActivityText(u"Importing Scores.txt"_s);
    host.repaintStatus();

    for (ImportedFile &file : result.files) {
        importFile(database, file, host, result);
        host.reportReadPast(readPastNote(file));
    }
    // A block the game may still be writing ends the import as an error always has.
    if (std::any_of(result.files.begin(), result.files.end(), [](const ImportedFile &f) { return !f.complete(); }))
        throwForFailedBlocks(result);

    host.setActivityText(kIdle);
    RankingQuery &flags = database.dataSet(2);
    flags.close();
    flags.open();
    return result;
}

QString readPastNote(const ImportedFile &file)
{
    if (file.readPast.empty())
        return {};
    const ReadPastBytes &first = file.readPast.front();
    const auto kindText = [](ReadPastBytes::Kind kind) {
        switch (kind) {
        case ReadPastBytes::Kind::ByteOrderMark:
            return u"a byte-order mark"_s;
        case ReadPastBytes::Kind::NulBytes:
            return u"NUL bytes"_s;
        case ReadPastBytes::Kind::OtherText:
            break;
        }
        return u"other text"_s;
    };
    QString note = u"%1, line %2: %3 bytes (%4) before \"Game Stats for Game:\" were read past"_s.arg(file.path)
                       .arg(first.line + 1)
                       .arg(first.bytes)
                       .arg(kindText(first.kind));
    if (file.readPast.size() > 1)
        note += u"; the same on %1 more header lines"_s.arg(file.readPast.size() - 1);
    return note;
}

void throwForFailedBlocks(const ImportResult &result, const QStringList &setAsideIn)
{
    const FailedBlock *first = nullptr;
    QStringList where;
    qsizetype damaged = 0;
    for (const ImportedFile &file : result.files) {
        for (const FailedBlock &block : file.failed) {
            if (!first)
                first = &block;
            QString line = u"%1, line %2: '%3'"_s.arg(file.path).arg(block.line + 1).arg(cutForMessage(block.lineText));
            // Only a file that went on to the archive had its blocks set aside.
            if (file.complete() && damaged < setAsideIn.size() && !setAsideIn.at(damaged++).isEmpty())
                line += u" (set aside in %1)"_s.arg(setAsideIn.at(damaged - 1));
            where.append(line);
        }
    }
    if (first)
        throw RankholdError(first->message, where.join(u'\n'));
}
