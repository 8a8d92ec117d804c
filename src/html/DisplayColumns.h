#pragma once

#include "html/HtmlAttrs.h"

#include <memory>
#include <vector>

class TField;
class TTableProducerBase;

// One column of the producer's table: the field it shows, the attributes of
// its data cells and its heading.
class TDisplayColumn
{
public:
    explicit TDisplayColumn(TTableProducerBase &producer);
    virtual ~TDisplayColumn() = default;
    TDisplayColumn(const TDisplayColumn &) = delete;
    TDisplayColumn &operator=(const TDisplayColumn &) = delete;

    virtual QString ClassName() const { return QStringLiteral("TDisplayColumn"); }
    // FieldName, or the class name when it is empty.
    QString DisplayName() const;

    // The bound field; otherwise, with a FieldName and an open data set, the
    // data set's field of that name, which is then bound. None when absent.
    TField *Field();
    // The bound field only, without looking anything up.
    TField *BoundField() const { return m_field; }
    // Binds (copying the field's name into FieldName) or unbinds (nullptr).
    void setField(TField *field);

    const QString &FieldName() const { return m_fieldName; }
    void setFieldName(const QString &value);
    THorzAlign Align() const { return m_align; }
    void setAlign(THorzAlign value);
    const TColorText &BgColor() const { return m_bgColor; }
    void setBgColor(const TColorText &value);
    const QString &Custom() const { return m_custom; }
    void setCustom(const QString &value);
    TVertAlign VAlign() const { return m_vAlign; }
    void setVAlign(TVertAlign value);
    THeadingAttrs &Title() { return m_title; }
    const THeadingAttrs &Title() const { return m_title; }

private:
    void changed();

    TTableProducerBase &m_producer;
    TField *m_field = nullptr;
    QString m_fieldName;
    THorzAlign m_align = alDefault;
    TColorText m_bgColor;
    QString m_custom;
    TVertAlign m_vAlign = vaDefault;
    THeadingAttrs m_title;
};

// A column that the producer made by itself for a field of its data set.
class TAutoColumn : public TDisplayColumn
{
public:
    using TDisplayColumn::TDisplayColumn;
    QString ClassName() const override { return QStringLiteral("TAutoColumn"); }
};

// The ordered columns of a producer, addressed by position from 0.
class TDisplayColumns
{
public:
    explicit TDisplayColumns(TTableProducerBase &producer) : m_producer(producer) {}
    TDisplayColumns(const TDisplayColumns &) = delete;
    TDisplayColumns &operator=(const TDisplayColumns &) = delete;

    int Count() const { return int(m_items.size()); }
    bool isEmpty() const { return m_items.empty(); }
    // Throws RankholdError "List index out of bounds (%d)".
    TDisplayColumn &operator[](int index) const;
    TDisplayColumn &Items(int index) const { return (*this)[index]; }

    // A custom column added at the end.
    TDisplayColumn &Add();
    TAutoColumn &AddAuto();
    void Delete(int index);
    void Clear();
    // Moves the column at `from` to position `to`.
    void Move(int from, int to);
    int IndexOf(const TDisplayColumn *column) const;

    // Not empty, and the first column is not one the producer made.
    bool HasCustomColumns() const;

private:
    void changed();

    TTableProducerBase &m_producer;
    std::vector<std::unique_ptr<TDisplayColumn>> m_items;
};
