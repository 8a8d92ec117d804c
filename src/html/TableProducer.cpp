#include "html/TableProducer.h"

#include "common/TextFiles.h"
#include "html/DataSet.h"

#include <QScopeGuard>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QString kCrLf = u"\r\n"_s;

// The attributes every tag ends with: the colour in quotes, then the custom text.
void appendColorAndCustom(QString &text, const QString &bgColor, const QString &custom)
{
    if (!bgColor.isEmpty())
        text += u" BgColor=\""_s + bgColor + u'"';
    if (!custom.isEmpty())
        text += u' ' + custom;
}

} // namespace

TTableProducerBase::TTableProducerBase()
    : m_columns(*this), m_rowAttributes(this, [this] { contentChanged(); }),
      m_tableAttributes(this, [this] { contentChanged(); })
{
}

TTableProducerBase::~TTableProducerBase() = default;

void TTableProducerBase::setCaption(const QString &value)
{
    if (value == m_caption)
        return;
    m_caption = value;
    contentChanged();
}

void TTableProducerBase::setCaptionAlignment(TCaptionPlace value)
{
    if (value == m_captionAlignment)
        return;
    m_captionAlignment = value;
    contentChanged();
}

void TTableProducerBase::setMaxRows(int value)
{
    if (value == m_maxRows)
        return;
    m_maxRows = value;
    contentChanged();
}

QString TTableProducerBase::BuildHeaderCells()
{
    QString text;
    for (int i = 0; i < m_columns.Count(); ++i) {
        TDisplayColumn &column = m_columns[i];
        const THeadingAttrs &title = column.Title();
        QString data = title.Caption();
        if (data.isEmpty()) {
            if (TField *field = column.Field())
                data = field->DisplayLabel();
            else
                data = column.DisplayName();
        }
        text += BuildCell(0, i, data, u"TH"_s, title.BgColor(), title.Align(), title.VAlign(), title.Custom());
    }
    return text;
}

void TTableProducerBase::DoFormatCell(int cellRow, int cellColumn, TColorText &bgColor, THorzAlign &align,
                                      TVertAlign &vAlign, QString &customAttrs, QString &cellData)
{
    if (OnFormatCell)
        OnFormatCell(*this, cellRow, cellColumn, bgColor, align, vAlign, customAttrs, cellData);
}

void TTableProducerBase::DoGetTableCaption(QString &caption, TCaptionPlace &alignment)
{
    if (OnGetTableCaption)
        OnGetTableCaption(*this, caption, alignment);
}

QString TTableProducerBase::BuildCell(int cellRow, int cellColumn, QString cellData, const QString &tag,
                                      TColorText bgColor, THorzAlign align, TVertAlign vAlign, QString customAttrs)
{
    QString text = u"<"_s + tag;
    DoFormatCell(cellRow, cellColumn, bgColor, align, vAlign, customAttrs, cellData);
    text += horzAlignText(align);
    text += vertAlignText(vAlign);
    appendColorAndCustom(text, bgColor, customAttrs);
    text += u'>' + cellData + u"</"_s + tag + u'>';
    return text;
}

QString TTableProducerBase::BuildRowTag()
{
    const TRowAttrs &row = m_rowAttributes;
    QString text = u"<TR"_s + horzAlignText(row.Align()) + vertAlignText(row.VAlign());
    appendColorAndCustom(text, row.BgColor(), row.Custom());
    text += u'>';
    return text;
}

QString TTableProducerBase::BuildTableTag()
{
    const TTableAttrs &table = m_tableAttributes;
    QString text = u"<Table"_s;
    if (table.Width() > 0)
        text += u" Width=\""_s + QString::number(table.Width()) + u"%\""_s;
    text += horzAlignText(table.Align());
    if (table.CellSpacing() >= 0)
        text += u" CellSpacing="_s + QString::number(table.CellSpacing());
    if (table.CellPadding() >= 0)
        text += u" CellPadding="_s + QString::number(table.CellPadding());
    if (table.Border() >= 0)
        text += u" Border="_s + QString::number(table.Border());
    appendColorAndCustom(text, table.BgColor(), table.Custom());
    text += u'>';
    return text;
}

QString TTableProducerBase::BuildCaptionTag()
{
    QString caption = m_caption;
    TCaptionPlace alignment = m_captionAlignment;
    DoGetTableCaption(caption, alignment);
    if (caption.isEmpty())
        return {};
    return u"<Caption "_s + captionPlaceText(alignment) + caption + u"</Caption>"_s;
}

TTableProducer::TTableProducer()
    : m_link({[this] { RebuildColumns(); }, [this](TField *field) { fieldDestroyed(field); },
              [this] { dataSetDestroyed(); }})
{
}

TTableProducer::~TTableProducer()
{
    // Columns may point at the data set's fields: let go of the data set first.
    m_link.setDataSet(nullptr);
    Columns().Clear();
}

void TTableProducer::SetDataSet(TDataSet *dataSet)
{
    if (dataSet == m_link.DataSet())
        return;
    m_link.setDataSet(dataSet);
    contentChanged();
    RebuildColumns();
}

void TTableProducer::EndLoading()
{
    m_loading = false;
    if (m_link.DataSet())
        RebuildColumns();
}

QString TTableProducer::ProduceContent()
{
    TDataSet *dataSet = m_link.DataSet();
    if (!dataSet)
        return {};
    if (dataSet->Active() && Columns().isEmpty())
        RebuildColumns();
    if (OnCreateContent) {
        bool continueContent = true;
        OnCreateContent(*this, continueContent);
        if (!continueContent)
            return {};
    }
    return joinLinesCrLf(Header()) + RenderTable() + joinLinesCrLf(Footer());
}

QString TTableProducer::RenderTable()
{
    const QString rowTag = BuildRowTag();
    QString text = BuildTableTag() + BuildCaptionTag() + kCrLf + rowTag;
    text += BuildHeaderCells();
    text += u"</TR>"_s + kCrLf;
    TDataSet *dataSet = m_link.DataSet();
    if (dataSet && dataSet->IsBrowsing()) {
        TDisplayColumns &columns = Columns();
        int row = 1;
        // A negative budget never reaches 0: every remaining row.
        for (int budget = MaxRows(); budget != 0 && !dataSet->Eof(); --budget, ++row) {
            text += rowTag;
            for (int c = 0; c < columns.Count(); ++c) {
                TDisplayColumn &column = columns[c];
                const TField *field = column.Field();
                // Names and values come from anyone who joins the server: never markup.
                const QString data = field ? escapeHtmlText(field->DisplayText()) : QString();
                text += BuildCell(row, c, data, u"TD"_s, column.BgColor(), column.Align(), column.VAlign(),
                                  column.Custom());
            }
            text += u"</TR>"_s + kCrLf;
            dataSet->Next();
        }
    }
    text += u"</Table>"_s;
    return text;
}

void TTableProducer::removeDefaultColumnsAfterCustom()
{
    TDisplayColumns &columns = Columns();
    bool defaultSeen = false;
    for (int i = 0; i < columns.Count(); ++i) {
        const bool isDefault = dynamic_cast<TAutoColumn *>(&columns[i]) != nullptr;
        if (isDefault) {
            defaultSeen = true;
        } else if (defaultSeen) {
            for (int j = columns.Count() - 1; j >= 0; --j) {
                if (dynamic_cast<TAutoColumn *>(&columns[j]))
                    columns.Delete(j);
            }
            return;
        }
    }
}

void TTableProducer::RebuildColumns()
{
    if (m_loading || m_rebuilding)
        return;
    m_rebuilding = true;
    const auto done = qScopeGuard([this] { m_rebuilding = false; });

    TDisplayColumns &columns = Columns();
    removeDefaultColumnsAfterCustom();

    m_link.clearFieldMap();
    const bool custom = columns.HasCustomColumns();
    m_link.buildFieldMap(columns, custom);
    if (custom) {
        // Looked up again by name when needed.
        for (int i = 0; i < columns.Count(); ++i)
            columns[i].setField(nullptr);
        return;
    }

    TDataSet *dataSet = m_link.DataSet();
    std::vector<TField *> mapped;
    if (dataSet) {
        for (int position : m_link.FieldMap()) {
            if (position >= 0 && position < int(dataSet->Fields().size()))
                mapped.push_back(dataSet->Fields()[size_t(position)].get());
            else
                mapped.push_back(nullptr);
        }
    }
    if (m_link.Active() || (dataSet && dataSet->HasPersistentFields())) {
        for (int i = columns.Count() - 1; i >= 0; --i) {
            const TField *field = columns[i].Field();
            if (!field || std::find(mapped.begin(), mapped.end(), field) == mapped.end())
                columns.Delete(i);
        }
    } else {
        columns.Clear();
    }

    for (int i = 0; i < int(mapped.size()); ++i) {
        TField *field = mapped[size_t(i)];
        int found = -1;
        if (field) {
            for (int j = i; j < columns.Count(); ++j) {
                if (columns[j].BoundField() == field) {
                    found = j;
                    break;
                }
            }
        }
        if (found < 0) {
            TAutoColumn &column = columns.AddAuto();
            if (field)
                column.setField(field);
            found = columns.Count() - 1;
        }
        columns.Move(found, i);
    }
}

void TTableProducer::fieldDestroyed(TField *field)
{
    TDisplayColumns &columns = Columns();
    for (int i = 0; i < columns.Count(); ++i) {
        if (columns[i].BoundField() == field)
            columns[i].setField(nullptr);
    }
}

void TTableProducer::dataSetDestroyed()
{
    // The link has already let go, and the fields were announced as destroyed.
    contentChanged();
    RebuildColumns();
}
