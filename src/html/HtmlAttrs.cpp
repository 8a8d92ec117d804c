#include "html/HtmlAttrs.h"

#include "common/RankholdError.h"

using namespace Qt::StringLiterals;

QString horzAlignText(THorzAlign align)
{
    switch (align) {
    case alDefault:
        break;
    case alLeft:
        return u" Align=\"Left\""_s;
    case alRight:
        return u" Align=\"Right\""_s;
    case alCenter:
        return u" Align=\"Center\""_s;
    }
    return {};
}

QString vertAlignText(TVertAlign align)
{
    switch (align) {
    case vaDefault:
        break;
    case vaTop:
        return u" VAlign=\"Top\""_s;
    case vaMiddle:
        return u" VAlign=\"Middle\""_s;
    case vaBottom:
        return u" VAlign=\"Bottom\""_s;
    case vaBaseline:
        // The pages have always carried this spelling; browsers ignore it alike.
        return u" VAlign=\"Basline\""_s;
    }
    return {};
}

QString captionPlaceText(TCaptionPlace place)
{
    switch (place) {
    case cpDefault:
        break;
    case cpTop:
        return u" Align=\"Top\">"_s;
    case cpBottom:
        return u" Align=\"Bottom\">"_s;
    }
    return u">"_s;
}

QString escapeHtmlText(const QString &text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        const char16_t c = text.at(i).unicode();
        if (c == u'&' || c == u'<' || c == u'>' || c == u'"')
            break;
        ++i;
    }
    if (i == n)
        return text;
    QString out;
    out.reserve(n + 16);
    out.append(QStringView(text).first(i));
    for (; i < n; ++i) {
        const QChar c = text.at(i);
        switch (c.unicode()) {
        case u'&':
            out += u"&amp;"_s;
            break;
        case u'<':
            out += u"&lt;"_s;
            break;
        case u'>':
            out += u"&gt;"_s;
            break;
        case u'"':
            out += u"&quot;"_s;
            break;
        default:
            out += c;
        }
    }
    return out;
}

void TTagAttrs::Assign(const TTagAttrs &source)
{
    if (source.ClassName() != ClassName())
        throw RankholdError(u"Cannot assign a %1 to a %2"_s.arg(source.ClassName(), ClassName()));
    if (&source == this)
        return;
    copyFrom(source);
    changed();
}

void TTagAttrs::ResetToDefaults()
{
    m_custom.clear();
    restoreDefaults();
    changed();
}

void TTagAttrs::setCustom(const QString &value)
{
    store(m_custom, value);
}

void TTableAttrs::copyFrom(const TTagAttrs &source)
{
    const auto &s = static_cast<const TTableAttrs &>(source);
    m_width = s.m_width;
    m_align = s.m_align;
    m_border = s.m_border;
    m_bgColor = s.m_bgColor;
    m_cellSpacing = s.m_cellSpacing;
    m_cellPadding = s.m_cellPadding;
}

void TTableAttrs::restoreDefaults()
{
    m_align = alDefault;
    m_border = -1;
    m_bgColor.clear();
    m_cellSpacing = -1;
    m_cellPadding = -1;
    m_width = 100;
}

void TCellAttrs::copyFrom(const TTagAttrs &source)
{
    const auto &s = static_cast<const TCellAttrs &>(source);
    m_align = s.m_align;
    m_vAlign = s.m_vAlign;
    m_bgColor = s.m_bgColor;
}

void TCellAttrs::restoreDefaults()
{
    m_align = alDefault;
    m_bgColor.clear();
    m_vAlign = vaDefault;
}

void THeadingAttrs::setCaption(const QString &value)
{
    if (QString::localeAwareCompare(m_caption, value) == 0)
        return;
    m_caption = value;
    changed();
}

void THeadingAttrs::copyFrom(const TTagAttrs &source)
{
    TCellAttrs::copyFrom(source);
    m_caption = static_cast<const THeadingAttrs &>(source).m_caption;
}

void THeadingAttrs::restoreDefaults()
{
    TCellAttrs::restoreDefaults();
    m_caption.clear();
}
