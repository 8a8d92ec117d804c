#include "portal/PortalState.h"

#include "common/TextFiles.h"
#include "platform/Digest.h"

#include <QDataStream>
#include <QFile>
#include <QIODevice>

namespace portal {

namespace {

constexpr quint32 kMagic = 0x52485053; // "RHPS"
constexpr quint32 kLayout = 4;

template <typename T> void putOptional(QDataStream &out, const std::optional<T> &value)
{
    out << bool(value) << value.value_or(T());
}

template <typename T> void getOptional(QDataStream &in, std::optional<T> &value)
{
    bool present = false;
    T v{};
    in >> present >> v;
    value = present ? std::optional<T>(v) : std::nullopt;
}

void putKey(QDataStream &out, const GameKey &key)
{
    out << key.date << key.time << key.map;
}

void getKey(QDataStream &in, GameKey &key)
{
    in >> key.date >> key.time >> key.map;
}

void putAwards(QDataStream &out, const std::vector<awards::PeriodAwards> &all)
{
    out << quint64(all.size());
    for (const awards::PeriodAwards &p : all) {
        out << quint8(p.period.kind) << p.period.start;
        for (const auto &placings : p.placings) {
            out << quint64(placings.size());
            for (const awards::Placing &placing : placings)
                out << placing.player << qint32(placing.place) << placing.value;
        }
    }
}

QByteArray encode(const PortalState &state)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << kMagic << kLayout << state.format << state.newestDay << state.rating << state.minGames;
    out << quint64(state.players.size());
    for (auto it = state.players.cbegin(); it != state.players.cend(); ++it) {
        const Totals &t = it.value();
        out << it.key() << t.games << t.kills << t.deaths;
        putOptional(out, t.flags);
        putOptional(out, t.zonetime);
        putOptional(out, t.targets);
        putOptional(out, t.bestRatio);
    }
    out << state.names.countsAs << state.names.hidden;
    out << quint64(state.maps.size());
    for (const MapSummary &m : state.maps) {
        out << m.name << m.games << m.kills << quint64(m.recent.size());
        for (const MapGame &g : m.recent) {
            putKey(out, g.key);
            out << g.type << g.winner << g.players;
        }
        out << quint64(m.best.size());
        for (const MapPlayer &p : m.best)
            out << p.name << p.games << p.kills << p.deaths;
    }
    out << state.lastDay << state.firstFuture;
    putAwards(out, state.awards);
    return bytes;
}

// The lists' lengths are checked against what is left of the file, so a
// damaged count cannot ask for more memory than the file could fill.
bool plausible(QDataStream &in, quint64 count, qint64 bytesEach)
{
    return in.status() == QDataStream::Ok && count <= quint64(in.device()->bytesAvailable() / bytesEach + 1);
}

bool getAwards(QDataStream &in, std::vector<awards::PeriodAwards> &all)
{
    quint64 periods = 0;
    in >> periods;
    if (!plausible(in, periods, 8 + 8 * awards::kAwardCount))
        return false;
    for (quint64 i = 0; i < periods && in.status() == QDataStream::Ok; ++i) {
        awards::PeriodAwards p;
        quint8 kind = 0;
        in >> kind >> p.period.start;
        if (kind > quint8(awards::PeriodKind::Month))
            return false;
        p.period.kind = awards::PeriodKind(kind);
        for (auto &placings : p.placings) {
            quint64 count = 0;
            in >> count;
            if (!plausible(in, count, 16))
                return false;
            for (quint64 n = 0; n < count && in.status() == QDataStream::Ok; ++n) {
                awards::Placing placing;
                qint32 place = 0;
                in >> placing.player >> place >> placing.value;
                if (place < 1 || place > 3)
                    return false;
                placing.place = place;
                placings.push_back(std::move(placing));
            }
        }
        all.push_back(std::move(p));
    }
    return true;
}

std::optional<PortalState> decode(const QByteArray &bytes)
{
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 magic = 0, layout = 0;
    PortalState state;
    in >> magic >> layout;
    if (magic != kMagic || layout != kLayout)
        return std::nullopt;
    in >> state.format >> state.newestDay >> state.rating >> state.minGames;
    quint64 players = 0;
    in >> players;
    if (!plausible(in, players, 40))
        return std::nullopt;
    state.players.reserve(qsizetype(players));
    for (quint64 i = 0; i < players && in.status() == QDataStream::Ok; ++i) {
        QString name;
        Totals t;
        in >> name >> t.games >> t.kills >> t.deaths;
        getOptional(in, t.flags);
        getOptional(in, t.zonetime);
        getOptional(in, t.targets);
        getOptional(in, t.bestRatio);
        state.players.insert(name, t);
    }
    in >> state.names.countsAs >> state.names.hidden;
    quint64 maps = 0;
    in >> maps;
    if (!plausible(in, maps, 32))
        return std::nullopt;
    for (quint64 i = 0; i < maps && in.status() == QDataStream::Ok; ++i) {
        MapSummary m;
        quint64 recent = 0, best = 0;
        in >> m.name >> m.games >> m.kills >> recent;
        if (!plausible(in, recent, 28))
            return std::nullopt;
        for (quint64 g = 0; g < recent && in.status() == QDataStream::Ok; ++g) {
            MapGame game;
            getKey(in, game.key);
            in >> game.type >> game.winner >> game.players;
            m.recent.push_back(std::move(game));
        }
        in >> best;
        if (!plausible(in, best, 28))
            return std::nullopt;
        for (quint64 p = 0; p < best && in.status() == QDataStream::Ok; ++p) {
            MapPlayer player;
            in >> player.name >> player.games >> player.kills >> player.deaths;
            m.best.push_back(std::move(player));
        }
        state.maps.push_back(std::move(m));
    }
    in >> state.lastDay >> state.firstFuture;
    if (!getAwards(in, state.awards))
        return std::nullopt;
    if (in.status() != QDataStream::Ok || !in.atEnd())
        return std::nullopt;
    return state;
}

constexpr qsizetype kSumSize = 32;

} // namespace

std::optional<PortalState> loadPortalState(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    // A SHA-256 of the rest ends the file: a file cut short or changed is not used.
    if (bytes.size() < kSumSize)
        return std::nullopt;
    const QByteArray body = bytes.left(bytes.size() - kSumSize);
    if (platform::Digest::hash(body, platform::DigestKind::Sha256) != bytes.right(kSumSize))
        return std::nullopt;
    return decode(body);
}

void savePortalState(const QString &path, const PortalState &state)
{
    QByteArray bytes = encode(state);
    bytes += platform::Digest::hash(bytes, platform::DigestKind::Sha256);
    writeFileReplacing(path, bytes);
}

} // namespace portal
