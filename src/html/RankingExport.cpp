#include "html/RankingExport.h"

#include "core/RankholdError.h"

struct RankingExporter::Private {
};

RankingExporter::RankingExporter(PlayerDatabase &) : d(std::make_unique<Private>()) {}
RankingExporter::~RankingExporter() = default;

void RankingExporter::exportStats(const Settings &, const QString &, CommandHost &, const std::function<void()> &)
{
    throw RankholdError(QStringLiteral("The export is not built yet"));
}
