#pragma once

#include "gamehost/GameHostAddress.h"
#include "gamehost/RoundState.h"

#include <QString>

class HostFolder;
class ProgramFolder;

// What one round did on the game host. A host that cannot be reached (down,
// log-in refused, dropped mid-transfer, a host key not trusted) is no error
// of the import: the round says why, and the next round tries again.
struct GameHostRoundOutcome {
    bool reached = true;
    // Why the host could not be reached or read, in one line; empty when
    // it was. A change of it is news for the operator; the same again is not.
    QString problem;
    // Something worth saying once (the account may not rename).
    QString note;
    qint64 bytesFetched = 0;
    int transfers = 0; // data connections (RETR) opened
};

// The score file as it leaves the game host, one round at a time. What was
// fetched goes into a local score file in the program folder ("gamehost"),
// which the import reads and the archive takes as for a local game folder.
//
// An account that may rename and delete: scores.txt is renamed on the host
// to a name the game never writes, read once it has stopped growing, and
// deleted there only once every byte read of it is in the local archive. A
// staged file left by a round that was cut off is read first.
// A read-only account, or `keep`: the file stays; each round reads only what
// was appended, after checking that the part read before is still there
// (not shorter, the digest of its last part unchanged); a file replaced or
// cut short is read from its start.
// Either way a round with nothing new asks only for the size and time.
class GameHostRound
{
public:
    GameHostRound(HostFolder &host, const ProgramFolder &program, const GameHostAddress &address, bool keep);

    // The name on the host under which a file waits while it is read.
    static QString stagedName();
    static QString scoreName();
    // How long a staged file must keep its size to count as finished.
    void setSettleMilliseconds(int ms) { m_settleMs = ms; }

    // The local score file the import reads.
    QString localScoreFile() const;
    // Brings what is new on the host into localScoreFile(). Never throws for
    // the host: the outcome says.
    GameHostRoundOutcome fetch();
    // After the archive: a staged file that has been read whole and whose
    // every byte is archived is deleted on the host.
    void finish(GameHostRoundOutcome &outcome);
    void close();

private:
    void fetchRound(GameHostRoundOutcome &outcome);
    // The file this round reads, renamed into place when the account may;
    // empty when the host has none.
    QString chooseFile(GameHostRoundOutcome &outcome);
    // Waits until the staged file keeps its size; false when it did not in time.
    bool waitUntilSettled(const QString &name);
    void readAppended(const QString &name, bool whole, GameHostRoundOutcome &outcome);
    void appendToLocal(const QByteArray &bytes);
    void normaliseLocal();
    bool allArchived() const;

    HostFolder &m_host;
    const ProgramFolder &m_program;
    GameHostAddress m_address;
    bool m_keep;
    int m_settleMs = 1000;
    QString m_folder;
    QString m_statePath;
    RoundState m_state;
    bool m_open = false;
    bool m_settled = false;
};
