#pragma once

#include <QString>
#include <cstdint>

class PlayerDatabase;

// The promise of the import, checked over seeded random score files of good
// and damaged blocks: what is stored and what is set aside depends on the
// file's bytes alone. Each file is imported whole into `whole`, then again
// (which stores nothing and fails the same blocks), and block by block, as
// the game appends them, into `byBlocks`: both end with the same rows, which
// are every row of every good block and the rows of each damaged block
// before the row where it fails. Both databases are emptied before each
// file; `gameFolder` receives scores.txt. Reports through gtest.
void checkImportDependsOnTheFileAlone(PlayerDatabase &whole, PlayerDatabase &byBlocks, const QString &gameFolder,
                                      std::uint32_t seed, int files);
