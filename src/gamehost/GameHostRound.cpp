#include "gamehost/GameHostRound.h"

#include "common/ProgramFolder.h"
#include "common/TextFiles.h"
#include "ftp/SocketErrors.h"
#include "gamehost/HostFolder.h"
#include "platform/Paths.h"
#include "scores/ScoreArchive.h"
#include "scores/ScoreImport.h"

#include <QCryptographicHash>
#include <QElapsedTimer>

using namespace Qt::StringLiterals;

namespace {

// The part before the offset whose digest says the file is still the one read.
constexpr qint64 kTailBytes = 4096;
// A staged file still growing after this many checks is read as it is;
// the rest comes with the next round.
constexpr int kSettleChecks = 10;

QByteArray digest(QByteArrayView bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

// The whole lines of `bytes`: a line the game is still writing waits for
// the next round, so that no header is ever cut in two.
qsizetype wholeLines(const QByteArray &bytes)
{
    const qsizetype lf = bytes.lastIndexOf('\n');
    const qsizetype cr = bytes.lastIndexOf('\r');
    return qMax(lf, cr) + 1;
}

} // namespace

GameHostRound::GameHostRound(HostFolder &host, const ProgramFolder &program, const GameHostAddress &address, bool keep)
    : m_host(host), m_program(program), m_address(address), m_keep(keep), m_folder(program.gameHostFolder()),
      m_statePath(platform::joinPath(m_folder, u"state"_s))
{
}

QString GameHostRound::stagedName()
{
    return u"scores.txt.rankhold"_s;
}

QString GameHostRound::scoreName()
{
    return u"scores.txt"_s;
}

QString GameHostRound::localScoreFile() const
{
    return platform::joinPath(m_folder, scoreName());
}

void GameHostRound::close()
{
    if (m_open)
        m_host.close();
    m_open = false;
}

bool GameHostRound::allArchived() const
{
    const QString local = localScoreFile();
    return !platform::fileExists(local) && !platform::fileExists(stagedScoreFile(local));
}

void GameHostRound::normaliseLocal()
{
    if (!platform::directoryExists(m_folder) && !platform::makePath(m_folder))
        throw RankholdError(u"Cannot create the folder %1"_s.arg(m_folder));
    m_state = readRoundState(m_statePath);
    if (m_state.url != m_address.text()) {
        // Another host, or the first round: nothing of it has been read.
        m_state = RoundState{};
        m_state.url = m_address.text();
    }
    const QString local = localScoreFile();
    qint64 pending = 0;
    if (platform::fileExists(local)) {
        QByteArray bytes = readFileBytes(local, kLargestScoreFile);
        // Written, but the state that counts it was not: the same bytes
        // come again from the host.
        if (bytes.size() > m_state.pending) {
            bytes.truncate(m_state.pending);
            writeFileAtomically(local, bytes);
        }
        pending = bytes.size();
    }
    if (pending != m_state.pending) {
        // Archived meanwhile (or gone): the next bytes start a new file.
        m_state.pending = pending;
        writeRoundState(m_statePath, m_state);
    }
}

GameHostRoundOutcome GameHostRound::fetch()
{
    GameHostRoundOutcome outcome;
    try {
        normaliseLocal();
        if (!m_open) {
            m_host.open();
            m_open = true;
        }
        fetchRound(outcome);
    } catch (const ENetworkError &e) {
        outcome.reached = false;
        outcome.problem = e.cause().isEmpty() ? e.message() : e.cause();
        close();
    }
    return outcome;
}

QString GameHostRound::chooseFile(GameHostRoundOutcome &outcome)
{
    if (m_keep || m_state.readOnly) {
        if (m_state.file != scoreName())
            m_state.restart(scoreName());
        return m_host.stat(scoreName()).exists ? scoreName() : QString();
    }
    // A staged file first: a round that was cut off left it.
    if (m_host.stat(stagedName()).exists) {
        if (m_state.file != stagedName())
            m_state.restart(stagedName());
        return stagedName();
    }
    if (!m_host.stat(scoreName()).exists)
        return {};
    try {
        m_host.rename(scoreName(), stagedName());
    } catch (const RankholdError &e) {
        if (!m_host.isPermissionRefusal(e))
            throw;
        // A read-only account: from now on the file stays and only what is
        // appended is read.
        outcome.note = u"The game host account may not rename %1 (%2); it stays on the host and each round "
                       "reads what was appended"_s.arg(scoreName(), causeOf(e));
        m_state.readOnly = true;
        m_state.restart(scoreName());
        writeRoundState(m_statePath, m_state);
        return scoreName();
    }
    // The same file under its new name: what was read of it stays read.
    if (m_state.file == scoreName())
        m_state.file = stagedName();
    else
        m_state.restart(stagedName());
    writeRoundState(m_statePath, m_state);
    return stagedName();
}

bool GameHostRound::waitUntilSettled(const QString &name)
{
    // A game on a Unix host that still has the file open writes on into it
    // after the rename: it shows as growth.
    QElapsedTimer clock;
    clock.start();
    HostFolder::Entry before = m_host.stat(name);
    while (clock.elapsed() < qint64(kSettleChecks) * m_settleMs) {
        m_host.pause(m_settleMs);
        const HostFolder::Entry now = m_host.stat(name);
        if (now.size == before.size && now.modTime == before.modTime)
            return true;
        before = now;
    }
    return false;
}

void GameHostRound::fetchRound(GameHostRoundOutcome &outcome)
{
    m_settled = false;
    const QString name = chooseFile(outcome);
    if (name.isEmpty())
        return;
    const bool staged = name == stagedName();
    if (staged)
        m_settled = waitUntilSettled(name);
    const HostFolder::Entry entry = m_host.stat(name);
    if (!entry.exists)
        return;
    // Nothing new: the size and time say so, and no data connection is
    // opened. (Only a staged file that has stopped growing still gives its
    // unfinished last line.)
    const bool unchanged = m_state.size >= 0 && entry.size == m_state.size && entry.modTime == m_state.modTime;
    const bool lastLine = staged && m_settled && m_state.offset < entry.size;
    if (unchanged && !lastLine)
        return;
    if (entry.size < m_state.offset) {
        // Cut short or replaced: read from the start.
        m_state.restart(name);
    }
    readAppended(name, staged && m_settled, outcome);
    m_state.size = entry.size;
    m_state.modTime = entry.modTime;
    writeRoundState(m_statePath, m_state);
}

void GameHostRound::readAppended(const QString &name, bool whole, GameHostRoundOutcome &outcome)
{
    const qint64 checkFrom = m_state.offset - m_state.tailLength;
    QByteArray received;
    bool checked = m_state.tailLength == 0;
    bool mismatch = false;
    const auto sink = [&](QByteArrayView piece) {
        received.append(piece);
        if (!checked && received.size() >= m_state.tailLength) {
            checked = true;
            if (digest(QByteArrayView(received).first(m_state.tailLength)) != m_state.tail) {
                mismatch = true;
                return false;
            }
        }
        return received.size() <= kLargestScoreFile;
    };
    outcome.bytesFetched += m_host.fetch(name, checkFrom, sink);
    ++outcome.transfers;
    if (mismatch || !checked) {
        // What was read before is not there any more: another file.
        m_state.restart(name);
        received.clear();
        checked = true;
        outcome.bytesFetched += m_host.fetch(name, 0, sink);
        ++outcome.transfers;
    }
    if (received.size() > kLargestScoreFile)
        throw RankholdError(u"The score file on the game host is larger than %1 bytes"_s.arg(kLargestScoreFile));

    const qint64 checkLength = m_state.tailLength;
    QByteArray fresh = received.mid(checkLength);
    // A staged file that stopped growing is complete, its last line too.
    const qsizetype take = whole ? fresh.size() : wholeLines(fresh);
    fresh.truncate(take);
    if (fresh.isEmpty())
        return;
    appendToLocal(fresh);
    m_state.offset += fresh.size();
    const QByteArray known = received.left(checkLength + fresh.size());
    m_state.tailLength = qMin<qint64>(kTailBytes, known.size());
    m_state.tail = digest(QByteArrayView(known).last(m_state.tailLength));
}

void GameHostRound::appendToLocal(const QByteArray &bytes)
{
    const QString local = localScoreFile();
    QByteArray all = platform::fileExists(local) ? readFileBytes(local, kLargestScoreFile) : QByteArray();
    all += bytes;
    // The local file first, then the state that counts it: a crash between
    // the two leaves bytes the state does not know, cut off again next time.
    writeFileAtomically(local, all);
    m_state.pending = all.size();
}

void GameHostRound::finish(GameHostRoundOutcome &outcome)
{
    if (!outcome.reached || !m_open || m_keep || m_state.readOnly || m_state.file != stagedName())
        return;
    if (!m_settled || !allArchived())
        return;
    try {
        // The import, export and upload took their time: a host that has
        // dropped the idle log-in meanwhile is logged in to again.
        m_host.close();
        m_host.open();
        const HostFolder::Entry entry = m_host.stat(stagedName());
        // Grown after it was read: the rest comes with the next round.
        if (!entry.exists || entry.size != m_state.offset)
            return;
        m_host.remove(stagedName());
        m_state.restart(QString());
        m_state.pending = 0;
        writeRoundState(m_statePath, m_state);
    } catch (const ENetworkError &e) {
        outcome.reached = false;
        outcome.problem = e.cause().isEmpty() ? e.message() : e.cause();
        close();
    }
}
