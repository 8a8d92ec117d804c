#include "html/ExportProgress.h"

#include <algorithm>

namespace {

constexpr qint64 kQueryDone = 100; // of 1000 a ranking
constexpr qint64 kRowsDone = 900;
constexpr qint64 kEncoded = 990;

} // namespace

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
    show(kQueryDone);
    m_turns.step();
}

void ExportProgress::rowRendered(qsizetype position)
{
    if (m_rows > 0)
        show(kQueryDone + (kRowsDone - kQueryDone) * std::min<qint64>(position, m_rows) / m_rows);
    m_turns.step();
}

void ExportProgress::pageEncoded(qsizetype done, qsizetype total)
{
    if (total > 0)
        show(kRowsDone + (kEncoded - kRowsDone) * std::min<qint64>(done, total) / total);
    m_turns.step();
}

void ExportProgress::pageWritten()
{
    show(1000);
    m_turns.step();
}

void ExportProgress::show(qint64 permille)
{
    if (m_rankings <= 0)
        return;
    const qint64 done = qint64(std::max(m_ranking, 0)) * 1000 + permille;
    const int position = int(std::clamp<qint64>(done * 100 / (qint64(m_rankings) * 1000), 0, 100));
    // Forward only: the top-10 section reads the first rows once more.
    if (position <= m_shown)
        return;
    m_shown = position;
    m_host.setProgress(position);
}
