#pragma once

#include <QByteArray>
#include <QString>

// Taking the score file over from the game, the step before the archive.
// The game appends to scores.txt, opening it for each block or keeping it
// open across maps. A file it has open for writing is never taken (as on
// Windows, where it cannot be moved): on Linux it could be moved, and the
// game's writes would follow it into the archive, unimported. A file that
// has grown since it was imported is not taken either: its new rows come
// with the next import.
//
// The checks and the move are one step as far as the game can tell: the
// file is taken under a read lease, which a program opening it for writing
// must wait for and which then shows as broken; where the system grants no
// lease, the open descriptors of the running programs are looked at instead,
// once before the move and again after it. The move is a rename into a
// staging name in the game folder, verified afterwards: the staged file is
// the one that was read, and nobody opened it for writing in between.
struct Handover {
    enum class Outcome {
        Taken,  // the imported file, under its new name, and nobody writes it
        Left,   // written or changed meanwhile: the next import takes care of it
        Failed, // cannot be taken: `problem` says why
    };
    Outcome outcome = Outcome::Left;
    QString problem;
};

// Takes the file at `path`, which was imported as `imported`, moving it to
// `staging` (never replacing a file there). With an empty `staging` the file
// stays where it is and is only checked (a file staged by an earlier round).
Handover takeScoreFile(const QString &path, const QString &staging, const QByteArray &imported);
