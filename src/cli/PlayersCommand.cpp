#include "cli/PlayersCommand.h"

#include "cli/CliSession.h"
#include "cli/TerminalHost.h"
#include "scores/PlayerNames.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Columns padded to their widest cell, two blanks apart; the last one is not padded.
void printTable(TerminalHost &host, const std::vector<QStringList> &rows)
{
    std::vector<qsizetype> widths;
    for (const QStringList &row : rows) {
        widths.resize(std::max(widths.size(), size_t(row.size())));
        for (qsizetype c = 0; c < row.size(); ++c)
            widths[size_t(c)] = std::max(widths[size_t(c)], row.at(c).size());
    }
    for (const QStringList &row : rows) {
        QString line;
        for (qsizetype c = 0; c < row.size(); ++c)
            line += c + 1 < row.size() ? row.at(c).leftJustified(widths[size_t(c)] + 2) : row.at(c);
        host.print(line);
    }
}

void printList(TerminalHost &host, PlayerNames &names)
{
    const std::vector<PlayerNames::Name> all = names.list();
    std::vector<QStringList> rows = {{u"NAME"_s, u"GAMES"_s, u"COUNTS AS"_s, u"HIDDEN"_s}};
    for (const PlayerNames::Name &n : all) {
        rows.push_back({PlayerNames::shown(n.name, all), QString::number(n.games),
                        n.countsAs.isEmpty() ? QString() : PlayerNames::shown(n.countsAs, all),
                        n.hidden ? u"hidden"_s : QString()});
    }
    printTable(host, rows);
}

void printSuggestions(TerminalHost &host, PlayerNames &names)
{
    const std::vector<PlayerNames::Name> all = names.list();
    const std::vector<PlayerNames::Suggestion> suggestions = names.suggest();
    if (suggestions.empty()) {
        host.print(u"No names look like one player's."_s);
        return;
    }
    for (const PlayerNames::Suggestion &s : suggestions) {
        const QString why = s.distance == 0   ? u"the same letters"_s
                            : s.distance == 1 ? u"1 letter apart"_s
                                              : u"%1 letters apart"_s.arg(s.distance);
        host.print(u"%1 (%2 games) and %3 (%4 games): %5, never in one game"_s.arg(
            PlayerNames::shown(s.more.name, all), QString::number(s.more.games), PlayerNames::shown(s.fewer.name, all),
            QString::number(s.fewer.games), why));
    }
    host.print(u"Nothing is merged by itself: rankhold-cli players merge ALIAS --into NAME"_s);
}

} // namespace

int runPlayers(CliSession &session, TerminalHost &host, const CliOptions &options)
{
    session.openDatabase();
    PlayerNames names(session.state().database.connection());
    const QString &action = options.arguments.front();
    const QString name = options.arguments.value(1);
    if (action == u"list"_s) {
        printList(host, names);
    } else if (action == u"suggest"_s) {
        printSuggestions(host, names);
    } else if (action == u"log"_s) {
        std::vector<QStringList> rows;
        for (const PlayerNames::LogEntry &e : names.log())
            rows.push_back({e.time, e.user, e.change});
        printTable(host, rows);
    } else {
        const QString line = action == u"merge"_s     ? names.merge(name, options.into)
                             : action == u"unmerge"_s ? names.unmerge(name)
                             : action == u"hide"_s    ? names.hide(name)
                                                      : names.show(name);
        host.print(line + u"; the portal shows it from the next export"_s);
    }
    return 0;
}
