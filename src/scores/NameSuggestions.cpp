#include "scores/NameSuggestions.h"

#include <QHash>

#include <algorithm>
#include <set>

namespace namesuggestions {

namespace {

constexpr int kMostSharingAnEdit = 40;

bool isOpening(QChar c, QChar &closing)
{
    static const std::pair<char16_t, char16_t> pairs[] = {{u'(', u')'}, {u'[', u']'}, {u'{', u'}'}, {u'<', u'>'}};
    for (const auto &[open, close] : pairs) {
        if (c == QChar(open)) {
            closing = QChar(close);
            return true;
        }
    }
    if (QStringView(u"|=*~#:").contains(c)) {
        closing = c;
        return true;
    }
    return false;
}

qsizetype lettersIn(QStringView text)
{
    return std::count_if(text.begin(), text.end(), [](QChar c) { return c.isLetterOrNumber(); });
}

QString lettersOnly(QStringView text)
{
    QString out;
    for (const QChar c : text) {
        if (c.isLetterOrNumber())
            out += c;
    }
    return out.toCaseFolded();
}

// Every text made by deleting up to `deletions` characters, as hashes.
void addEdits(QStringView key, int deletions, std::vector<size_t> &out)
{
    out.push_back(qHash(key));
    if (deletions == 0 || key.size() <= 1)
        return;
    for (qsizetype i = 0; i < key.size(); ++i) {
        // Deleting one of a run of equal characters gives the same text.
        if (i > 0 && key.at(i) == key.at(i - 1))
            continue;
        const QString shorter = key.left(i).toString().append(key.mid(i + 1));
        addEdits(shorter, deletions - 1, out);
    }
}

QString withoutDigits(const QString &key)
{
    QString out;
    for (const QChar c : key) {
        if (!c.isDigit())
            out += c;
    }
    return out;
}

// "Player12" and "Player13": numbered names of a kind, as bots and guests
// get them, not one player's (while "Ghost2" may well be Ghost's).
bool numberedApart(const QString &a, const QString &b)
{
    const QString da = withoutDigits(a), db = withoutDigits(b);
    return da == db && da.size() < a.size() && db.size() < b.size();
}

} // namespace

QString alikeKey(QStringView name)
{
    // The first tag that leaves a name beside it.
    for (qsizetype open = 0; open < name.size(); ++open) {
        QChar closing;
        if (!isOpening(name.at(open), closing))
            continue;
        const qsizetype close = name.indexOf(closing, open + 1);
        if (close < 0)
            continue;
        const QString rest = name.left(open).toString().append(name.mid(close + 1));
        if (lettersIn(name.mid(open + 1, close - open - 1)) > 0 && lettersIn(rest) >= 2)
            return lettersOnly(rest);
    }
    return lettersOnly(name);
}

int editDistance(QStringView a, QStringView b, int limit)
{
    if (std::abs(a.size() - b.size()) > limit)
        return limit + 1;
    std::vector<int> row(size_t(b.size() + 1));
    for (qsizetype j = 0; j <= b.size(); ++j)
        row[size_t(j)] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = int(i);
        int best = row[0];
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int above = row[size_t(j)];
            row[size_t(j)] = std::min({above + 1, row[size_t(j - 1)] + 1, diagonal + (a.at(i - 1) != b.at(j - 1))});
            diagonal = above;
            best = std::min(best, row[size_t(j)]);
        }
        if (best > limit)
            return limit + 1;
    }
    return std::min(row.back(), limit + 1);
}

int distanceLimit(qsizetype shorterKeyLength)
{
    return shorterKeyLength < 4 ? 0 : shorterKeyLength < 10 ? 1 : 2;
}

std::vector<AlikePair> alikePairs(const QStringList &names)
{
    QStringList keys;
    keys.reserve(names.size());
    for (const QString &name : names)
        keys.append(alikeKey(name));

    // Two keys within distance d share a text made by at most d deletions
    // from each; each key's edits, sorted, bring such keys together.
    std::vector<std::pair<size_t, qsizetype>> edits;
    std::vector<size_t> own;
    for (qsizetype i = 0; i < keys.size(); ++i) {
        if (keys.at(i).isEmpty())
            continue;
        own.clear();
        addEdits(keys.at(i), distanceLimit(keys.at(i).size()), own);
        std::sort(own.begin(), own.end());
        own.erase(std::unique(own.begin(), own.end()), own.end());
        for (const size_t h : own)
            edits.emplace_back(h, i);
    }
    std::sort(edits.begin(), edits.end());

    std::set<std::pair<qsizetype, qsizetype>> seen;
    std::vector<AlikePair> pairs;
    for (size_t from = 0; from < edits.size();) {
        size_t to = from;
        while (to < edits.size() && edits[to].first == edits[from].first)
            ++to;
        if (to - from <= size_t(kMostSharingAnEdit)) {
            for (size_t x = from; x < to; ++x) {
                for (size_t y = x + 1; y < to; ++y) {
                    const qsizetype a = edits[x].second, b = edits[y].second;
                    if (!seen.insert({a, b}).second)
                        continue;
                    const QString &ka = keys.at(a), &kb = keys.at(b);
                    const int limit = distanceLimit(std::min(ka.size(), kb.size()));
                    const int distance = ka == kb ? 0 : editDistance(ka, kb, limit);
                    if (distance <= limit && (distance == 0 || !numberedApart(ka, kb)))
                        pairs.push_back({a, b, distance});
                }
            }
        }
        from = to;
    }
    return pairs;
}

} // namespace namesuggestions
