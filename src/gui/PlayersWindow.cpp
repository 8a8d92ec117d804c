#include "gui/PlayersWindow.h"

#include "common/RankholdError.h"
#include "gui/Dialogs.h"
#include "scores/PlayerNames.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// The stored name of a row, exactly, beside the text the cell shows.
constexpr int kNameRole = Qt::UserRole;

QTableWidget *makeTable(QWidget *parent, const QString &name, const QStringList &headings)
{
    auto *table = new QTableWidget(0, int(headings.size()), parent);
    table->setObjectName(name);
    table->setHorizontalHeaderLabels(headings);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

QTableWidgetItem *cell(const QString &text, const QString &name = {})
{
    auto *item = new QTableWidgetItem(text);
    item->setData(kNameRole, name);
    return item;
}

QPushButton *button(QWidget *parent, const QString &name, const QString &text)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

} // namespace

PlayersWindow::PlayersWindow(std::function<QSqlDatabase()> database, QWidget *parent)
    : QDialog(parent), m_database(std::move(database))
{
    setObjectName(u"PlayersWindow"_s);
    setWindowTitle(u"Players"_s);

    auto *names = new QWidget(this);
    m_find = new QLineEdit(names);
    m_find->setObjectName(u"PlayersFind"_s);
    m_find->setPlaceholderText(u"Find a name"_s);
    m_list = makeTable(names, u"PlayersList"_s, {u"Name"_s, u"Games"_s, u"Counts as"_s, u"Hidden"_s});
    m_into = new QComboBox(names);
    m_into->setObjectName(u"PlayersInto"_s);
    m_into->setEditable(true);
    m_into->setMinimumContentsLength(20);
    auto *merge = button(names, u"PlayersMerge"_s, u"&Merge into"_s);
    auto *unmerge = button(names, u"PlayersUnmerge"_s, u"&Unmerge"_s);
    auto *hide = button(names, u"PlayersHide"_s, u"&Hide"_s);
    auto *show = button(names, u"PlayersShow"_s, u"&Show"_s);
    auto *mergeRow = new QHBoxLayout;
    mergeRow->addWidget(merge);
    mergeRow->addWidget(m_into, 1);
    auto *otherRow = new QHBoxLayout;
    for (QPushButton *b : {unmerge, hide, show})
        otherRow->addWidget(b);
    otherRow->addStretch();
    auto *namesLayout = new QVBoxLayout(names);
    namesLayout->addWidget(m_find);
    namesLayout->addWidget(m_list, 1);
    namesLayout->addLayout(mergeRow);
    namesLayout->addLayout(otherRow);

    auto *suggested = new QWidget(this);
    m_suggestions =
        makeTable(suggested, u"PlayersSuggestions"_s, {u"Name"_s, u"Games"_s, u"Alike name"_s, u"Games"_s, u"Why"_s});
    auto *mergeSuggested =
        button(suggested, u"PlayersMergeSuggested"_s, u"Merge the name with &fewer games into the other"_s);
    auto *suggestedLayout = new QVBoxLayout(suggested);
    suggestedLayout->addWidget(new QLabel(u"Names never in one game together that look alike. Nothing is merged "
                                          "by itself."_s,
                                          suggested));
    suggestedLayout->addWidget(m_suggestions, 1);
    suggestedLayout->addWidget(mergeSuggested);

    m_log = new QPlainTextEdit(this);
    m_log->setObjectName(u"PlayersLog"_s);
    m_log->setReadOnly(true);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(u"PlayersTabs"_s);
    m_tabs->addTab(names, u"&Names"_s);
    m_tabs->addTab(suggested, u"S&uggestions"_s);
    m_tabs->addTab(m_log, u"&Log"_s);

    auto *note = new QLabel(u"The player portal shows the changes from the next export; the ranking pages always "
                            "rank the names as the game wrote them."_s,
                            this);
    note->setWordWrap(true);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs, 1);
    layout->addWidget(note);
    layout->addWidget(buttons);
    resize(640, 520);

    connect(m_find, &QLineEdit::textChanged, this, &PlayersWindow::filter);
    connect(merge, &QPushButton::clicked, this, &PlayersWindow::mergeChosen);
    connect(unmerge, &QPushButton::clicked, this, &PlayersWindow::unmergeChosen);
    connect(hide, &QPushButton::clicked, this, &PlayersWindow::hideChosen);
    connect(show, &QPushButton::clicked, this, &PlayersWindow::showChosen);
    connect(mergeSuggested, &QPushButton::clicked, this, &PlayersWindow::mergeSuggested);
    connect(m_tabs, &QTabWidget::currentChanged, this, [this] { refreshSuggestions(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void PlayersWindow::showEvent(QShowEvent *event)
{
    refresh();
    QDialog::showEvent(event);
}

void PlayersWindow::refresh()
{
    try {
        PlayerNames names(m_database());
        const std::vector<PlayerNames::Name> all = names.list();
        const QString chosen = chosenName();
        m_list->setRowCount(0);
        m_list->setRowCount(int(all.size()));
        const QString into = m_into->currentText();
        m_into->clear();
        for (int r = 0; r < int(all.size()); ++r) {
            const PlayerNames::Name &n = all[size_t(r)];
            const QString shown = PlayerNames::shown(n.name, all);
            m_list->setItem(r, 0, cell(shown, n.name));
            m_list->setItem(r, 1, cell(QString::number(n.games)));
            m_list->setItem(r, 2, cell(n.countsAs.isEmpty() ? QString() : PlayerNames::shown(n.countsAs, all)));
            m_list->setItem(r, 3, cell(n.hidden ? u"hidden"_s : QString()));
            if (n.countsAs.isEmpty())
                m_into->addItem(shown, n.name);
            if (n.name == chosen)
                m_list->selectRow(r);
        }
        m_into->setCurrentText(into);
        filter();
        QStringList lines;
        for (const PlayerNames::LogEntry &e : names.log())
            lines.append(e.time + u"  "_s + e.user + u"  "_s + e.change);
        m_log->setPlainText(lines.join(u'\n'));
    } catch (const RankholdError &e) {
        Dialogs::error(this, e.message());
    }
    refreshSuggestions();
}

void PlayersWindow::refreshSuggestions()
{
    // Looking for them reads the games of many names: only when they are shown.
    if (m_tabs->currentIndex() != 1)
        return;
    try {
        PlayerNames names(m_database());
        const std::vector<PlayerNames::Name> all = names.list();
        const std::vector<PlayerNames::Suggestion> suggestions = names.suggest();
        m_suggestions->setRowCount(int(suggestions.size()));
        for (int r = 0; r < int(suggestions.size()); ++r) {
            const PlayerNames::Suggestion &s = suggestions[size_t(r)];
            m_suggestions->setItem(r, 0, cell(PlayerNames::shown(s.more.name, all), s.more.name));
            m_suggestions->setItem(r, 1, cell(QString::number(s.more.games)));
            m_suggestions->setItem(r, 2, cell(PlayerNames::shown(s.fewer.name, all), s.fewer.name));
            m_suggestions->setItem(r, 3, cell(QString::number(s.fewer.games)));
            m_suggestions->setItem(
                r, 4, cell(s.distance == 0 ? u"the same letters"_s : u"%1 letter(s) apart"_s.arg(s.distance)));
        }
    } catch (const RankholdError &e) {
        Dialogs::error(this, e.message());
    }
}

void PlayersWindow::filter()
{
    const QString text = m_find->text().trimmed();
    for (int r = 0; r < m_list->rowCount(); ++r)
        m_list->setRowHidden(r, !m_list->item(r, 0)->text().contains(text, Qt::CaseInsensitive));
}

QString PlayersWindow::chosenName() const
{
    const QList<QTableWidgetItem *> items = m_list->selectedItems();
    return items.isEmpty() ? QString() : m_list->item(items.front()->row(), 0)->data(kNameRole).toString();
}

void PlayersWindow::change(const std::function<void()> &step)
{
    try {
        step();
    } catch (const RankholdError &e) {
        Dialogs::error(this, e.message() + (e.context().isEmpty() ? QString() : u'\n' + e.context()));
    }
    refresh();
}

void PlayersWindow::mergeChosen()
{
    const QString alias = chosenName();
    // A name picked from the list is exact; a typed one is matched as on the command line.
    const QString into =
        m_into->currentIndex() >= 0 && m_into->itemText(m_into->currentIndex()) == m_into->currentText()
            ? m_into->currentData().toString()
            : m_into->currentText();
    if (alias.isEmpty() || into.isEmpty()) {
        Dialogs::message(this, u"Choose the name to merge in the list, and the player it is to count as beside "
                               "\"Merge into\"."_s);
        return;
    }
    change([&] { PlayerNames(m_database()).merge(alias, into); });
}

void PlayersWindow::unmergeChosen()
{
    if (const QString name = chosenName(); !name.isEmpty())
        change([&] { PlayerNames(m_database()).unmerge(name); });
}

void PlayersWindow::hideChosen()
{
    if (const QString name = chosenName(); !name.isEmpty())
        change([&] { PlayerNames(m_database()).hide(name); });
}

void PlayersWindow::showChosen()
{
    if (const QString name = chosenName(); !name.isEmpty())
        change([&] { PlayerNames(m_database()).show(name); });
}

void PlayersWindow::mergeSuggested()
{
    const QList<QTableWidgetItem *> items = m_suggestions->selectedItems();
    if (items.isEmpty())
        return;
    const int row = items.front()->row();
    const QString more = m_suggestions->item(row, 0)->data(kNameRole).toString();
    const QString fewer = m_suggestions->item(row, 2)->data(kNameRole).toString();
    change([&] { PlayerNames(m_database()).merge(fewer, more); });
}
