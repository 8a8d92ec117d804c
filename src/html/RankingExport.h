#pragma once

#include "common/CommandHost.h"
#include "scores/PlayerSql.h"
#include "settings/Settings.h"

#include <QString>
#include <memory>

class PlayerDatabase;
class ProgramFolder;
class TTableProducer;

// What an export did.
struct ExportResult {
    // The player filter the rankings were made with (empty: none); the
    // player figure of the window follows it until the next export.
    PlayerSql::Filters playerFilter;
};

// File > Export Stats to HTML (ExportStatshtml1Click), without the upload
// that may follow it. Owns the two table producers (TableProducer1 for the
// complete rankings, TableProducer2 for the top 10), whose table attributes
// persist from one export to the next.
class RankingExporter
{
public:
    explicit RankingExporter(PlayerDatabase &database);
    ~RankingExporter();

    // Deletes the seven pages of `folder`, then writes the enabled ranking
    // pages and the top-10 page. Throws RankholdError.
    ExportResult exportStats(const Settings &settings, const ProgramFolder &folder, CommandHost &host);

    TTableProducer &TableProducer1();
    TTableProducer &TableProducer2();

    // "<br><font size=1 face=arial>Statistics by <a href=...>Rankhold</a></font><br>"
    static QString creditLine();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
