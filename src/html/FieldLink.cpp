#include "html/FieldLink.h"

#include "common/RankholdError.h"
#include "html/DataSet.h"
#include "html/DisplayColumns.h"

#include <algorithm>

using namespace Qt::StringLiterals;

TFieldLink::~TFieldLink()
{
    setDataSet(nullptr);
}

void TFieldLink::setDataSet(TDataSet *dataSet)
{
    if (dataSet == m_dataSet)
        return;
    if (m_dataSet)
        m_dataSet->removeListener(m_listener);
    m_dataSet = dataSet;
    m_listener = 0;
    if (!dataSet)
        return;
    m_listener = dataSet->addListener([this](TDataSet::Notice notice, TField *field) {
        switch (notice) {
        case TDataSet::Notice::Opened:
        case TDataSet::Notice::Closed:
        case TDataSet::Notice::LayoutChanged:
            if (m_handlers.layoutChanged)
                m_handlers.layoutChanged();
            break;
        case TDataSet::Notice::FieldDestroyed:
            if (m_handlers.fieldDestroyed)
                m_handlers.fieldDestroyed(field);
            break;
        case TDataSet::Notice::Destroyed:
            m_dataSet->removeListener(m_listener);
            m_dataSet = nullptr;
            m_listener = 0;
            clearFieldMap();
            if (m_handlers.dataSetDestroyed)
                m_handlers.dataSetDestroyed();
            break;
        }
    });
}

bool TFieldLink::Active() const
{
    return m_dataSet && m_dataSet->Active();
}

void TFieldLink::clearFieldMap()
{
    m_map.clear();
    m_map.shrink_to_fit();
    m_capacity = 0;
}

void TFieldLink::addFieldMapEntry(int position)
{
    if (qsizetype(m_map.size()) >= kMaxFieldMapEntries)
        throw RankholdError(u"Too many table columns"_s);
    if (qsizetype(m_map.size()) == m_capacity) {
        // From 8 entries, doubling, but never past the list's ceiling.
        m_capacity = m_capacity == 0 ? 8 : std::min<qsizetype>(m_capacity * 2, kMaxFieldMapEntries + 1);
        m_map.reserve(size_t(m_capacity));
    }
    m_map.push_back(position);
}

void TFieldLink::buildFieldMap(const TDisplayColumns &columns, bool customColumns)
{
    if (!Active())
        return;
    if (customColumns) {
        for (int i = 0; i < columns.Count(); ++i) {
            const TField *field = m_dataSet->FindField(columns[i].FieldName());
            addFieldMapEntry(field ? field->Index() : -1);
        }
        return;
    }
    for (const auto &field : m_dataSet->Fields())
        addFieldMapEntry(field->Index());
}
