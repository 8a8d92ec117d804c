#include "scores/DatabaseInfo.h"

#include "core/RankholdError.h"
#include "core/Rounding.h"
#include "platform/Paths.h"
#include "scores/PlayerDatabase.h"

using namespace Qt::StringLiterals;

DatabaseFigures UpdateDBInfo(PlayerDatabase &database, CommandHost &host)
{
    database.closeTable();
    database.openTable();
    RankingQuery &kills = database.dataSet(3);
    kills.close();
    kills.open();
    const auto size = platform::fileSizeForUpdate(database.fileName());
    if (!size)
        throw RankholdError(u"Cannot open file %1"_s.arg(database.fileName()));
    DatabaseFigures figures;
    figures.fileSize = QString::number(roundHalfEven(double(*size) / 1024.0)) + u" KB"_s;
    figures.records = QString::number(database.tableRecordCount());
    figures.players = QString::number(kills.recordCount());
    host.showDatabaseFigures(figures);
    return figures;
}

void CloseQuellmoordatabase(PlayerDatabase &database)
{
    if (database.isOpen()) {
        database.close();
        return;
    }
    database.open();
    database.openTable();
    database.dataSet(2).open();
}
