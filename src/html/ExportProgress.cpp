#include "html/ExportProgress.h"

#include <algorithm>

ExportProgress::ExportProgress(CommandHost &host, int rankings) : m_host(host), m_turns(host), m_rankings(rankings) {}

ExportProgress::~ExportProgress()
{
    if (m_shown != 0)
        m_host.setProgress(0);
}

void ExportProgress::startRanking(qsizetype rows)
{
    ++m_ranking;
    m_rows = rows;
    show(m_ranking, m_rankings);
    m_turns.step();
}

void ExportProgress::rowRendered(qsizetype position)
{
    if (m_rows > 0)
        show(qint64(m_ranking) * m_rows + std::min<qint64>(position, m_rows), qint64(m_rankings) * m_rows);
    m_turns.step();
}

void ExportProgress::show(qint64 done, qint64 of)
{
    const int position = of > 0 ? int(std::clamp<qint64>(done * 100 / of, 0, 100)) : 0;
    // Forward only: the top-10 section reads the first rows once more.
    if (position <= m_shown)
        return;
    m_shown = position;
    m_host.setProgress(position);
}
