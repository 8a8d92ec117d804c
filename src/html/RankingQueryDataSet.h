#pragma once

#include "html/DataSet.h"
#include "scores/RankingQuery.h"

#include <functional>

// A ranking query of the player database seen as a data set of the table
// producer: it follows the query's opening and closing (new fields each
// time it opens) and lets go when the query is destroyed.
class RankingQueryDataSet : public TDataSet
{
public:
    explicit RankingQueryDataSet(RankingQuery &query);
    ~RankingQueryDataSet() override;

    RankingQuery *query() const { return m_query; }

    QString Name() const override;
    bool Active() const override;
    bool Eof() const override;
    void Next() override;
    QVariant FieldValue(int index) const override;

    // Told after every move to the next row (the export's progress).
    std::function<void()> OnNext;

private:
    void queryEvent(RankingQuery::Event event);

    RankingQuery *m_query;
    int m_listener = 0;
};
