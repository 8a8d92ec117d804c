#pragma once

#include <QAccessibleWidget>
#include <QHash>

class PanelStatusBar;

// What assistive tools see of a PanelStatusBar: a status bar whose first
// children are its panels, each a read-only text with the panel's text and
// rectangle, followed by the widgets placed on the bar (the progress bar).
// The panels are painted, so without this a screen reader finds no text.
class PanelStatusBarAccessible : public QAccessibleWidget
{
public:
    explicit PanelStatusBarAccessible(PanelStatusBar *bar);
    ~PanelStatusBarAccessible() override;

    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;

    // Gives every PanelStatusBar made from now on this interface; once is enough.
    static void installFactory();
    // Tells assistive tools that panel `index` of `bar` shows a new text.
    static void panelTextChanged(PanelStatusBar *bar, qsizetype index);

private:
    PanelStatusBar *bar() const;
    int panelCount() const;

    // The panels' interfaces, made when first asked for and owned by Qt's
    // registry until this interface goes.
    mutable QHash<int, QAccessible::Id> m_panels;
};
