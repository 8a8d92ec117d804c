#pragma once

#include "portal/PortalModel.h"

#include <QString>
#include <QtGlobal>

#include <span>

// The skill rating of the portal: the Bayesian approximation of Weng and Lin
// ("A Bayesian Approximation Method for Online Ranking", JMLR 12, 2011,
// Algorithm 4), the Plackett-Luce model, each player a team of one. A game
// ranks its players; the rating learns from that order alone, so it cannot
// be farmed by playing more.
namespace portal::rating {

inline constexpr double kMu = 25.0;
inline constexpr double kSigma = 25.0 / 3.0;
inline constexpr double kBeta = 25.0 / 6.0;
inline constexpr double kKappa = 0.0001;
inline constexpr double kTau = 25.0 / 300.0;

// What the rating believes of a player: skill mu, give or take sigma.
struct Skill {
    double mu = kMu;
    double sigma = kSigma;

    // The rating shown: a skill the player has with near certainty.
    double ordinal() const { return mu - 3.0 * sigma; }
    bool operator==(const Skill &) const = default;
};

// What orders the players of one game, best first: the game type's own
// figure, then kills, then fewer deaths.
struct Standing {
    qint64 objective = 0;
    qint64 kills = 0;
    qint64 deaths = 0;

    bool operator==(const Standing &) const = default;
    // True when this player did better than `other`.
    bool betterThan(const Standing &other) const;
};

// The row's standing in its game. The figure a game type is won by: Score
// for the deathmatches, Zonetime for the hill types, Flags for Capture the
// Flag and PennantRush, Targets for Search and Destroy and Attack and
// Defend, none (0) for the rest and for Cooperative. An empty value counts as 0.
Standing standingOf(const Row &row);

// One game: `skills` are its players' skills before it, updated in place;
// `ranks` their places (0 best, equal places tie), in the same order. The
// result depends on the order of the players only through the order of the
// sums, so callers that need the same bits every time give the same order.
void rateGame(std::span<Skill> skills, std::span<const int> ranks);

// The shown rating in tenths, as every page rounds it, so that a change
// reads as the difference of the two figures shown.
qint64 tenths(double rating);
// "12.3", "-0.4"; with `sign`, "+1.2" and "-0.4" and "0.0".
QString shown(qint64 tenths, bool sign = false);

} // namespace portal::rating
