#include "gui/PanelStatusBar.h"

#include "gui/PanelStatusBarAccessible.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>
#include <qdrawutil.h>

namespace {
constexpr int kPanelGap = 2;
constexpr int kTextMargin = 2;
} // namespace

PanelStatusBar::PanelStatusBar(QWidget *parent) : QStatusBar(parent)
{
    PanelStatusBarAccessible::installFactory();
    setSizeGripEnabled(false);
    setFixedHeight(fontMetrics().height() + 6);
}

void PanelStatusBar::setPanelWidths(const QList<int> &widths)
{
    m_widths = widths;
    m_texts = QStringList(widths.size(), QString());
    m_toolTips = QStringList(widths.size(), QString());
    update();
}

void PanelStatusBar::setPanelText(qsizetype index, const QString &text)
{
    if (index < 0 || index >= m_texts.size() || m_texts.at(index) == text)
        return;
    m_texts[index] = text;
    update(panelRect(index));
    PanelStatusBarAccessible::panelTextChanged(this, index);
}

void PanelStatusBar::setPanelToolTip(qsizetype index, const QString &text)
{
    if (index < 0 || index >= m_toolTips.size())
        return;
    m_toolTips[index] = text;
    if (text.isEmpty() && QToolTip::isVisible())
        QToolTip::hideText();
}

bool PanelStatusBar::event(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QStatusBar::event(event);
    const auto *help = static_cast<QHelpEvent *>(event);
    for (qsizetype i = 0; i < m_toolTips.size(); ++i) {
        const QRect rect = panelRect(i);
        if (rect.contains(help->pos()) && !m_toolTips.at(i).isEmpty()) {
            QToolTip::showText(help->globalPos(), m_toolTips.at(i), this, rect);
            return true;
        }
    }
    QToolTip::hideText();
    event->ignore();
    return true;
}

QRect PanelStatusBar::panelRect(qsizetype index) const
{
    if (index < 0 || index >= m_widths.size())
        return {};
    int left = 0;
    for (qsizetype i = 0; i < index; ++i)
        left += m_widths.at(i);
    const int right = index == m_widths.size() - 1 ? width() : left + m_widths.at(index);
    return QRect(QPoint(left, kPanelGap), QPoint(right - kPanelGap - 1, height() - 1));
}

void PanelStatusBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    for (qsizetype i = 0; i < m_widths.size(); ++i) {
        const QRect r = panelRect(i);
        qDrawShadePanel(&painter, r, palette(), true, 1);
        // Clipped, not elided, as a Windows status bar does: the panel widths are set for these texts.
        const QRect textRect = r.adjusted(kTextMargin, 0, -kTextMargin, 0);
        painter.save();
        painter.setClipRect(r.adjusted(1, 1, -1, -1));
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, m_texts.at(i));
        painter.restore();
    }
}
