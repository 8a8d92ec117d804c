#include "scores/Maintenance.h"

#include "core/RankholdError.h"

void DeleteallRecords(PlayerDatabase &, CommandHost &)
{
    throw RankholdError(QStringLiteral("Database maintenance is not built yet"));
}

void DeleteRecordsByFilters(PlayerDatabase &, const PlayerSql::Filters &, bool, CommandHost &)
{
    throw RankholdError(QStringLiteral("Database maintenance is not built yet"));
}

void RepairQuellmoordatabase(PlayerDatabase &, const QString &, CommandHost &)
{
    throw RankholdError(QStringLiteral("Database maintenance is not built yet"));
}
