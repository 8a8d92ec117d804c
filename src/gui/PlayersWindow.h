#pragma once

#include <QDialog>
#include <QSqlDatabase>

#include <functional>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QTabWidget;
class QTableWidget;

// Extra > Players...: who is who on the player portal, over PlayerNames:
// every name with its games, the player it counts as and whether it is
// hidden, searchable; merge the chosen name into another, unmerge, hide and
// show it; the names that may be one player's; the log of changes. The
// database is asked at every use, as it may be closed and opened again.
class PlayersWindow : public QDialog
{
    Q_OBJECT
public:
    PlayersWindow(std::function<QSqlDatabase()> database, QWidget *parent = nullptr);

    // Reads the names, the log and (on its tab) the suggestions again.
    void refresh();
    void mergeChosen();
    void unmergeChosen();
    void hideChosen();
    void showChosen();
    // Merges the chosen suggestion's name with fewer games into the other.
    void mergeSuggested();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QString chosenName() const;
    void filter();
    void refreshSuggestions();
    // Runs one change of PlayerNames; an error goes to the error box.
    void change(const std::function<void()> &step);

    std::function<QSqlDatabase()> m_database;
    QTabWidget *m_tabs = nullptr;
    QLineEdit *m_find = nullptr;
    QTableWidget *m_list = nullptr;
    QComboBox *m_into = nullptr;
    QTableWidget *m_suggestions = nullptr;
    QPlainTextEdit *m_log = nullptr;
};
