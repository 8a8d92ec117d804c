#include "html/RankingQueryDataSet.h"

RankingQueryDataSet::RankingQueryDataSet(RankingQuery &query) : m_query(&query)
{
    m_listener = query.addListener([this](RankingQuery::Event event) { queryEvent(event); });
    if (query.isOpen())
        setFields(query.fieldNames());
}

RankingQueryDataSet::~RankingQueryDataSet()
{
    if (m_query)
        m_query->removeListener(m_listener);
    clearFields();
}

void RankingQueryDataSet::queryEvent(RankingQuery::Event event)
{
    switch (event) {
    case RankingQuery::Event::Opened:
        setFields(m_query->fieldNames());
        notify(Notice::Opened);
        break;
    case RankingQuery::Event::Closed:
        clearFields();
        notify(Notice::Closed);
        break;
    case RankingQuery::Event::Destroyed:
        // The query is gone with its database: from now on this data set is closed.
        m_query = nullptr;
        clearFields();
        notify(Notice::Closed);
        break;
    }
}

QString RankingQueryDataSet::Name() const
{
    return m_query ? m_query->name() : QString();
}

bool RankingQueryDataSet::Active() const
{
    return m_query && m_query->isOpen();
}

bool RankingQueryDataSet::Eof() const
{
    return !m_query || m_query->eof();
}

void RankingQueryDataSet::Next()
{
    if (m_query)
        m_query->next();
    if (OnNext)
        OnNext();
}

QVariant RankingQueryDataSet::FieldValue(int index) const
{
    return m_query ? m_query->value(index) : QVariant();
}
