#include "portal/RatingLedger.h"

#include "common/RankholdError.h"
#include "common/TextFiles.h"
#include "platform/Digest.h"

#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cmath>

// The ledger's file: its blocks, how they are written and appended, and how
// they are read back and checked.
namespace portal {

using platform::Digest;
using namespace Qt::StringLiterals;

namespace {

constexpr quint32 kMagic = 0x5248524c; // "RHRL"
constexpr quint32 kLayout = 1;
// A line in the file: player, rank, mu and sigma.
constexpr qsizetype kLineBytes = 4 + 4 + 8 + 8;
// Catches a file damaged or cut short; nothing here needs to resist a
// forger, who could rewrite the record beside it as well. The fastest of the
// hashes at hand: the file grows with the history and is read by every build.
constexpr auto kSum = platform::DigestKind::Sha1;
constexpr qsizetype kSumSize = 20;
// Blocks a file may gather before it is written anew as one.
constexpr int kMostBlocks = 1000;

template <typename T> void put(char *&at, T value)
{
    qToLittleEndian(value, at);
    at += sizeof(T);
}

// Room for `more` items: exactly for the first block of a file, a sixteenth
// more for later ones, so that a file of many small blocks does not copy the
// whole table for each.
template <typename T> void makeRoom(std::vector<T> &items, size_t more)
{
    if (items.capacity() - items.size() < more)
        items.reserve(items.size() + std::max(more, items.size() / 16));
}

template <typename T> T get(const char *&at)
{
    const T value = qFromLittleEndian<T>(at);
    at += sizeof(T);
    return value;
}

} // namespace

QByteArray RatingLedger::encode() const
{
    QByteArray bytes;
    encodeFrom(0, 0, [&](QByteArrayView piece) { bytes += piece; });
    return bytes;
}

void RatingLedger::encodeFrom(size_t names, size_t games, const std::function<void(QByteArrayView)> &piece) const
{
    QByteArray bytes;
    const size_t firstLine = games < m_games.size() ? m_games[games].first : m_lines.size();
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_6_0);
        out << kMagic << kLayout << quint64(m_names.size() - names);
        for (size_t n = names; n < m_names.size(); ++n)
            out << m_names[n];
        out << quint64(m_games.size() - games);
        for (size_t g = games; g < m_games.size(); ++g) {
            const Played &played = m_games[g];
            out << played.key.date << played.key.time << played.key.map << played.count;
        }
        out << quint64(m_lines.size() - firstLine);
    }
    piece(bytes);
    // The lines are most of the file: written as they are, not value by
    // value, a few thousand at a time.
    constexpr qsizetype kPiece = 4096 * kLineBytes;
    bytes.clear();
    for (size_t g = games; g < m_games.size(); ++g) {
        const Played &played = m_games[g];
        const qsizetype start = bytes.size();
        bytes.resize(start + qsizetype(played.count) * kLineBytes);
        char *at = bytes.data() + start;
        qint32 rank = 0;
        for (quint32 i = 0; i < played.count; ++i) {
            const Line &line = m_lines[played.first + i];
            if (!line.tied)
                rank = qint32(i);
            put(at, quint32(line.player));
            put(at, rank);
            put(at, std::bit_cast<quint64>(line.after.mu));
            put(at, std::bit_cast<quint64>(line.after.sigma));
        }
        if (bytes.size() >= kPiece) {
            piece(bytes);
            bytes.clear();
        }
    }
    if (!bytes.isEmpty())
        piece(bytes);
}

std::optional<RatingLedger> RatingLedger::decode(const QByteArray &bytes)
{
    RatingLedger ledger;
    if (ledger.decodeMore(bytes) != bytes.size())
        return std::nullopt;
    return ledger;
}

qsizetype RatingLedger::decodeMore(QByteArrayView bytes)
{
    const QByteArray view = QByteArray::fromRawData(bytes.data(), bytes.size());
    QDataStream in(view);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 magic = 0, layout = 0;
    in >> magic >> layout;
    if (magic != kMagic || layout != kLayout)
        return -1;
    // Counts are checked against what is left, so a damaged one cannot ask
    // for more memory than the file could fill.
    const auto plausible = [&](quint64 count, qint64 bytesEach) {
        return in.status() == QDataStream::Ok && count <= quint64(in.device()->bytesAvailable() / bytesEach);
    };
    quint64 names = 0;
    in >> names;
    if (!plausible(names, 4))
        return -1;
    makeRoom(m_names, size_t(names));
    m_ids.reserve(qsizetype(m_names.size() + names));
    for (quint64 i = 0; i < names && in.status() == QDataStream::Ok; ++i) {
        QString name;
        in >> name;
        if (m_ids.contains(name))
            return -1;
        idOf(name);
    }
    quint64 games = 0;
    in >> games;
    if (!plausible(games, 16))
        return -1;
    const size_t firstGame = m_games.size();
    quint64 lineSum = 0;
    makeRoom(m_games, size_t(games));
    for (quint64 g = 0; g < games && in.status() == QDataStream::Ok; ++g) {
        Played played{};
        in >> played.key.date >> played.key.time >> played.key.map >> played.count;
        played.order = GameMoment::of(played.key).sortKey();
        played.first = quint32(m_lines.size() + lineSum);
        lineSum += played.count;
        if (!m_games.empty() && !playedBefore(m_games.back(), played))
            return -1;
        m_games.push_back(std::move(played));
    }
    quint64 lines = 0;
    in >> lines;
    if (in.status() != QDataStream::Ok || lines != lineSum || m_lines.size() + lines > quint64(INT32_MAX))
        return -1;
    const qint64 head = in.device()->pos();
    if (bytes.size() - head < qint64(lines) * kLineBytes)
        return -1;

    const char *at = bytes.data() + head;
    makeRoom(m_lines, size_t(lines));
    for (size_t g = firstGame; g < m_games.size(); ++g) {
        const Played &played = m_games[g];
        qint32 lastRank = 0;
        for (quint32 i = 0; i < played.count; ++i) {
            const quint32 player = get<quint32>(at);
            const qint32 rank = get<qint32>(at);
            Line line{};
            line.after.mu = std::bit_cast<double>(get<quint64>(at));
            line.after.sigma = std::bit_cast<double>(get<quint64>(at));
            // A rank is the line's place in its game, or that of the line
            // before it for a tie.
            line.tied = i > 0 && rank == lastRank;
            if (player >= m_names.size() || (!line.tied && rank != qint32(i)) || !std::isfinite(line.after.mu) ||
                !std::isfinite(line.after.sigma))
                return -1;
            lastRank = rank;
            line.player = player;
            line.previous = m_last[line.player];
            m_last[line.player] = qint32(m_lines.size());
            ++m_counts[line.player];
            m_lines.push_back(line);
        }
    }
    return qsizetype(head + qint64(lines) * kLineBytes);
}

QByteArray RatingLedger::save(const QString &path)
{
    // Only new games after those saved: their block goes at the end of the
    // file. A file of many blocks is written anew, as one.
    const bool append = !m_saved.sum.isEmpty() && m_kept >= m_saved.games && m_saved.blocks < kMostBlocks &&
                        QFileInfo(path).size() == m_saved.bytes;
    if (append && m_saved.games == m_games.size() && m_saved.names == m_names.size())
        return m_saved.sum;
    Digest sum(kSum);
    if (append)
        sum.addData(m_saved.sum);
    QByteArray checksum;
    qint64 bytes = 0;
    // The block and its checksum, a piece at a time.
    const auto write = [&](QIODevice &file) {
        bool written = true;
        encodeFrom(append ? m_saved.names : 0, append ? m_saved.games : 0, [&](QByteArrayView piece) {
            sum.addData(piece);
            written = written && file.write(piece.data(), piece.size()) == piece.size();
            bytes += piece.size();
        });
        checksum = sum.result();
        bytes += checksum.size();
        return written && file.write(checksum) == checksum.size();
    };
    if (append) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || !write(file) || !file.flush())
            throw RankholdError(u"Cannot create file %1"_s.arg(path));
        m_saved.bytes += bytes;
        ++m_saved.blocks;
    } else {
        writeFileReplacing(path, write);
        m_saved.bytes = bytes;
        m_saved.blocks = 1;
    }
    m_saved.names = m_names.size();
    m_saved.games = m_games.size();
    m_saved.sum = checksum;
    m_kept = m_games.size();
    return checksum;
}

std::optional<RatingLedger> RatingLedger::load(const QString &path, const QByteArray &checksum)
{
    QFile file(path);
    if (checksum.size() != kSumSize || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    RatingLedger ledger;
    QByteArray sum;
    qsizetype at = 0;
    // Each block's sum is that of the sum before it and the block: the last
    // one vouches for the whole file.
    while (at < bytes.size()) {
        const QByteArrayView rest = QByteArrayView(bytes).sliced(at);
        const qsizetype body = ledger.decodeMore(rest);
        if (body < 0 || rest.size() - body < kSumSize)
            return std::nullopt;
        Digest next(kSum);
        next.addData(sum);
        next.addData(rest.first(body));
        sum = next.result();
        if (rest.sliced(body, kSumSize) != sum)
            return std::nullopt;
        at += body + kSumSize;
        ++ledger.m_saved.blocks;
    }
    if (sum != checksum)
        return std::nullopt;
    ledger.m_saved.names = ledger.m_names.size();
    ledger.m_saved.games = ledger.m_games.size();
    ledger.m_saved.sum = sum;
    ledger.m_saved.bytes = bytes.size();
    ledger.m_kept = ledger.m_games.size();
    return ledger;
}

QByteArray saveRatingLedger(const QString &path, RatingLedger &ledger)
{
    return ledger.save(path);
}

std::optional<RatingLedger> loadRatingLedger(const QString &path, const QByteArray &checksum)
{
    return RatingLedger::load(path, checksum);
}

} // namespace portal
