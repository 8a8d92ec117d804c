#pragma once

#include "core/CommandHost.h"
#include "settings/Settings.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class PlayerDatabase;
class TTableProducer;

// File > Export Stats to HTML (ExportStatshtml1Click). Owns the two table
// producers (TableProducer1 for the complete rankings, TableProducer2 for
// the top 10), whose table attributes persist from one export to the next.
class RankingExporter
{
public:
    explicit RankingExporter(PlayerDatabase &database);
    ~RankingExporter();

    // Writes the enabled ranking pages and the top-10 page into
    // `programFolder`, then runs `afterExport` (the upload, when "Create and
    // upload HTML by FTP after each import" is ticked; may be empty).
    // Throws RankholdError.
    void exportStats(const Settings &settings, const QString &programFolder, CommandHost &host,
                     const std::function<void()> &afterExport);

    TTableProducer &TableProducer1();
    TTableProducer &TableProducer2();

    // The seven page file names that every export deletes first.
    static const QStringList &pageFileNames();
    // "<br><font size=1 face=arial>Statistics by <a href=...>Rankhold</a></font><br>"
    static QString creditLine();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
