#include "html/DisplayColumns.h"

#include "common/RankholdError.h"
#include "html/DataSet.h"
#include "html/TableProducer.h"

TDisplayColumn::TDisplayColumn(TTableProducerBase &producer)
    : m_producer(producer), m_title(&producer, [this] { changed(); })
{
}

QString TDisplayColumn::DisplayName() const
{
    return m_fieldName.isEmpty() ? ClassName() : m_fieldName;
}

TField *TDisplayColumn::Field()
{
    if (m_field)
        return m_field;
    if (m_fieldName.isEmpty())
        return nullptr;
    TDataSet *dataSet = m_producer.GetDataSet();
    if (!dataSet || !dataSet->Active())
        return nullptr;
    if (TField *found = dataSet->FindField(m_fieldName))
        setField(found);
    return m_field;
}

void TDisplayColumn::setField(TField *field)
{
    if (field == m_field)
        return;
    m_field = field;
    if (field)
        m_fieldName = field->FieldName();
    changed();
}

void TDisplayColumn::setFieldName(const QString &value)
{
    if (value == m_fieldName)
        return;
    m_fieldName = value;
    // A new name is looked up again when the field is needed.
    m_field = nullptr;
    changed();
}

void TDisplayColumn::setAlign(THorzAlign value)
{
    if (value == m_align)
        return;
    m_align = value;
    changed();
}

void TDisplayColumn::setBgColor(const TColorText &value)
{
    if (value == m_bgColor)
        return;
    m_bgColor = value;
    changed();
}

void TDisplayColumn::setCustom(const QString &value)
{
    if (value == m_custom)
        return;
    m_custom = value;
    changed();
}

void TDisplayColumn::setVAlign(TVertAlign value)
{
    if (value == m_vAlign)
        return;
    m_vAlign = value;
    changed();
}

void TDisplayColumn::changed()
{
    m_producer.contentChanged();
}

TDisplayColumn &TDisplayColumns::operator[](int index) const
{
    if (index < 0 || index >= Count())
        throwListIndexError(index);
    return *m_items[size_t(index)];
}

TDisplayColumn &TDisplayColumns::Add()
{
    m_items.push_back(std::make_unique<TDisplayColumn>(m_producer));
    changed();
    return *m_items.back();
}

TAutoColumn &TDisplayColumns::AddAuto()
{
    auto column = std::make_unique<TAutoColumn>(m_producer);
    TAutoColumn &ref = *column;
    m_items.push_back(std::move(column));
    changed();
    return ref;
}

void TDisplayColumns::Delete(int index)
{
    if (index < 0 || index >= Count())
        throwListIndexError(index);
    m_items.erase(m_items.begin() + index);
    changed();
}

void TDisplayColumns::Clear()
{
    if (m_items.empty())
        return;
    m_items.clear();
    changed();
}

void TDisplayColumns::Move(int from, int to)
{
    if (from < 0 || from >= Count())
        throwListIndexError(from);
    if (to < 0 || to >= Count())
        throwListIndexError(to);
    if (from == to)
        return;
    auto column = std::move(m_items[size_t(from)]);
    m_items.erase(m_items.begin() + from);
    m_items.insert(m_items.begin() + to, std::move(column));
    changed();
}

int TDisplayColumns::IndexOf(const TDisplayColumn *column) const
{
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (m_items[i].get() == column)
            return int(i);
    }
    return -1;
}

bool TDisplayColumns::HasCustomColumns() const
{
    return !m_items.empty() && !dynamic_cast<const TAutoColumn *>(m_items.front().get());
}

void TDisplayColumns::changed()
{
    m_producer.contentChanged();
}
