// Which names look like one player's, as a table of pairs.
#include "scores/NameSuggestions.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(NameSuggestions, TagsBracketsCaseAndSmallEditsMakeNamesAlike)
{
    const struct {
        QString a, b;
        int distance; // -1: not alike
    } cases[] = {
        {u"-=[DF]=- Ghost      "_s, u"Ghost"_s, 0},
        {u"|DF| Ghost"_s, u"ghost "_s, 0},
        {u"Ghost (DF)"_s, u"GHOST"_s, 0},
        {u"Gh0st"_s, u"Ghost"_s, 1},
        {u"Dark Star"_s, u"DarkStar"_s, 0},
        {u"Lieutenant Dan"_s, u"Lieutenant Dn1"_s, 2},
        {u"Nomad"_s, u"Nomads2"_s, -1},
        {u"Ab"_s, u"Ac"_s, -1},
        {u"[Ghost]"_s, u"Ghost"_s, 0},
        {u"Raptor"_s, u"Ghost"_s, -1},
        {u"Ghost2"_s, u"Ghost"_s, 1},
        {u"Player12"_s, u"Player13"_s, -1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(qPrintable(c.a + u" / "_s + c.b));
        const std::vector<namesuggestions::AlikePair> pairs = namesuggestions::alikePairs({c.a, c.b});
        ASSERT_EQ(pairs.size(), c.distance < 0 ? 0u : 1u);
        if (c.distance >= 0) {
            EXPECT_EQ(pairs.front().distance, c.distance);
        }
    }
    // An edit that many names share makes no pair ("Snipe" and 60 names a letter away from it).
    QStringList many = {u"Snipe"_s};
    for (char16_t c = u'a'; c <= u'z'; ++c) {
        many.append(u"Snipe"_s + QChar(c));
        many.append(QChar(c) + u"Snipe"_s);
    }
    EXPECT_EQ(namesuggestions::alikePairs(many).size(), 0u);
}
