#pragma once

#include <QIODevice>
#include <QString>
#include <functional>

// The attribute records of the HTML table producer and the base of every
// content producer. The texts that the enumerations add to a tag are part of
// the pages' format: leading blank and capitals included.

enum THorzAlign { alDefault, alLeft, alRight, alCenter };
enum TVertAlign { vaDefault, vaTop, vaMiddle, vaBottom, vaBaseline };
enum TCaptionPlace { cpDefault, cpTop, cpBottom };

// Plain text: a colour name or value exactly as the user typed it.
using TColorText = QString;

QString horzAlignText(THorzAlign align);
QString vertAlignText(TVertAlign align);
QString captionPlaceText(TCaptionPlace place);

// Text made safe to stand between tags: & < > " become entity references.
QString escapeHtmlText(const QString &text);

// Something that returns a piece of HTML on demand.
class TContentProducer
{
public:
    TContentProducer() = default;
    virtual ~TContentProducer() = default;
    TContentProducer(const TContentProducer &) = delete;
    TContentProducer &operator=(const TContentProducer &) = delete;

    const QString &Name() const { return m_name; }
    void setName(const QString &name) { m_name = name; }

    virtual QString ProduceContent() { return {}; }
    virtual QString ContentFromStream(QIODevice &) { return ProduceContent(); }
    virtual QString ContentFromString(const QString &) { return ProduceContent(); }

    // Raised by the attribute records and columns when a value changes; the
    // count only tells that the content would come out differently now.
    void contentChanged() { ++m_changes; }
    int changeCount() const { return m_changes; }

private:
    QString m_name;
    int m_changes = 0;
};

// Base of all attribute records. A change notice goes to the owner (the
// producer itself, or a column) each time a stored value really changes.
class TTagAttrs
{
public:
    using ChangeNotice = std::function<void()>;

    TTagAttrs(TContentProducer *producer, ChangeNotice notice) : m_producer(producer), m_notice(std::move(notice)) {}
    virtual ~TTagAttrs() = default;
    TTagAttrs(const TTagAttrs &) = delete;
    TTagAttrs &operator=(const TTagAttrs &) = delete;

    TContentProducer *Producer() const { return m_producer; }
    virtual QString ClassName() const { return QStringLiteral("TTagAttrs"); }

    // Copies every property but Custom from a record of the same class, with
    // one change notice. Throws RankholdError for a record of another class.
    virtual void Assign(const TTagAttrs &source);
    // Empties Custom, restores the defaults, one change notice.
    virtual void ResetToDefaults();

    const QString &Custom() const { return m_custom; }
    void setCustom(const QString &value);

protected:
    void changed()
    {
        if (m_notice)
            m_notice();
    }
    // Copies the class's own properties; no notice.
    virtual void copyFrom(const TTagAttrs &) {}
    virtual void restoreDefaults() {}
    template <typename T> void store(T &field, const T &value)
    {
        if (field == value)
            return;
        field = value;
        changed();
    }

private:
    TContentProducer *m_producer;
    ChangeNotice m_notice;
    QString m_custom;
};

class TTableAttrs : public TTagAttrs
{
public:
    using TTagAttrs::TTagAttrs;
    QString ClassName() const override { return QStringLiteral("TTableAttrs"); }

    THorzAlign Align() const { return m_align; }
    void setAlign(THorzAlign value) { store(m_align, value); }
    // Negative: not written into the tag.
    int Border() const { return m_border; }
    void setBorder(int value) { store(m_border, value); }
    const TColorText &BgColor() const { return m_bgColor; }
    void setBgColor(const TColorText &value) { store(m_bgColor, value); }
    int CellSpacing() const { return m_cellSpacing; }
    void setCellSpacing(int value) { store(m_cellSpacing, value); }
    int CellPadding() const { return m_cellPadding; }
    void setCellPadding(int value) { store(m_cellPadding, value); }
    // A percentage; 0 or less: not written into the tag.
    int Width() const { return m_width; }
    void setWidth(int value) { store(m_width, value); }

protected:
    void copyFrom(const TTagAttrs &source) override;
    void restoreDefaults() override;

private:
    THorzAlign m_align = alDefault;
    int m_border = -1;
    TColorText m_bgColor;
    int m_cellSpacing = -1;
    int m_cellPadding = -1;
    int m_width = 100;
};

class TCellAttrs : public TTagAttrs
{
public:
    using TTagAttrs::TTagAttrs;
    QString ClassName() const override { return QStringLiteral("TCellAttrs"); }

    THorzAlign Align() const { return m_align; }
    void setAlign(THorzAlign value) { store(m_align, value); }
    const TColorText &BgColor() const { return m_bgColor; }
    void setBgColor(const TColorText &value) { store(m_bgColor, value); }
    TVertAlign VAlign() const { return m_vAlign; }
    void setVAlign(TVertAlign value) { store(m_vAlign, value); }

protected:
    void copyFrom(const TTagAttrs &source) override;
    void restoreDefaults() override;

private:
    THorzAlign m_align = alDefault;
    TColorText m_bgColor;
    TVertAlign m_vAlign = vaDefault;
};

// The attributes of every row tag.
class TRowAttrs : public TCellAttrs
{
public:
    using TCellAttrs::TCellAttrs;
    QString ClassName() const override { return QStringLiteral("TRowAttrs"); }
};

// A column's heading cell.
class THeadingAttrs : public TCellAttrs
{
public:
    using TCellAttrs::TCellAttrs;
    QString ClassName() const override { return QStringLiteral("THeadingAttrs"); }

    const QString &Caption() const { return m_caption; }
    // Compared with the system locale's case-sensitive comparison.
    void setCaption(const QString &value);

protected:
    void copyFrom(const TTagAttrs &source) override;
    void restoreDefaults() override;

private:
    QString m_caption;
};
