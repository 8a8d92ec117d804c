#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

// Which names look like one player's: the same letters once clan tags,
// brackets, letter case and blanks are dropped ("-=[DF]=- Ghost" and
// "ghost"), or a small edit distance between those letters ("Gh0st" and
// "Ghost"). Whether they ever met in a game is the caller's to check.
namespace namesuggestions {

// The letters and digits of a name, in small letters, without a clan tag:
// a part in brackets ((), [], {}, <>) or between two equal marks (|DF|,
// =DF=, *DF*, ~DF~, #DF#, :DF:) that leaves at least two letters or digits
// beside it.
QString alikeKey(QStringView name);

// The Levenshtein distance of `a` and `b`, or limit + 1 when it is larger.
int editDistance(QStringView a, QStringView b, int limit);

// The largest edit distance at which two keys count as alike: none below
// 4 letters (too short to tell), 1 below 10, 2 from 10 on (of the shorter key).
int distanceLimit(qsizetype shorterKeyLength);

struct AlikePair {
    qsizetype a = 0, b = 0; // indexes into the names given, a < b
    int distance = 0;       // 0: the same letters
};

// Every pair of `names` whose keys are alike. Keys apart only in their
// digits where both have some ("Player12", "Player13") are numbered names of
// a kind, not alike; an edit shared by more than a few dozen names tells
// nothing about any two of them and makes no pair.
std::vector<AlikePair> alikePairs(const QStringList &names);

} // namespace namesuggestions
