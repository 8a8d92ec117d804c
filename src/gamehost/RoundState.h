#pragma once

#include <QByteArray>
#include <QString>

// What the rounds have read of the score file on the game host, kept in the
// program folder so that a round after a restart goes on where the last one
// stopped: nothing read twice, nothing skipped.
struct RoundState {
    QString url;       // the host it is about; another URL starts afresh
    QString file;      // the name on the host being read: scores.txt, or its staged name
    qint64 offset = 0; // bytes of it taken into the local score file
    QByteArray tail;   // SHA-256 of the `tailLength` bytes before `offset`
    qint64 tailLength = 0;
    qint64 size = -1; // its size and time when last read
    QString modTime;
    qint64 pending = 0; // bytes of the local score file written by the rounds
    // The account may not rename: the file is left on the host and only
    // what was appended is read.
    bool readOnly = false;

    // Back to the start of a file.
    void restart(const QString &name);
};

// A missing or unreadable file reads as a fresh state.
RoundState readRoundState(const QString &path);
// Written under a temporary name, flushed, renamed over: a crash leaves the
// old state or the new one. Throws RankholdError.
void writeRoundState(const QString &path, const RoundState &state);
