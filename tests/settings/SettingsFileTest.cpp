#include "settings/SettingsFile.h"
#include "common/ProgramFolder.h"
#include "common/RankholdError.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class SettingsFileTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    ProgramFolder folder() const { return ProgramFolder(dir.path()); }
    QString file(const QString &name) const { return dir.filePath(name); }

    Settings load() const
    {
        Settings s;
        loadHeaderAndFooter(folder(), s);
        loadSettingsFile(folder(), s);
        return s;
    }
};

} // namespace

TEST_F(SettingsFileTest, FirstStartGivesDefaultsAndSaveCreatesAllThreeFiles)
{
    const Settings s = load();
    const Settings initial;
    EXPECT_EQ(s.titleFontFace, u"arial"_s);
    EXPECT_EQ(s.ftpServer, kDefaultFtpServer);
    EXPECT_EQ(s.header, initial.header);
    EXPECT_EQ(s.footer, u"</BODY>\r\n</HTML>\r\n"_s);
    EXPECT_FALSE(s.rankKills);

    saveSettings(folder(), s);
    EXPECT_EQ(readFile(file(u"header.txt"_s)), QByteArray("<HTML>\r\n<BODY BGCOLOR=\"WHITE\">\r\n"));
    EXPECT_EQ(readFile(file(u"footer.txt"_s)), QByteArray("</BODY>\r\n</HTML>\r\n"));
    EXPECT_EQ(readFile(file(u"Rankhold.ini"_s)), QByteArray("[Tabletitles]\r\n"
                                                            "Fontface=arial\r\n"
                                                            "Fontcolor=black\r\n"
                                                            "Fontsize=2\r\n"
                                                            "BGcolor=white\r\n"
                                                            "Italic=off\r\n"
                                                            "Underlined=off\r\n"
                                                            "\r\n"
                                                            "[Tablefields]\r\n"
                                                            "Fontface=arial\r\n"
                                                            "Fontcolor=black\r\n"
                                                            "Fontsize=2\r\n"
                                                            "BGcolor=white\r\n"
                                                            "Bold=off\r\n"
                                                            "Italic=off\r\n"
                                                            "Underlined=off\r\n"
                                                            "\r\n"
                                                            "[HTML Creation]\r\n"
                                                            "Filter1=\r\n"
                                                            "Filter2=\r\n"
                                                            "Filter3=\r\n"
                                                            "\r\n"
                                                            "[Table]\r\n"
                                                            "Borderwidth=0\r\n"
                                                            "Cellpadding=0\r\n"
                                                            "Cellspacing=0\r\n"
                                                            "Width=100\r\n"
                                                            "BGcolor=white\r\n"
                                                            "\r\n"
                                                            "[FTPSettings]\r\n"
                                                            "server=ftp.yourwebhost.com\r\n"
                                                            "directory=\r\n"
                                                            "\r\n"
                                                            "[HTMLCreation]\r\n"
                                                            "Filter=off\r\n"
                                                            "Kills=off\r\n"
                                                            "Deaths=off\r\n"
                                                            "Flags=off\r\n"
                                                            "Zonetime=off\r\n"
                                                            "Targets=off\r\n"
                                                            "Ratio=off\r\n"
                                                            "Top10=off\r\n"));
}

TEST_F(SettingsFileTest, SavedOptionsComeBackAndUnsavedOnesDoNot)
{
    Settings s;
    s.titleFontFace = u"verdana"_s;
    s.fieldFontColor = u"#FF0000"_s;
    s.tableWidth = u"80"_s;
    s.ftpServer = u"ftp.example.org"_s;
    s.ftpDirectory = u"/htdocs/stats"_s;
    s.filter1 = u"[DF]%"_s;
    s.filter3 = u"J\u00e4ger"_s;
    s.useFilters = s.rankKills = s.rankZonetime = s.top10 = s.fieldBold = s.titleUnderlined = true;
    s.ftpUser = u"operator"_s;
    s.ftpPassword = u"secret"_s;
    s.importAfterEachMap = s.chainAfterImport = s.highPriority = true;
    s.header = u"<HTML>\n<BODY>\rline\r\n"_s;
    saveSettings(folder(), s);

    const Settings back = load();
    EXPECT_EQ(back.titleFontFace, u"verdana"_s);
    EXPECT_EQ(back.fieldFontColor, u"#FF0000"_s);
    EXPECT_EQ(back.tableWidth, u"80"_s);
    EXPECT_EQ(back.ftpServer, u"ftp.example.org"_s);
    EXPECT_EQ(back.ftpDirectory, u"/htdocs/stats"_s);
    EXPECT_EQ(back.filter1, u"[DF]%"_s);
    EXPECT_EQ(back.filter2, QString());
    EXPECT_EQ(back.filter3, u"J\u00e4ger"_s);
    EXPECT_TRUE(back.useFilters && back.rankKills && back.rankZonetime && back.top10 && back.fieldBold &&
                back.titleUnderlined);
    EXPECT_FALSE(back.rankDeaths || back.rankRatio || back.titleItalic || back.fieldItalic);
    EXPECT_EQ(back.ftpUser, u"username"_s);
    EXPECT_EQ(back.ftpPassword, u"sundrops"_s);
    EXPECT_FALSE(back.importAfterEachMap || back.chainAfterImport || back.highPriority);
    EXPECT_EQ(back.header, u"<HTML>\r\n<BODY>\r\nline\r\n"_s);
    // Filters live under "HTML Creation", switches under "HTMLCreation".
    const QByteArray ini = readFile(file(u"Rankhold.ini"_s));
    EXPECT_TRUE(ini.contains("[HTML Creation]\r\nFilter1=[DF]%\r\n"));
    EXPECT_TRUE(ini.contains("[HTMLCreation]\r\nFilter=on\r\nKills=on\r\n"));
}

TEST_F(SettingsFileTest, OnlyExactlyOnChecksABox)
{
    writeFile(file(u"Rankhold.ini"_s), "[HTMLCreation]\r\nKills=On\r\nDeaths=ON\r\nFlags=1\r\nZonetime=yes\r\n"
                                       "Targets=on\r\nRatio=onn\r\n[tablefields]\r\nBOLD=  on  \r\n");
    const Settings s = load();
    EXPECT_FALSE(s.rankKills);
    EXPECT_FALSE(s.rankDeaths);
    EXPECT_FALSE(s.rankFlags);
    EXPECT_FALSE(s.rankZonetime);
    EXPECT_TRUE(s.rankTargets);
    EXPECT_FALSE(s.rankRatio);
    EXPECT_TRUE(s.fieldBold); // names match without regard to case, values are trimmed
}

TEST_F(SettingsFileTest, EmptyValueEmptiesTheBoxAndOtherKeysAreKept)
{
    writeFile(file(u"Rankhold.ini"_s), "; kept\r\n[Tabletitles]\r\nFontface=\r\nMine=1\r\n[Custom]\r\nx=y\r\n");
    Settings s = load();
    EXPECT_EQ(s.titleFontFace, QString());
    EXPECT_EQ(s.titleFontColor, u"black"_s);

    s.titleFontFace = u"tahoma"_s;
    saveSettings(folder(), s);
    const QByteArray ini = readFile(file(u"Rankhold.ini"_s));
    EXPECT_TRUE(ini.startsWith("; kept\r\n[Tabletitles]\r\nFontface=tahoma\r\nMine=1\r\n"));
    EXPECT_TRUE(ini.contains("[Custom]\r\nx=y\r\n"));
}

TEST_F(SettingsFileTest, EmptyHeaderSavesAnEmptyFileThatEmptiesTheMemo)
{
    Settings s;
    s.header.clear();
    saveSettings(folder(), s);
    EXPECT_EQ(QFileInfo(file(u"header.txt"_s)).size(), 0);
    EXPECT_EQ(load().header, QString());
}

TEST_F(SettingsFileTest, HeaderInWindows1252IsRead)
{
    writeFile(file(u"footer.txt"_s), "<P>\xa9 J\xe4ger</P>");
    EXPECT_EQ(load().footer, u"<P>\u00a9 J\u00e4ger</P>"_s);
}

TEST_F(SettingsFileTest, HeaderThatCannotBeWrittenStopsBeforeTheSettingsFile)
{
    ASSERT_TRUE(QDir(folder().path()).mkdir(u"footer.txt"_s));
    const QString error = errorMessageOf([&] { saveSettings(folder(), Settings{}); });
    EXPECT_EQ(error, u"Cannot create file "_s + file(u"footer.txt"_s));
    EXPECT_FALSE(QFile::exists(file(u"Rankhold.ini"_s)));
}

TEST_F(SettingsFileTest, SettingsFileThatCannotBeWritten)
{
    ASSERT_TRUE(QDir(folder().path()).mkdir(u"Rankhold.ini"_s));
    const QString error = errorMessageOf([&] { saveSettings(folder(), Settings{}); });
    EXPECT_EQ(error, u"Unable to write to "_s + file(u"Rankhold.ini"_s));
    EXPECT_TRUE(QFile::exists(file(u"header.txt"_s)));
    // Loading from such a folder gives the defaults.
    EXPECT_EQ(load().titleFontFace, u"arial"_s);
}

TEST_F(SettingsFileTest, HeaderThatCannotBeRead)
{
    // A name that exists but gives a read error, also for root.
    if (!QFile::link(u"/proc/self/mem"_s, file(u"header.txt"_s)))
        GTEST_SKIP() << "no symbolic links here";
    Settings s;
    const QString error = errorMessageOf([&] { loadHeaderAndFooter(folder(), s); });
    EXPECT_EQ(error, u"Cannot open file "_s + file(u"header.txt"_s));
}

TEST_F(SettingsFileTest, SettingsFilesThatNoSettingsFileCouldBeAreRefusedWithoutReadingThem)
{
    // A link to a device that never ends, or a file far larger than any
    // settings: an error that says so, at once, and nothing written over them.
    const QByteArray large(5 << 20, 'x');
    struct Case {
        QString name;
        bool link; // to /dev/zero; otherwise `large`
        QString reason;
        std::function<void(Settings &)> load;
    };
    const QList<Case> cases = {
        {u"Rankhold.ini"_s, true, u"not a regular file"_s, [&](Settings &s) { loadSettingsFile(folder(), s); }},
        {u"Rankhold.ini"_s, false, u"larger than 1 MB"_s, [&](Settings &s) { loadSettingsFile(folder(), s); }},
        {u"header.txt"_s, true, u"not a regular file"_s, [&](Settings &s) { loadHeaderAndFooter(folder(), s); }},
        {u"footer.txt"_s, false, u"larger than 4 MB"_s, [&](Settings &s) { loadHeaderAndFooter(folder(), s); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        QFile::remove(file(c.name));
        if (c.link)
            ASSERT_TRUE(QFile::link(u"/dev/zero"_s, file(c.name)));
        else
            writeFile(file(c.name), large);
        Settings s;
        const QString error = errorMessageOf([&] { c.load(s); });
        EXPECT_TRUE(error.startsWith(u"Cannot open file "_s + file(c.name) + u": "_s + c.reason))
            << error.toStdString();
        if (c.name == u"Rankhold.ini"_s) {
            EXPECT_EQ(errorMessageOf([&] { saveSettings(folder(), Settings{}); }),
                      u"Unable to write to "_s + file(c.name));
            EXPECT_EQ(QFileInfo(file(c.name)).isSymLink(), c.link);
        }
        QFile::remove(file(c.name));
    }
}
