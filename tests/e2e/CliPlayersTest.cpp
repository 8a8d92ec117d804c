// rankhold-cli players: names matched without the blanks at their end, the
// exact one asked for when two match, names with a leading dash, and the
// list, the suggestions and the log as a person reads them.
#include "CliFixture.h"

#include "platform/System.h"

using namespace Qt::StringLiterals;

TEST_F(CliFixture, PlayersMatchNamesWithoutTheirBlanksAndAskForTheExactOneOfTwo)
{
    ASSERT_EQ(run({u"create-database"_s}).exitCode, 0);
    // Rows of another program: two names apart only in their blanks.
    query(u"INSERT INTO player (Id, Player, Kills, Deaths, Game, Date, Time) VALUES "
          "('1', 'Ghost ', 5, 1, 'Canyon', '03/01/02', '20:00:00'), ('2', 'Raptor', 3, 2, 'Canyon', '03/01/02', "
          "'20:00:00'), ('3', 'Ghost   ', 1, 1, 'Oasis', '03/02/02', '20:00:00'), ('4', 'Ghost   ', 2, 1, 'Oasis', "
          "'03/03/02', '20:00:00'), ('5', '-=[DF]=- Raptor', 2, 2, 'Oasis', '03/03/02', '20:00:00');"_s);

    Result r = run({u"players"_s, u"hide"_s, u"Ghost"_s});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, u"2 stored names match \"Ghost\"; give the exact one, in quotes with its blanks.\n"
                     "  \"Ghost \" (1 games)\n  \"Ghost   \" (2 games)\n"_s);
    r = run({u"players"_s, u"suggest"_s});
    EXPECT_EQ(r.out,
              (QStringList{u"\"Ghost   \" (2 games) and \"Ghost \" (1 games): the same letters, never in one game"_s,
                           u"-=[DF]=- Raptor (1 games) and Raptor (1 games): the same letters, never in one game"_s,
                           u"Nothing is merged by itself: rankhold-cli players merge ALIAS --into NAME"_s}));

    r = run({u"players"_s, u"hide"_s, u"Ghost   "_s});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    r = run({u"players"_s, u"merge"_s, u"Raptor"_s, u"--into"_s, u"Ghost "_s});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(u"\"Raptor\" and \"Ghost\" played in the same game"_s)) << r.err.toStdString();
    r = run({u"players"_s, u"merge"_s, u"-=[DF]=- Raptor"_s, u"--into"_s, u"Raptor"_s});
    EXPECT_EQ(r.out,
              QStringList{u"merge \"-=[DF]=- Raptor\" into \"Raptor\"; the portal shows it from the next export"_s});

    EXPECT_EQ(run({u"players"_s, u"list"_s}).out,
              (QStringList{u"NAME             GAMES  COUNTS AS  HIDDEN"_s, u"-=[DF]=- Raptor  1      Raptor     "_s,
                           u"\"Ghost \"         1                 "_s, u"\"Ghost   \"       2                 hidden"_s,
                           u"Raptor           1                 "_s}));
    r = run({u"players"_s, u"log"_s});
    ASSERT_EQ(r.out.size(), 2);
    EXPECT_TRUE(r.out.at(0).contains(u"  "_s + platform::userName() + u"  hide \"Ghost\""_s))
        << r.out.at(0).toStdString();
    EXPECT_TRUE(QDateTime::fromString(r.out.at(1).section(u' ', 0, 0), Qt::ISODate).isValid());
}
