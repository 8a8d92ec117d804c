// The skill rating against an independent implementation (openskill from
// npm, which scripts/deps.sh installs beside its script), and imports in any
// order against a rating of every game at once.
#include "PortalFixture.h"

#include "portal/PortalNames.h"
#include "portal/RatingLedger.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <numeric>
#include <tuple>

using namespace Qt::StringLiterals;
using portal::GameKey;
using portal::RatingLedger;
using portal::rating::Standing;

namespace {

const QString kReference = QStringLiteral(RANKHOLD_TESTS_DIR) + u"/portal/openskill"_s;

struct Line {
    QString player;
    Standing standing;
};
struct History {
    std::vector<std::pair<GameKey, std::vector<Line>>> games; // in the order played
};

// Games from late 1999 on (two-digit years whose text does not sort as
// the dates do), some at the same moment on two maps, with ties.
History randomHistory(QRandomGenerator &random)
{
    History h;
    QDateTime at(QDate(1999, 12, 20), QTime(20, 0));
    const int games = random.bounded(20, 60);
    for (int g = 0; g < games; ++g) {
        const bool sameMoment = g > 0 && h.games.back().first.map == u"Canyon"_s && random.bounded(6) == 0;
        if (!sameMoment)
            at = at.addSecs(60 * random.bounded(1, 900));
        GameKey key{at.toString(u"MM/dd/yy"_s), at.toString(u"HH:mm:ss"_s), sameMoment ? u"Oasis"_s : u"Canyon"_s};
        std::vector<Line> lines;
        QList<int> pool = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
        for (int n = random.bounded(2, 9); n > 0; --n) {
            const int player = pool.takeAt(random.bounded(qsizetype(pool.size())));
            lines.push_back({u"Player "_s + QString::number(player),
                             {random.bounded(3), random.bounded(-1, 4), random.bounded(3)}});
        }
        h.games.emplace_back(key, std::move(lines));
    }
    return h;
}

RatingLedger::GameInput input(RatingLedger &ledger, const std::pair<GameKey, std::vector<Line>> &game)
{
    RatingLedger::GameInput in{game.first, {}};
    for (const Line &l : game.second)
        in.lines.push_back({ledger.idOf(l.player), l.standing});
    return in;
}

// The place of a line: how many did better (objective, then kills, then fewer deaths).
int rankOf(const Line &line, const std::vector<Line> &all)
{
    const auto key = [](const Standing &s) { return std::tuple(s.objective, s.kills, -s.deaths); };
    return int(std::count_if(all.begin(), all.end(),
                             [&](const Line &other) { return key(other.standing) > key(line.standing); }));
}

TEST(RatingTest, AgreesWithOpenskillAndImportsInAnyOrderGiveTheSameBits)
{
    const QString node = QStandardPaths::findExecutable(u"node"_s);
    if (node.isEmpty() || !QFile::exists(kReference + u"/node_modules/openskill/package.json"_s))
        GTEST_SKIP() << "node and openskill are needed: scripts/deps.sh installs them";

    QRandomGenerator random(23);
    std::vector<History> histories;
    QJsonArray request;
    for (int h = 0; h < 25; ++h) {
        histories.push_back(randomHistory(random));
        QJsonArray games;
        for (const auto &[key, lines] : histories.back().games) {
            QJsonArray game;
            for (const Line &l : lines)
                game.append(QJsonArray{l.player, rankOf(l, lines)});
            games.append(game);
        }
        request.append(games);
    }
    QProcess reference;
    reference.start(node, {kReference + u"/reference.mjs"_s});
    ASSERT_TRUE(reference.waitForStarted(10000));
    reference.write(QJsonDocument(request).toJson(QJsonDocument::Compact));
    reference.closeWriteChannel();
    ASSERT_TRUE(reference.waitForFinished(60000));
    ASSERT_EQ(reference.exitCode(), 0) << reference.readAllStandardError().toStdString();
    const QJsonArray expected = QJsonDocument::fromJson(reference.readAllStandardOutput()).array();
    ASSERT_EQ(expected.size(), qsizetype(histories.size()));

    for (size_t h = 0; h < histories.size(); ++h) {
        SCOPED_TRACE(h);
        const auto &games = histories[h].games;
        RatingLedger atOnce;
        std::vector<RatingLedger::GameInput> all;
        for (const auto &game : games)
            all.push_back(input(atOnce, game));
        atOnce.add(std::move(all));

        // The same games imported a few at a time in another order: old
        // files come late and replay what followed them.
        std::vector<size_t> order(games.size());
        std::iota(order.begin(), order.end(), 0);
        std::shuffle(order.begin(), order.end(), random);
        // Its file saved after every step, a block appended or the whole
        // written anew, and now and then read back to go on from.
        const QTemporaryDir dir;
        const QString file = dir.filePath(u"ledger"_s);
        std::optional<RatingLedger> inSteps = RatingLedger();
        QByteArray sum;
        for (size_t at = 0; at < order.size();) {
            std::vector<RatingLedger::GameInput> step;
            for (size_t n = 1 + random.bounded(6); n > 0 && at < order.size(); --n)
                step.push_back(input(*inSteps, games[order[at++]]));
            inSteps->add(std::move(step));
            sum = inSteps->save(file);
            if (random.bounded(2))
                inSteps = RatingLedger::load(file, sum);
            ASSERT_TRUE(inSteps);
        }
        const std::optional<RatingLedger> reread = RatingLedger::load(file, sum);
        ASSERT_TRUE(reread);
        ASSERT_TRUE(RatingLedger::decode(reread->encode()));
        // A file damaged or cut short anywhere is not taken.
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        const QByteArray bytes = f.readAll();
        const qint64 at = random.bounded(int(bytes.size()));
        f.seek(at);
        f.write(QByteArray(1, char(bytes[at] ^ 1)));
        f.close();
        EXPECT_FALSE(RatingLedger::load(file, sum)) << at;
        f.resize(at);
        EXPECT_FALSE(RatingLedger::load(file, sum)) << at;

        for (size_t g = 0; g < games.size(); ++g) {
            const auto ratings = atOnce.gameRatings(games[g].first);
            ASSERT_EQ(ratings, inSteps->gameRatings(games[g].first)) << g;
            ASSERT_EQ(ratings, reread->gameRatings(games[g].first)) << g;
            const QJsonArray after = expected[qsizetype(h)].toArray()[qsizetype(g)].toArray();
            for (size_t l = 0; l < games[g].second.size(); ++l) {
                const portal::rating::Skill skill = ratings.value(games[g].second[l].player).after;
                EXPECT_NEAR(skill.mu, after[qsizetype(l)][0].toDouble(), 1e-6) << g;
                EXPECT_NEAR(skill.sigma, after[qsizetype(l)][1].toDouble(), 1e-6) << g;
            }
        }
    }
}

} // namespace

namespace {

namespace names = portal::names;

class RatingPortalTest : public PortalFixture
{
protected:
    QString page(const QString &path) { return QString::fromUtf8(files(site()).value(path)); }
};

TEST(RatingTest, ShownInTenthsWithTheSignOfAChange)
{
    using portal::rating::shown;
    const std::tuple<qint64, bool, QString> cases[] = {
        {0, false, u"0.0"_s},
        {0, true, u"0.0"_s},
        {7, false, u"0.7"_s},
        {-7, true, u"-0.7"_s},
        {123, true, u"+12.3"_s},
        {-1230, false, u"-123.0"_s},
        {std::numeric_limits<qint64>::min(), false, u"-922337203685477580.8"_s},
    };
    for (const auto &[tenths, sign, text] : cases)
        EXPECT_EQ(shown(tenths, sign), text) << tenths;
}

TEST_F(RatingPortalTest, ALateOldFileReplaysTheGamesAfterItAsABuildOfEveryPageWould)
{
    const GameKey first{u"03/01/02"_s, u"20:00:00"_s, u"Canyon"_s}, second{u"03/02/02"_s, u"21:00:00"_s, u"Oasis"_s},
        third{u"03/03/02"_s, u"21:00:00"_s, u"Oasis"_s};
    addGame("Canyon", "03/01/02", "20:00:00", "Capture the Flag",
            {{"Raptor", 10, 2}, {"Nomad", 4, 5}, {"Ghost", 7, 7}});
    addGame("Oasis", "03/02/02", "21:00:00", "Deathmatch", {{"Raptor", 3, 3, "30"}, {"Nomad", 9, 1, "90"}});
    addGame("Oasis", "03/03/02", "21:00:00", "Deathmatch", {{"Ghost", 3, 3, "30"}, {"Other", 9, 1, "90"}});
    build();
    const auto before = files(site());

    // Last year's file, imported now: what Nomad and Raptor did then moves
    // every rating after it, also of those who were not in it.
    addGame("Ice Flats", "12/30/01", "19:00:00", "Deathmatch", {{"Nomad", 5, 0, "80"}, {"Raptor", 1, 4, "10"}});
    EXPECT_FALSE(build().full);
    const QStringList rewritten = changed(before, files(site()));
    for (const QString &path :
         {names::gamePage(first), names::gamePage(second), names::gamePage(third),
          names::playerPage(u"Ghost"_s.leftJustified(21)), names::playerPage(u"Other"_s.leftJustified(21))})
        EXPECT_TRUE(rewritten.contains(path)) << qPrintable(path);

    EXPECT_TRUE(build(u"fresh"_s).full);
    EXPECT_EQ(files(site()), files(site(u"fresh"_s)));
}

TEST_F(RatingPortalTest, BoardsCountPlayersWithEnoughGamesAndTheDataFileListsEveryone)
{
    options.minGames = 2;
    addGame("Canyon", "01/10/02", "20:00:00", "Deathmatch", {{"Away", 9, 1, "90"}, {"Steady", 1, 5, "10"}});
    addGame("Canyon", "01/11/02", "20:00:00", "Deathmatch", {{"Away", 9, 1, "90"}, {"Steady", 1, 5, "10"}});
    addGame("Oasis", "03/15/02", "20:00:00", "Deathmatch", {{"Steady", 6, 0, "60"}, {"Newcomer   ", 30, 1, "300"}});
    // After the day the portal is built (a wrong clock): the 30 days still
    // end at the newest game before it.
    addGame("Oasis", "04/30/02", "20:00:00", "Deathmatch", {{"Clockless", 2, 2, "20"}});
    build();

    // The provisional after the others, without a rank; those not seen in
    // the 30 days behind a click.
    const QString board = page(names::kRatingPage);
    const QRegularExpression row(u"<tr><td>([^<]*)</td><th scope=\"row\"><a [^>]*>([^<]*)</a>"_s);
    QStringList listed;
    for (const auto &m : row.globalMatch(board))
        listed.append(m.captured(1) + u' ' + m.captured(2));
    EXPECT_EQ(listed.join(u" | "_s), u"1 Steady | \u2013 Newcomer | \u2013 Clockless | 1 Away"_s);
    EXPECT_LT(board.indexOf(u"<details>"_s), board.indexOf(u">Away<"_s));
    EXPECT_GT(board.indexOf(u"<details>"_s), board.indexOf(u">Clockless<"_s));

    const QString perGame = page(names::kPerGamePage);
    EXPECT_TRUE(perGame.contains(u">Steady</a>"_s) && perGame.contains(u">Away</a>"_s));
    EXPECT_FALSE(perGame.contains(u">Newcomer</a>"_s));
    EXPECT_FALSE(page(names::kIndexPage).contains(u"<td>30.00</td>"_s)) << "one game is no ratio";

    const QJsonArray players = QJsonDocument::fromJson(files(site()).value(names::kPlayersJson)).array();
    ASSERT_EQ(players.size(), 4);
    const QJsonObject newcomer = players[2].toObject();
    EXPECT_EQ(newcomer.keys(),
              QStringList({u"deaths"_s, u"flags"_s, u"games"_s, u"kills"_s, u"last_played"_s, u"name"_s, u"page"_s,
                           u"provisional"_s, u"rating"_s, u"targets"_s, u"zonetime"_s}));
    EXPECT_EQ(newcomer[u"name"_s], u"Newcomer"_s);
    EXPECT_EQ(newcomer[u"kills"_s], 30);
    EXPECT_EQ(newcomer[u"flags"_s], QJsonValue());
    EXPECT_EQ(newcomer[u"provisional"_s], true);
    EXPECT_EQ(newcomer[u"last_played"_s], u"2002-03-15T20:00:00"_s);
    EXPECT_TRUE(files(site()).contains(newcomer[u"page"_s].toString()));
    const QJsonObject rating = newcomer[u"rating"_s].toObject();
    EXPECT_GT(rating[u"mu"_s].toDouble(), 25);
    EXPECT_EQ(rating[u"ordinal"_s].toDouble(), rating[u"mu"_s].toDouble() - 3 * rating[u"sigma"_s].toDouble());
    EXPECT_EQ(players[0].toObject()[u"provisional"_s], false);
}

} // namespace
