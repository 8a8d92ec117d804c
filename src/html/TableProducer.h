#pragma once

#include "html/DisplayColumns.h"
#include "html/FieldLink.h"
#include "html/HtmlAttrs.h"

#include <QStringList>
#include <functional>

class TDataSet;
class TField;

// Renders rows of a data set as one HTML table between a header and a
// footer text. Every tag, attribute, capital, blank and line break of the
// output is part of the pages' format.
class TTableProducerBase : public TContentProducer
{
public:
    // May veto the content by setting `continueContent` to false.
    using TContentEvent = std::function<void(TContentProducer &sender, bool &continueContent)>;
    // May change one cell before it is written. The data of a data cell
    // arrives HTML-escaped; what the hook puts there is written as it is.
    using TFormatCellEvent =
        std::function<void(TTableProducerBase &sender, int cellRow, int cellColumn, TColorText &bgColor,
                           THorzAlign &align, TVertAlign &vAlign, QString &customAttrs, QString &cellData)>;
    // May change the caption and where it goes.
    using TTableCaptionEvent =
        std::function<void(TTableProducerBase &sender, QString &caption, TCaptionPlace &alignment)>;

    TTableProducerBase();
    ~TTableProducerBase() override;

    virtual TDataSet *GetDataSet() const = 0;
    virtual void SetDataSet(TDataSet *dataSet) = 0;

    const QString &Caption() const { return m_caption; }
    void setCaption(const QString &value);
    TCaptionPlace CaptionAlignment() const { return m_captionAlignment; }
    void setCaptionAlignment(TCaptionPlace value);
    TDisplayColumns &Columns() { return m_columns; }
    const TDisplayColumns &Columns() const { return m_columns; }
    // Lines of text before and after the table, each followed by CR LF.
    QStringList &Header() { return m_header; }
    QStringList &Footer() { return m_footer; }
    // The most data rows of one content; 0 none, negative all.
    int MaxRows() const { return m_maxRows; }
    void setMaxRows(int value);
    TRowAttrs &RowAttributes() { return m_rowAttributes; }
    TTableAttrs &TableAttributes() { return m_tableAttributes; }

    TContentEvent OnCreateContent;
    TFormatCellEvent OnFormatCell;
    TTableCaptionEvent OnGetTableCaption;

    // The rendering steps, in the order the table is put together.
    virtual QString BuildHeaderCells();
    virtual void DoFormatCell(int cellRow, int cellColumn, TColorText &bgColor, THorzAlign &align, TVertAlign &vAlign,
                              QString &customAttrs, QString &cellData);
    virtual void DoGetTableCaption(QString &caption, TCaptionPlace &alignment);
    virtual QString BuildCell(int cellRow, int cellColumn, QString cellData, const QString &tag, TColorText bgColor,
                              THorzAlign align, TVertAlign vAlign, QString customAttrs);
    virtual QString BuildRowTag();
    virtual QString BuildTableTag();
    virtual QString BuildCaptionTag();

private:
    QString m_caption;
    TCaptionPlace m_captionAlignment = cpDefault;
    TDisplayColumns m_columns;
    QStringList m_header;
    QStringList m_footer;
    int m_maxRows = 20;
    TRowAttrs m_rowAttributes;
    TTableAttrs m_tableAttributes;
};

class TTableProducer : public TTableProducerBase
{
public:
    TTableProducer();
    ~TTableProducer() override;

    TDataSet *GetDataSet() const override { return m_link.DataSet(); }
    // The same data set again does nothing; otherwise the columns follow the
    // new data set. The producer lets go of a data set that is destroyed.
    void SetDataSet(TDataSet *dataSet) override;
    TDataSet *DataSet() const { return GetDataSet(); }
    void setDataSet(TDataSet *dataSet) { SetDataSet(dataSet); }

    // Header, table and footer, reading the data set from its current record
    // on and leaving it after the last row rendered. Empty without a data set.
    QString ProduceContent() override;
    // The table alone, from "<Table" to "</Table>".
    QString RenderTable();
    // Brings the columns in line with the data set's fields.
    void RebuildColumns();

    const TFieldLink &Link() const { return m_link; }

    // While the stored values are being applied no rebuild runs; the end of
    // loading brings the columns in line once.
    void BeginLoading() { m_loading = true; }
    void EndLoading();

private:
    void fieldDestroyed(TField *field);
    void dataSetDestroyed();
    void removeDefaultColumnsAfterCustom();

    TFieldLink m_link;
    bool m_loading = false;
    bool m_rebuilding = false;
};
