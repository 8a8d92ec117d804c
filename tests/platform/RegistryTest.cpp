#include "platform/Registry.h"
#include "support/TestSupport.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using platform::Registry;

TEST(Registry, WritesCreatesAndReadsBack)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"config/Rankhold/registry.ini"_s);
    Registry registry(file);
    EXPECT_FALSE(registry.readString(platform::kDflwAppPathsKey, u"Path"_s));
    EXPECT_FALSE(QFile::exists(file)); // reading never creates

    ASSERT_TRUE(registry.writeString(platform::kDflwAppPathsKey, u"Path"_s, u"/srv/my games/dflw"_s));
    EXPECT_EQ(readFile(file), QByteArray("[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App "
                                         "Paths\\dflw.exe]\r\nPath=/srv/my games/dflw\r\n"));
    EXPECT_EQ(Registry(file).readString(platform::kDflwAppPathsKey, u"Path"_s), u"/srv/my games/dflw"_s);
    EXPECT_FALSE(Registry(file).readString(platform::kBrowserAppPathsKey, u"Path"_s));

    // Key names match without regard to case, as in the registry; a second
    // write replaces the value.
    ASSERT_TRUE(registry.writeString(platform::kDflwAppPathsKey.toLower(), u"path"_s, u"/other"_s));
    EXPECT_EQ(registry.readString(platform::kDflwAppPathsKey, u"Path"_s), u"/other"_s);
}

TEST(Registry, ValuesComeBackWithTheirQuotesAndSemicolons)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"registry.ini"_s);
    writeFile(file, "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE]\n"
                    "Path = C:\\Program Files\\Internet Explorer;\n");
    EXPECT_EQ(Registry(file).readString(platform::kBrowserAppPathsKey, u"Path"_s),
              u"C:\\Program Files\\Internet Explorer;"_s);
}

TEST(Registry, WriteFailsWhenTheStoreCannotBeMade)
{
    QTemporaryDir dir;
    writeFile(dir.filePath(u"file"_s), "x");
    Registry registry(dir.filePath(u"file/Rankhold/registry.ini"_s));
    EXPECT_FALSE(registry.writeString(platform::kDflwAppPathsKey, u"Path"_s, u"/srv"_s));
    Registry good(dir.filePath(u"registry.ini"_s));
    EXPECT_FALSE(good.writeString(platform::kDflwAppPathsKey, u"Path"_s, u"two\nlines"_s));
}
