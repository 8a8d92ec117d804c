#include "html/DataSet.h"

#include "common/RankholdError.h"

#include <QLocale>

using namespace Qt::StringLiterals;

QVariant TField::Value() const
{
    return m_dataSet.FieldValue(m_index);
}

QString TField::DisplayText() const
{
    if (OnGetText)
        return OnGetText(*this);
    return displayTextOf(Value());
}

QString floatDisplayText(double value, const QString &decimalPoint)
{
    // The 'g' form with 15 digits switches to the exponent form exactly where
    // the general format of the pages always did (below 1E-4, from 1E15 on);
    // the exponent is then written without '+' and leading zeros: 1E20, 1E-5.
    // QString::number always writes '.', unlike printf under the C locale
    // that a Qt program takes from the environment.
    QString mantissa = QString::number(value, 'g', 15);
    QString exponent;
    const qsizetype e = mantissa.indexOf(u'e');
    if (e >= 0) {
        QString digits = mantissa.mid(e + 1);
        mantissa.truncate(e);
        bool negative = false;
        if (!digits.isEmpty() && (digits.front() == u'+' || digits.front() == u'-')) {
            negative = digits.front() == u'-';
            digits.remove(0, 1);
        }
        while (digits.size() > 1 && digits.front() == u'0')
            digits.remove(0, 1);
        exponent = u"E"_s + (negative ? u"-"_s : QString()) + digits;
    }
    mantissa.replace(u'.', decimalPoint);
    return mantissa + exponent;
}

QString displayTextOf(const QVariant &value)
{
    if (value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return floatDisplayText(value.toDouble(), QLocale::system().decimalPoint());
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Long:
        return QString::number(value.toLongLong());
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::ULong:
        return QString::number(value.toULongLong());
    case QMetaType::Bool:
        return value.toBool() ? u"True"_s : u"False"_s;
    default:
        return value.toString();
    }
}

TDataSet::~TDataSet()
{
    // Whoever still points here (a producer) lets go now, fields first.
    clearFields();
    notify(Notice::Destroyed);
}

TField *TDataSet::FindField(const QString &name) const
{
    for (const auto &f : m_fields) {
        if (f->FieldName().compare(name, Qt::CaseInsensitive) == 0)
            return f.get();
    }
    return nullptr;
}

TField &TDataSet::FieldByName(const QString &name) const
{
    TField *f = FindField(name);
    if (!f)
        throw RankholdError(u"Field '%1' not found"_s.arg(name));
    return *f;
}

void TDataSet::setFields(const QStringList &names)
{
    clearFields();
    for (int i = 0; i < names.size(); ++i)
        m_fields.push_back(std::make_unique<TField>(*this, names.at(i), i));
}

void TDataSet::clearFields()
{
    // Listeners unbind what points at a field before it goes.
    while (!m_fields.empty()) {
        notify(Notice::FieldDestroyed, m_fields.back().get());
        m_fields.pop_back();
    }
}

void TDataSet::notify(Notice notice, TField *field)
{
    m_listeners.notify(notice, field);
}
