#include "scores/ScoreImport.h"

#include "core/RankholdError.h"

bool importScores(PlayerDatabase &, const QString &, const QString &, CommandHost &, const std::function<void()> &)
{
    throw RankholdError(QStringLiteral("The score import is not built yet"));
}
