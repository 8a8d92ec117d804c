#include "platform/ProfileFile.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using platform::ProfileFile;

namespace {

class ProfileFileTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(u"Rankhold.ini"_s); }
};

} // namespace

TEST_F(ProfileFileTest, ReadsLikeTheWindowsFunctions)
{
    writeFile(path(), "; comment = not a key\r\n"
                      "[TableTitles]\r\n"
                      "  FontFace =   verdana  \r\n"
                      "Quoted=\"  two blanks kept  \"\r\n"
                      "Single='x'\r\n"
                      "HalfQuote=\"abc\r\n"
                      "Empty=\r\n"
                      "Equals=a=b\r\n"
                      "[ Other ]\r\n"
                      "FontFace=times\n");
    const ProfileFile ini(path());
    EXPECT_EQ(ini.readString(u"tabletitles"_s, u"fontface"_s, u"d"_s), u"verdana"_s);
    EXPECT_EQ(ini.readString(u"TABLETITLES"_s, u"Quoted"_s, u"d"_s), u"  two blanks kept  "_s);
    EXPECT_EQ(ini.readString(u"TableTitles"_s, u"Single"_s, u"d"_s), u"x"_s);
    EXPECT_EQ(ini.readString(u"TableTitles"_s, u"HalfQuote"_s, u"d"_s), u"\"abc"_s);
    // Present but empty is not missing: no default.
    EXPECT_EQ(ini.readString(u"TableTitles"_s, u"Empty"_s, u"d"_s), QString());
    EXPECT_EQ(ini.readString(u"TableTitles"_s, u"Equals"_s, u"d"_s), u"a=b"_s);
    // The same key in another section is another key.
    EXPECT_EQ(ini.readString(u"other"_s, u"FontFace"_s, u"d"_s), u"times"_s);
    EXPECT_EQ(ini.readString(u"Other"_s, u"Quoted"_s, u"dflt"_s), u"dflt"_s);
    EXPECT_EQ(ini.readString(u"Missing"_s, u"FontFace"_s, u"dflt"_s), u"dflt"_s);
    EXPECT_EQ(ini.readString(u"TableTitles"_s, u"; comment"_s, u"dflt"_s), u"dflt"_s);
}

TEST_F(ProfileFileTest, MissingFileGivesDefaultsAndNoFile)
{
    const ProfileFile ini(path());
    EXPECT_EQ(ini.readString(u"A"_s, u"B"_s, u"default"_s), u"default"_s);
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(ProfileFileTest, AtMost2047CharactersComeBack)
{
    const QString longValue(3000, u'v');
    ProfileFile ini(path());
    ASSERT_TRUE(ini.writeString(u"S"_s, u"K"_s, longValue));
    EXPECT_EQ(ini.readString(u"S"_s, u"K"_s, {}), QString(2047, u'v'));
    EXPECT_EQ(ini.readString(u"S"_s, u"Missing"_s, longValue).size(), 2047);
    // The file itself keeps the whole value.
    EXPECT_TRUE(readFile(path()).contains(QString(3000, u'v').toUtf8()));
}

TEST_F(ProfileFileTest, WriteReplacesInPlaceAndKeepsEveryOtherLine)
{
    writeFile(path(), "; my notes\n"
                      "[First]\n"
                      "Key=old ; trailing\n"
                      "Other=1\n"
                      "\n"
                      "[Second]\n"
                      "key=second\n");
    ProfileFile ini(path());
    ASSERT_TRUE(ini.writeString(u"FIRST"_s, u"KEY"_s, u"new"_s));
    ASSERT_TRUE(ini.writeString(u"First"_s, u"Added"_s, u"2"_s));
    ASSERT_TRUE(ini.writeString(u"Third"_s, u"k"_s, u"3"_s));
    EXPECT_EQ(readFile(path()), QByteArray("; my notes\r\n"
                                           "[First]\r\n"
                                           "Key=new\r\n"
                                           "Other=1\r\n"
                                           "Added=2\r\n"
                                           "\r\n"
                                           "[Second]\r\n"
                                           "key=second\r\n"
                                           "\r\n"
                                           "[Third]\r\n"
                                           "k=3\r\n"));
}

TEST_F(ProfileFileTest, CreatesTheFileAndRoundTripsUnicode)
{
    ProfileFile ini(path());
    ASSERT_TRUE(ini.writeString(u"HTML Creation"_s, u"Filter1"_s, u"J\u00e4ger%"_s));
    EXPECT_EQ(readFile(path()), QByteArray("[HTML Creation]\r\nFilter1=J\xc3\xa4ger%\r\n"));
    EXPECT_EQ(ini.readString(u"HTML Creation"_s, u"Filter1"_s, {}), u"J\u00e4ger%"_s);
}

TEST_F(ProfileFileTest, BytesThatAreNotUtf8AreReadAsWindows1252)
{
    writeFile(path(), "[S]\r\nK=J\xe4ger \x80\r\n");
    EXPECT_EQ(ProfileFile(path()).readString(u"S"_s, u"K"_s, {}), u"J\u00e4ger \u20ac"_s);
}

TEST_F(ProfileFileTest, WriteFailsWhereNoFileCanBe)
{
    // A folder where the file should be, and a path beneath a file: both
    // fail also for root, and leave what is there alone.
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"Rankhold.ini"_s));
    ProfileFile inFolder(path());
    EXPECT_FALSE(inFolder.writeString(u"S"_s, u"K"_s, u"v"_s));
    EXPECT_TRUE(QFileInfo(path()).isDir());
    EXPECT_EQ(inFolder.readString(u"S"_s, u"K"_s, u"d"_s), u"d"_s);

    writeFile(dir.filePath(u"plain"_s), "x");
    ProfileFile underFile(dir.filePath(u"plain/Rankhold.ini"_s));
    EXPECT_FALSE(underFile.writeString(u"S"_s, u"K"_s, u"v"_s));
    EXPECT_EQ(readFile(dir.filePath(u"plain"_s)), QByteArray("x"));
}
