#include "gui/PanelStatusBarAccessible.h"

#include "gui/PanelStatusBar.h"

#include <QPointer>
#include <QWindow>

using namespace Qt::StringLiterals;

namespace {

// One panel: a read-only text in the bar's rectangle for it.
class PanelAccessible : public QAccessibleInterface
{
public:
    PanelAccessible(PanelStatusBar *bar, int index) : m_bar(bar), m_index(index) {}

    bool isValid() const override { return m_bar && m_index < m_bar->panelCount(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_bar ? m_bar->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_bar.data()); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text t) const override
    {
        return m_bar && t == QAccessible::Name ? m_bar->panelText(m_index) : QString();
    }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override
    {
        if (!m_bar)
            return {};
        const QRect r = m_bar->panelRect(m_index);
        return QRect(m_bar->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::StaticText; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.readOnly = true;
        s.invisible = !m_bar || !m_bar->isVisible();
        return s;
    }

private:
    QPointer<PanelStatusBar> m_bar;
    int m_index;
};

QAccessibleInterface *makeInterface(const QString &className, QObject *object)
{
    if (className == "PanelStatusBar"_L1 && object && object->isWidgetType())
        return new PanelStatusBarAccessible(static_cast<PanelStatusBar *>(object));
    return nullptr;
}

} // namespace

PanelStatusBarAccessible::PanelStatusBarAccessible(PanelStatusBar *bar) : QAccessibleWidget(bar, QAccessible::StatusBar)
{
}

PanelStatusBarAccessible::~PanelStatusBarAccessible()
{
    for (const QAccessible::Id id : std::as_const(m_panels))
        QAccessible::deleteAccessibleInterface(id);
}

PanelStatusBar *PanelStatusBarAccessible::bar() const
{
    return static_cast<PanelStatusBar *>(widget());
}

int PanelStatusBarAccessible::panelCount() const
{
    return int(bar()->panelCount());
}

int PanelStatusBarAccessible::childCount() const
{
    return panelCount() + QAccessibleWidget::childCount();
}

QAccessibleInterface *PanelStatusBarAccessible::child(int index) const
{
    if (index < 0)
        return nullptr;
    if (index >= panelCount())
        return QAccessibleWidget::child(index - panelCount());
    auto it = m_panels.constFind(index);
    if (it == m_panels.constEnd())
        it = m_panels.insert(index, QAccessible::registerAccessibleInterface(new PanelAccessible(bar(), index)));
    return QAccessible::accessibleInterface(it.value());
}

int PanelStatusBarAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    if (!child)
        return -1;
    for (auto it = m_panels.constBegin(); it != m_panels.constEnd(); ++it) {
        if (QAccessible::accessibleInterface(it.value()) == child)
            return it.key() < panelCount() ? it.key() : -1;
    }
    const int widgetIndex = QAccessibleWidget::indexOfChild(child);
    return widgetIndex < 0 ? -1 : panelCount() + widgetIndex;
}

QAccessibleInterface *PanelStatusBarAccessible::childAt(int x, int y) const
{
    // A widget on the bar covers the panel it sits in.
    if (QAccessibleInterface *onTop = QAccessibleWidget::childAt(x, y))
        return onTop;
    const QPoint local = bar()->mapFromGlobal(QPoint(x, y));
    for (int i = 0; i < panelCount(); ++i) {
        if (bar()->panelRect(i).contains(local))
            return child(i);
    }
    return nullptr;
}

void PanelStatusBarAccessible::installFactory()
{
    static const bool installed = [] {
        QAccessible::installFactory(makeInterface);
        return true;
    }();
    Q_UNUSED(installed);
}

void PanelStatusBarAccessible::panelTextChanged(PanelStatusBar *bar, qsizetype index)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleInterface *barInterface = QAccessible::queryAccessibleInterface(bar);
    if (QAccessibleInterface *panel = barInterface ? barInterface->child(int(index)) : nullptr) {
        QAccessibleEvent event(panel, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}
