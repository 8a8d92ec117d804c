#include "scores/DatabaseInfo.h"

#include "common/RankholdError.h"
#include "common/Rounding.h"
#include "scores/PlayerDatabase.h"

using namespace Qt::StringLiterals;

DatabaseFigures UpdateDBInfo(PlayerDatabase &database, const PlayerSql::Filters &playerFilter, CommandHost &host)
{
    database.closeTable();
    database.openTable();
    const qint64 players = database.countPlayers(playerFilter);
    const auto size = database.storageSize();
    if (!size)
        throw RankholdError(u"Cannot open file %1"_s.arg(database.fileName()));
    DatabaseFigures figures;
    figures.fileSize = QString::number(roundHalfEven(double(*size) / 1024.0)) + u" KB"_s;
    figures.records = QString::number(database.tableRecordCount());
    figures.players = QString::number(players);
    host.showDatabaseFigures(figures);
    return figures;
}

void toggleConnection(PlayerDatabase &database)
{
    if (database.isOpen()) {
        database.close();
        return;
    }
    database.open();
    database.openTable();
    database.dataSet(2).open();
}
