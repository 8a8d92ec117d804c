// The portal published to a real FTP server (pyftpdlib): the first upload
// sends every file, later ones only what the server lacks.
#include "PortalFixture.h"

#include "common/ProgramFolder.h"
#include "ftp/PageUpload.h"
#include "portal/PortalNames.h"
#include "support/FtpServers.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTimer>

using namespace Qt::StringLiterals;
namespace names = portal::names;

namespace {

const QDateTime kLongAgo(QDate(2000, 1, 1), QTime(0, 0));

class PortalUploadTest : public PortalFixture
{
protected:
    void SetUp() override
    {
        PortalFixture::SetUp();
        ASSERT_TRUE(server.isRunning()) << server.errorText().toStdString();
        server.makeFolder(u"www"_s);
        addGame("Canyon", "03/01/02", "20:00:00", "Capture the Flag",
                {{"Raptor", 10, 2}, {"Dark Star", 4, 5}, {"J\xe4ger", 7, 7}});
        addGame("Oasis", "03/02/02", "21:00:00", "Deathmatch", {{"Raptor", 3, 3, "30"}, {"Nomad", 9, 1, "90"}});
        build();
    }

    // Uploads to www/ of the server; the paths below www/portal that it stored.
    QStringList upload(bool ok = true)
    {
        QDirIterator old(remote(), QDir::Files, QDirIterator::Subdirectories);
        while (old.hasNext()) {
            QFile file(old.next());
            file.open(QIODevice::ReadWrite);
            file.setFileTime(kLongAgo, QFileDevice::FileModificationTime);
        }
        EXPECT_EQ(uploader.upload(server.settings(u"www"_s), folder, true).ok, ok);
        QStringList stored;
        QDirIterator it(remote(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (QFileInfo(path).lastModified() > kLongAgo)
                stored.append(path.mid(remote().size() + 1));
        }
        stored.sort();
        return stored;
    }
    QString remote() const { return server.filePath(u"www/portal"_s); }
    // The portal on the server, as it should be: every file of the local one.
    void expectServerHoldsThePortal() { EXPECT_EQ(files(remote()).keys(), files(folder.portalFolder()).keys()); }
    QStringList sorted(QStringList paths) const
    {
        paths.sort();
        return paths;
    }

    PyFtpServer server;
    ProgramFolder folder{dir.path()};
    QTimer timer3;
    PageUploader uploader{timer3, host};
};

TEST_F(PortalUploadTest, SendsEverythingOnceThenWhatOneMoreMapChangedThenNothing)
{
    // The first upload makes the folders and sends every file, as it is.
    const auto local = files(folder.portalFolder());
    EXPECT_EQ(upload(), local.keys());
    for (auto it = local.cbegin(); it != local.cend(); ++it)
        EXPECT_EQ(readFile(remote() + u'/' + it.key()).replace("\r\n", "\n"),
                  QByteArray(it.value()).replace("\r\n", "\n"))
            << it.key().toStdString();

    EXPECT_EQ(upload(), QStringList()) << "nothing changed, nothing sent";

    addGame("Canyon", "03/03/02", "20:00:00", "Deathmatch", {{"Raptor", 5, 1, "50"}, {"Newcomer", 1, 3, "10"}});
    build();
    EXPECT_EQ(upload(),
              sorted({names::playerPage(u"Raptor               "_s), names::playerPage(u"Newcomer             "_s),
                      names::gamePage({u"03/03/02"_s, u"20:00:00"_s, u"Canyon"_s}), names::mapPage(u"Canyon"_s),
                      names::kIndexPage, names::kWeekPage, names::kMonthPage, names::kRatingPage, names::kPlayersJson,
                      names::kAwardsPage}));

    // A player deleted: their page goes from the server too.
    QSqlQuery(db.connection()).exec(u"DELETE FROM player WHERE Player LIKE 'Nomad%'"_s);
    build();
    const QString nomad = names::playerPage(u"Nomad                "_s);
    ASSERT_TRUE(QFile::exists(remote() + u'/' + nomad));
    upload();
    EXPECT_FALSE(QFile::exists(remote() + u'/' + nomad));
    EXPECT_EQ(upload(), QStringList());
}

TEST_F(PortalUploadTest, AFailedUploadLeavesTheRestForTheNextOne)
{
    // The index, sent last, meets a folder of its name on the server.
    ASSERT_TRUE(QDir().mkpath(remote() + u"/index.html"_s));
    const QStringList first = upload(false);
    EXPECT_FALSE(first.isEmpty());
    EXPECT_FALSE(first.contains(names::kIndexPage));
    EXPECT_TRUE(host.activityTexts.contains(u"FTP: Filetransfer Failed"_s));

    ASSERT_TRUE(QDir(remote() + u"/index.html"_s).removeRecursively());
    EXPECT_EQ(upload(), QStringList{names::kIndexPage}) << "only what did not arrive";
    EXPECT_EQ(upload(), QStringList());

    // Another directory is another place: everything goes there.
    server.makeFolder(u"elsewhere"_s);
    EXPECT_TRUE(uploader.upload(server.settings(u"elsewhere"_s), folder, true).ok);
    EXPECT_TRUE(QFile::exists(server.filePath(u"elsewhere/portal/"_s + names::kIndexPage)));
}

TEST_F(PortalUploadTest, AFolderDeletedOnTheServerIsMadeAndFilledAgain)
{
    upload();
    const QStringList players = files(remote() + u"/player"_s).keys();
    ASSERT_FALSE(players.isEmpty());

    // What the manifest says was sent is not looked for on the server...
    ASSERT_TRUE(QDir(remote() + u"/player"_s).removeRecursively());
    EXPECT_EQ(upload(), QStringList());
    // ...until a store into the lost folder is refused: then all it held goes again.
    addGame("Oasis", "03/03/02", "20:00:00", "Deathmatch", {{"Nomad", 5, 1, "50"}});
    build();
    const QStringList stored = upload();
    for (const QString &player : players)
        EXPECT_TRUE(stored.contains(u"player/"_s + player)) << player.toStdString();
    expectServerHoldsThePortal();

    // The whole portal gone from the server.
    ASSERT_TRUE(QDir(remote()).removeRecursively());
    addGame("Canyon", "03/04/02", "20:00:00", "Deathmatch", {{"Raptor", 5, 1, "50"}});
    build();
    EXPECT_EQ(upload(), files(folder.portalFolder()).keys());
    expectServerHoldsThePortal();
    EXPECT_EQ(upload(), QStringList());
}

TEST_F(PortalUploadTest, TheRecordOfWhatWasSentIsDataNotOrders)
{
    upload();
    const QString page = server.filePath(u"www/rankhold_kills.html"_s);
    writeFile(page, "the ranking page");
    // A line that names a file outside the portal makes the record worthless:
    // nothing is deleted, everything is sent again.
    QByteArray record = readFile(folder.portalManifest());
    record += QByteArray(64, 'a') + " 1 1 ../rankhold_kills.html\n";
    writeFile(folder.portalManifest(), record);
    EXPECT_EQ(upload(), files(folder.portalFolder()).keys());
    EXPECT_TRUE(QFile::exists(page));

    // Pages gone here, but not removed by a build (a folder emptied by hand,
    // a disk restored): the server keeps them.
    const QString player = names::playerPage(u"Raptor               "_s);
    ASSERT_TRUE(QFile::remove(folder.portalFolder() + u'/' + player));
    EXPECT_EQ(upload(), QStringList());
    EXPECT_TRUE(QFile::exists(remote() + u'/' + player));
}

} // namespace
