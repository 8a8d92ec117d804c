#pragma once

#include "portal/PortalModel.h"

#include <QDate>
#include <QHash>
#include <QString>

#include <array>
#include <map>
#include <optional>
#include <vector>

// Medals for the best players of every day, week (Monday to Sunday) and
// month of play.
//
// Players with the same figure are told apart by a second one: fewer
// deaths for the most kills, more kills for every other award. Players
// equal on both share the place, and the place after them is skipped (two
// golds, no silver, then a bronze), so a tie never takes a medal from
// anyone who earned it. A figure of 0 or less wins nothing.
namespace portal::awards {

enum class PeriodKind : quint8 { Day, Week, Month };

struct Period {
    PeriodKind kind = PeriodKind::Day;
    QDate start; // the day itself, the week's Monday, the month's first day

    static Period of(PeriodKind kind, const QDate &day);
    QDate last() const;
    bool operator==(const Period &) const = default;
    bool operator<(const Period &other) const { return kind != other.kind ? kind < other.kind : start < other.start; }
};

enum class Award : quint8 { Kills, KillsPerDeath, Flags, Zonetime, Targets, Games };
inline constexpr int kAwardCount = 6;
// Kills per death counts only for players with this many games in the period.
inline constexpr qint64 kRatioGames = 3;

const char16_t *awardName(Award award);

// A player's figures over a period. Flags, zone time and targets stay empty
// when none of the player's games counted them.
struct Figures {
    qint64 games = 0;
    qint64 kills = 0;
    qint64 deaths = 0;
    std::optional<qint64> flags, zonetime, targets;

    void add(const Row &row);
    void add(const Figures &other);
    // What the award measures and the figure that tells equal ones apart
    // (higher is better for both), or nothing when the player cannot win it.
    struct Score {
        double value;
        double second;
    };
    std::optional<Score> score(Award award) const;
};

struct Placing {
    QString player;
    int place = 1; // 1 gold, 2 silver, 3 bronze
    double value = 0;
    bool operator==(const Placing &) const = default;
};

struct PeriodAwards {
    Period period;
    std::array<std::vector<Placing>, kAwardCount> placings; // best first, ties by name
    bool operator==(const PeriodAwards &) const = default;
};

// Gathers players' figures and keeps, for each period and award, only the
// players who can still be placed. Every player's figures for a period must
// come in one call, whole.
class Tally
{
public:
    void add(const Period &period, const QString &player, const Figures &figures);
    // A player's figures per day: adds them to the day, its week and its month.
    void addDays(const QString &player, const std::map<QDate, Figures> &days);
    // Takes in what another tally of other players gathered: the result is
    // that of one tally of both, whatever the order.
    void merge(const Tally &other);
    std::vector<PeriodAwards> result() const;

private:
    struct Candidate {
        Figures::Score score;
        QString player;
    };
    static void place(std::vector<Candidate> &list, const Candidate &entry);
    std::map<Period, std::array<std::vector<Candidate>, kAwardCount>> m_periods;
};

// The awards of one period from all of its rows.
PeriodAwards awardsOf(const Period &period, const std::vector<const Row *> &rows);

// One medal of a player.
struct Medal {
    Period period;
    Award award;
    int place;
    double value;
    bool operator==(const Medal &) const = default;
};

// Every player's medals, newest period first.
QHash<QString, std::vector<Medal>> medalsByPlayer(const std::vector<PeriodAwards> &awards);

// The periods a day belongs to: the day, its week and its month.
std::array<Period, 3> periodsOf(const QDate &day);

} // namespace portal::awards
