#pragma once

#include <QList>
#include <QStatusBar>
#include <QStringList>

// A status bar of fixed panels side by side, each a sunken box with one line
// of text, as the main window's StatusBar1 has them. The last panel reaches
// to the right edge, like the last part of a Windows status bar, so that
// the progress bar placed in it gets the room that is left. The texts are
// painted; assistive tools read them through PanelStatusBarAccessible.
class PanelStatusBar : public QStatusBar
{
    Q_OBJECT
public:
    explicit PanelStatusBar(QWidget *parent = nullptr);

    // One panel per width; the texts start empty.
    void setPanelWidths(const QList<int> &widths);
    qsizetype panelCount() const { return m_widths.size(); }
    int panelWidth(qsizetype index) const { return m_widths.value(index); }

    QString panelText(qsizetype index) const { return m_texts.value(index); }
    void setPanelText(qsizetype index, const QString &text);
    // The panel's rectangle in the status bar's coordinates, inside its frame.
    QRect panelRect(qsizetype index) const;
    // Shown when the pointer rests on the panel; empty: none.
    QString panelToolTip(qsizetype index) const { return m_toolTips.value(index); }
    void setPanelToolTip(qsizetype index, const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    QList<int> m_widths;
    QStringList m_texts;
    QStringList m_toolTips;
};
