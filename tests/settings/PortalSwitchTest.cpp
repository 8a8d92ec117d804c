#include "settings/PortalSwitch.h"

#include "common/ProgramFolder.h"
#include "settings/SettingsFile.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(PortalSwitch, OnlyOnTurnsItOnAndItsWindowKeepsTheRestOfTheFile)
{
    QTemporaryDir dir;
    const ProgramFolder folder(dir.path());
    EXPECT_FALSE(portalEnabled(folder)) << "no settings file";
    for (const auto &[value, on] : {std::pair{"on", true},
                                    {"\"on\"", true},
                                    {" on ", true},
                                    {"On", false},
                                    {"ON", false},
                                    {"1", false},
                                    {"yes", false},
                                    {"", false},
                                    {"off", false}}) {
        writeFile(folder.settingsFile(), QByteArray("[portal]\r\nenabled=") + value + "\r\n");
        EXPECT_EQ(portalEnabled(folder), on) << value;
    }

    QFile::remove(folder.settingsFile());
    Settings settings;
    settings.ftpDirectory = u"www"_s;
    saveSettings(folder, settings);
    setPortalEnabled(folder, true);
    EXPECT_TRUE(portalEnabled(folder));
    // File > Save Settings writes its own keys and leaves the section alone.
    saveSettings(folder, settings);
    EXPECT_TRUE(portalEnabled(folder));
    Settings loaded;
    loadSettingsFile(folder, loaded);
    EXPECT_EQ(loaded.ftpDirectory, u"www"_s);
    setPortalEnabled(folder, false);
    EXPECT_FALSE(portalEnabled(folder));
    EXPECT_TRUE(readFile(folder.settingsFile()).contains("[Portal]\r\nEnabled=off\r\n"));
}
