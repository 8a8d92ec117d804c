#include "portal/Rating.h"

#include "portal/PortalHtml.h"

#include <algorithm>
#include <cmath>
#include <vector>

using namespace Qt::StringLiterals;

namespace portal::rating {

bool Standing::betterThan(const Standing &other) const
{
    if (objective != other.objective)
        return objective > other.objective;
    if (kills != other.kills)
        return kills > other.kills;
    return deaths < other.deaths;
}

Standing standingOf(const Row &row)
{
    const QString &type = row.type;
    std::optional<qint64> objective;
    if (type == u"Deathmatch"_s || type == u"Team Deathmatch"_s)
        objective = row.score;
    else if (type == u"King of the Hill"_s || type == u"Team King of the Hill"_s)
        objective = row.zonetime;
    else if (type == u"Capture the Flag"_s || type == u"PennantRush"_s)
        objective = row.flags;
    else if (type == u"Search and Destroy"_s || type == u"Attack and Defend"_s)
        objective = row.targets;
    return {objective.value_or(0), row.kills, row.deaths};
}

void rateGame(std::span<Skill> skills, std::span<const int> ranks)
{
    const size_t n = skills.size();
    if (n == 0)
        return;
    std::vector<double> variance(n), strength(n), below(n), tied(n);
    double c2 = 0;
    double highest = skills[0].mu;
    for (size_t i = 0; i < n; ++i) {
        // The player may have changed since the last game.
        variance[i] = skills[i].sigma * skills[i].sigma + kTau * kTau;
        c2 += variance[i] + kBeta * kBeta;
        highest = std::max(highest, skills[i].mu);
    }
    const double c = std::sqrt(c2);
    // exp(mu / c) over a common factor, which every quotient below cancels:
    // no skill, however high, overflows.
    for (size_t i = 0; i < n; ++i)
        strength[i] = std::exp((skills[i].mu - highest) / c);
    // below[q]: the strengths of the players placed at q or after it;
    // tied[q]: how many share q's place.
    for (size_t q = 0; q < n; ++q) {
        for (size_t i = 0; i < n; ++i) {
            if (ranks[i] >= ranks[q])
                below[q] += strength[i];
            if (ranks[i] == ranks[q])
                tied[q] += 1;
        }
    }
    for (size_t i = 0; i < n; ++i) {
        double omega = 0, delta = 0;
        for (size_t q = 0; q < n; ++q) {
            if (ranks[q] > ranks[i])
                continue;
            const double p = strength[i] / below[q];
            omega += ((i == q ? 1.0 : 0.0) - p) / tied[q];
            delta += p * (1 - p) / tied[q];
        }
        const double sigma = std::sqrt(variance[i]);
        skills[i].mu += variance[i] / c * omega;
        const double eta = sigma / c * variance[i] / c2 * delta;
        skills[i].sigma = std::sqrt(variance[i] * std::max(1 - eta, kKappa));
    }
}

qint64 tenths(double rating)
{
    return std::llround(rating * 10.0);
}

QString shown(qint64 tenths, bool sign)
{
    QString out;
    const quint64 magnitude = tenths < 0 ? 0 - quint64(tenths) : quint64(tenths);
    html::appendTenths(out, magnitude, tenths < 0 ? u'-' : sign && tenths > 0 ? u'+' : char16_t(0));
    return out;
}

} // namespace portal::rating
