#pragma once

#include "common/Listeners.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

class TDataSet;

// One result column of a data set while it is open. A data set that is
// closed and opened again has new fields.
class TField
{
public:
    TField(TDataSet &dataSet, QString fieldName, int index)
        : m_dataSet(dataSet), m_fieldName(std::move(fieldName)), m_index(index)
    {
    }
    TField(const TField &) = delete;
    TField &operator=(const TField &) = delete;

    TDataSet &DataSet() const { return m_dataSet; }
    const QString &FieldName() const { return m_fieldName; }
    // The heading text: the label when one is set, otherwise the name.
    QString DisplayLabel() const { return m_displayLabel.isEmpty() ? m_fieldName : m_displayLabel; }
    void setDisplayLabel(const QString &label) { m_displayLabel = label; }
    // Position in the data set's field list, from 0.
    int Index() const { return m_index; }

    // The value in the current record; null for NULL or past the end.
    QVariant Value() const;
    bool IsNull() const { return Value().isNull(); }

    // The text of the value in the current record: text as stored, whole
    // numbers plain, floating point in the shortest general form with at
    // most 15 significant digits and the system's decimal separator, NULL
    // empty. A text hook, when set, takes precedence.
    QString DisplayText() const;
    std::function<QString(const TField &)> OnGetText;

private:
    TDataSet &m_dataSet;
    QString m_fieldName;
    QString m_displayLabel;
    int m_index;
};

// Formats one value the way DisplayText does.
QString displayTextOf(const QVariant &value);
// Shortest general form, at most 15 significant digits, the given decimal separator.
QString floatDisplayText(double value, const QString &decimalPoint);

// What the table producer reads rows from: an open/closed cursor over a
// result with named fields, and notices of its opening, closing, layout
// change, destruction and of each field's destruction.
class TDataSet
{
public:
    enum class Notice { Opened, Closed, LayoutChanged, FieldDestroyed, Destroyed };
    // `field` is set for FieldDestroyed only.
    using Listener = std::function<void(Notice notice, TField *field)>;

    TDataSet() = default;
    virtual ~TDataSet();
    TDataSet(const TDataSet &) = delete;
    TDataSet &operator=(const TDataSet &) = delete;

    virtual QString Name() const { return {}; }
    virtual bool Active() const = 0;
    // Open and not being edited: the only state in which rows are read.
    virtual bool IsBrowsing() const { return Active(); }
    virtual bool Eof() const = 0;
    virtual void Next() = 0;
    // The value of field `index` in the current record.
    virtual QVariant FieldValue(int index) const = 0;
    // A data set whose fields are declared once and exist while it is closed.
    virtual bool HasPersistentFields() const { return false; }

    const std::vector<std::unique_ptr<TField>> &Fields() const { return m_fields; }
    // Field names match case-insensitively, as in SQL. Nothing when absent.
    TField *FindField(const QString &name) const;
    // Throws RankholdError "Field '%s' not found".
    TField &FieldByName(const QString &name) const;

    int addListener(Listener listener) { return m_listeners.add(std::move(listener)); }
    void removeListener(int id) { m_listeners.remove(id); }

protected:
    // Replaces the field list: every old field is announced as destroyed first.
    void setFields(const QStringList &names);
    void clearFields();
    void notify(Notice notice, TField *field = nullptr);

private:
    std::vector<std::unique_ptr<TField>> m_fields;
    Listeners<Notice, TField *> m_listeners;
};
