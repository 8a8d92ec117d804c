#pragma once

#include "common/CommandHost.h"
#include "common/EventLoopTurns.h"

// The progress bar and the event loop while the export puts its pages
// together: the bar shows the share of the enabled rankings done, moving with
// the rows of each complete ranking, and goes back to 0 when the export ends
// (as the import leaves it), however it ends.
class ExportProgress
{
public:
    ExportProgress(CommandHost &host, int rankings);
    ~ExportProgress();
    ExportProgress(const ExportProgress &) = delete;
    ExportProgress &operator=(const ExportProgress &) = delete;

    // The next enabled ranking begins, with `rows` rows.
    void startRanking(qsizetype rows);
    // The row before `position` has been rendered. The top-10 section of a
    // ranking reads its first rows again, which moves nothing.
    void rowRendered(qsizetype position);
    // Between the steps of a ranking (a page written): lets the event loop
    // run when it is due.
    void turn() { m_turns.step(); }

private:
    void show(qint64 done, qint64 of);

    CommandHost &m_host;
    EventLoopTurns m_turns;
    int m_rankings;
    int m_ranking = -1;
    qsizetype m_rows = 0;
    int m_shown = 0;
};
