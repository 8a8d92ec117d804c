// Same file, same rows: the import's outcome over seeded random files of
// good and damaged blocks, into the file Rankhold.mdb.
#include "ScoreFixture.h"

#include "support/ImportProperty.h"

using namespace Qt::StringLiterals;

TEST_F(ScoreFixture, ImportDependsOnTheFileAlone)
{
    PlayerDatabase byBlocks;
    const QString second = programFolder + u"/ByBlocks.mdb"_s;
    makeEmptyDatabase(second);
    byBlocks.setFileName(second);
    checkImportDependsOnTheFileAlone(db, byBlocks, gameFolder, 20261209, 60);
}
