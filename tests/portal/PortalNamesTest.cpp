// File names made from names anyone can choose.
#include "portal/PortalNames.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
namespace names = portal::names;

namespace {

// What a file name must be on every file system a web host may have.
void expectSafe(const QString &path, const QString &folder)
{
    SCOPED_TRACE(qPrintable(path));
    static const QRegularExpression shape(u"^[a-z]+/[a-z0-9_~.-]+\\.html$"_s);
    EXPECT_TRUE(shape.match(path).hasMatch());
    EXPECT_TRUE(path.startsWith(folder + u'/'));
    const QString file = path.mid(folder.size() + 1);
    EXPECT_FALSE(file.startsWith(u'.'));
    EXPECT_FALSE(file.contains(u".."_s));
    EXPECT_LE(file.size(), 140);
    // Windows opens a device for these, whatever follows the first dot.
    static const QRegularExpression device(u"^(con|prn|aux|nul|com\\d|lpt\\d)(\\.|$)"_s);
    EXPECT_FALSE(device.match(file).hasMatch());
}

TEST(PortalNames, HostileAndLookAlikeNamesGetSafeFilesOfTheirOwn)
{
    const QString longName(200, u'x');
    const QStringList players = {
        u"../../x"_s,  u".."_s,        u"."_s,        u".hidden"_s,    u"a/b"_s,
        u"a\\b"_s,     u"CON"_s,       u"con"_s,      u"Con.txt"_s,    u"NUL"_s,
        u"com1"_s,     u"LPT9"_s,      u"Ab"_s,       u"aB"_s,         u"AB"_s,
        u"ab"_s,       u"a-b"_s,       u"a_b"_s,      u"a b"_s,        u"a~b"_s,
        u"a.b"_s,      u""_s,          u" "_s,        u"  "_s,         u"Raptor"_s,
        u"Raptor "_s,  u"Raptor  "_s,  u"Raptor.1"_s, u"J\u00e4ger"_s, u"J\u00c4GER"_s,
        u"<script>"_s, u"tab\there"_s, longName,      longName + u'y', longName.toUpper(),
        u"\u00e9"_s,   u"e\u0301"_s,
    };
    QSet<QString> seen;
    for (const QString &name : players) {
        const QString path = names::playerPage(name);
        expectSafe(path, names::kPlayerFolder);
        // Different names never share a file, also where letter case is ignored.
        EXPECT_FALSE(seen.contains(path.toLower())) << qPrintable(name);
        seen.insert(path.toLower());
        EXPECT_EQ(names::playerPage(name), path) << "a name always gives the same file";
    }
    EXPECT_EQ(names::playerPage(u"Canyon Run"_s), u"player/c-anyon_r-un.html"_s);
    EXPECT_EQ(names::playerPage(u"Raptor         "_s), u"player/r-aptor.9.html"_s);
    EXPECT_EQ(names::mapPage(u"con"_s), u"map/~63on.html"_s);
    // Letters beyond ASCII by their UTF-8 bytes: the files of earlier builds keep their names.
    EXPECT_EQ(names::playerPage(u"J\u00e4ger \U0001F600 "_s), u"player/j-~c3~a4ger_~f0~9f~98~80.1.html"_s);
}

TEST(PortalNames, RandomNamesNeverShareAFile)
{
    QRandomGenerator random(7);
    const QString alphabet = u"aAbB .-_~/\\0\u00e4\u00c4"_s;
    QHash<QString, QString> byFile;
    for (int i = 0; i < 20000; ++i) {
        QString name;
        for (int n = random.bounded(1, 7); n > 0; --n)
            name += alphabet.at(random.bounded(alphabet.size()));
        const QString file = names::playerPage(name).toLower();
        const auto other = byFile.constFind(file);
        ASSERT_TRUE(other == byFile.cend() || *other == name) << qPrintable(name + u" and "_s + *other);
        byFile.insert(file, name);
    }
}

TEST(PortalNames, GamesByDateAndMapAndUnreadableDatesApart)
{
    const portal::GameKey keys[] = {
        {u"03/15/02"_s, u"21:04:11"_s, u"Canyon"_s},
        {u"03/15/02"_s, u"21:04:11"_s, u"canyon"_s},
        {u"03/15/02"_s, u"21:04:12"_s, u"Canyon"_s},
        {u"03/15/99"_s, u"21:04:11"_s, u"Canyon"_s},
        {u"3/15/02"_s, u"21:04:11"_s, u"Canyon"_s},
        {u"03/15/02"_s, u"21:4:11"_s, u"Canyon"_s},
        {u"13/45/02"_s, u"21:04:11"_s, u"Canyon"_s},
        {u"a"_s, u"b c"_s, u"d"_s},
        {u"a b"_s, u"c"_s, u"d"_s},
        {u"03/15/02"_s, u"21:04:11"_s, u"../../x"_s},
    };
    QSet<QString> seen;
    for (const portal::GameKey &key : keys) {
        const QString path = names::gamePage(key);
        expectSafe(path, names::kGameFolder);
        EXPECT_FALSE(seen.contains(path.toLower())) << qPrintable(path);
        seen.insert(path.toLower());
    }
    EXPECT_EQ(names::gamePage(keys[0]), u"game/20020315-210411_c-anyon.html"_s);
    EXPECT_EQ(names::gamePage(keys[3]), u"game/19990315-210411_c-anyon.html"_s);
}

} // namespace
