#pragma once

#include "common/CommandHost.h"
#include "common/EventLoopTurns.h"

// The progress bar and the event loop while the export puts its pages
// together. Each enabled ranking has an equal share of the bar: a tenth
// when its query has run, most of it with the rows of its complete page,
// the rest as the page is encoded and written. The bar goes back to 0 when the
// export ends (as the import leaves it), however it ends.
class ExportProgress
{
public:
    ExportProgress(CommandHost &host, int rankings);
    ~ExportProgress();
    ExportProgress(const ExportProgress &) = delete;
    ExportProgress &operator=(const ExportProgress &) = delete;

    // The query of the next enabled ranking has run, with `rows` rows.
    void startRanking(qsizetype rows);
    // The row before `position` has been rendered. The top-10 section of a
    // ranking reads its first rows again, which moves nothing.
    void rowRendered(qsizetype position);
    // `done` of the `total` characters of the page are encoded.
    void pageEncoded(qsizetype done, qsizetype total);
    // The page is written. The top-10 page, after the last ranking, moves
    // nothing.
    void pageWritten();
    // Between two steps: lets the event loop run when it is due.
    void turn() { m_turns.step(); }

private:
    // `permille` of the current ranking's share done.
    void show(qint64 permille);

    CommandHost &m_host;
    EventLoopTurns m_turns;
    int m_rankings;
    int m_ranking = -1;
    qsizetype m_rows = 0;
    int m_shown = 0;
};
