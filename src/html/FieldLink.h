#pragma once

#include <QtGlobal>
#include <functional>
#include <vector>

class TDataSet;
class TDisplayColumns;
class TField;

// Connects a producer to its data set: follows the data set's opening,
// closing and layout changes, and maps each display column to the position
// of its field (-1 for a column whose field is missing).
class TFieldLink
{
public:
    // The most entries the map may hold; one more raises "Too many table columns".
    static constexpr qsizetype kMaxFieldMapEntries = 268435454;

    struct Handlers {
        std::function<void()> layoutChanged; // opened, closed, fields changed
        std::function<void(TField *)> fieldDestroyed;
        std::function<void()> dataSetDestroyed;
    };

    explicit TFieldLink(Handlers handlers) : m_handlers(std::move(handlers)) {}
    ~TFieldLink();
    TFieldLink(const TFieldLink &) = delete;
    TFieldLink &operator=(const TFieldLink &) = delete;

    TDataSet *DataSet() const { return m_dataSet; }
    // Starts following `dataSet` (or nothing); does not tell the owner.
    void setDataSet(TDataSet *dataSet);
    // While the data set is open.
    bool Active() const;

    const std::vector<int> &FieldMap() const { return m_map; }
    qsizetype FieldMapCapacity() const { return m_capacity; }
    void clearFieldMap();
    // With custom columns one entry per column, looked up by its FieldName;
    // otherwise one entry per field of the data set, in field order. Only
    // while the link is active.
    void buildFieldMap(const TDisplayColumns &columns, bool customColumns);
    // Throws RankholdError "Too many table columns" past the limit.
    void addFieldMapEntry(int position);

private:
    Handlers m_handlers;
    TDataSet *m_dataSet = nullptr;
    int m_listener = 0;
    std::vector<int> m_map;
    qsizetype m_capacity = 0;
};
