// Imports GAMEFOLDER/scores.txt into PROGRAMFOLDER/Rankhold.mdb, for the test
// that kills an import half-way. Prints "started" once the scan begins.
#include "commands/GameFolderRecord.h"
#include "common/ProgramFolder.h"
#include "common/RankholdError.h"
#include "scores/PlayerDatabase.h"
#include "scores/ScoreArchive.h"
#include "scores/ScoreImport.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

class QuietHost : public CommandHost
{
public:
    void setConnectionText(const QString &) override {}
    void setActivityText(const QString &) override {}
    void repaintStatus() override
    {
        std::fputs("started\n", stdout);
        std::fflush(stdout);
    }
    void setProgress(int) override {}
    void showDatabaseFigures(const DatabaseFigures &) override {}
    bool askWarning(const QString &) override { return true; }
    void showMessage(const QString &) override {}
    void processEvents() override {}
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("usage: import_helper GAMEFOLDER PROGRAMFOLDER\n", stderr);
        return 2;
    }
    const QString gameFolder = QString::fromLocal8Bit(argv[1]);
    const QString programFolder = QString::fromLocal8Bit(argv[2]);
    const ProgramFolder folder(programFolder);
    PlayerDatabase database;
    database.setFileName(folder.databaseFile());
    QuietHost host;
    try {
        const QString scoreFile = GameFolderRecord::scoreFile(gameFolder);
        archiveScoreFile(scoreFile, importScoreFile(database, scoreFile, host), folder);
    } catch (const RankholdError &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
