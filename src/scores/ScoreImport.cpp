#include "scores/ScoreImport.h"

#include "common/Rounding.h"
#include "common/TextFiles.h"
#include "platform/Paths.h"
#include "scores/PlayerDatabase.h"
#include "scores/RowWriter.h"
#include "scores/ScoreReader.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

void readScoreFile(PlayerDatabase &database, const QString &path, CommandHost &host, ImportResult &result)
{
    result.bytes = readFileBytes(path);
    const QByteArray &bytes = result.bytes;
    const ScoreLines lines(bytes);
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
    RowWriter writer(database.connection());
    ScoreReader reader(lines);
    ScoreRow row;
    while (reader.next(row)) {
        const int position = progressAt(reader.position());
        if (position != shown) {
            host.setProgress(position);
            shown = position;
        }
        writer.add(row);
    }
    writer.commit();
    result.stored = writer.added();
    result.alreadyStored = writer.alreadyStored();
}

} // namespace

ImportResult importScoreFile(PlayerDatabase &database, const QString &scoreFile, CommandHost &host)
{
    ImportResult result;
    if (!database.isTableOpen())
        database.openTable();
    if (!platform::fileExists(scoreFile))
        return result;
    result.found = true;
    host.setActivityText(u"Importing Scores.txt"_s);
    host.repaintStatus();

    readScoreFile(database, scoreFile, host, result);

    host.setActivityText(kIdle);
    RankingQuery &flags = database.dataSet(2);
    flags.close();
    flags.open();
    return result;
}
