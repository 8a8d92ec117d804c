#include "portal/PortalNames.h"

#include <QCryptographicHash>

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace portal::names {

namespace {

constexpr qsizetype kLongestStem = 120;
constexpr qsizetype kKeptOfLongStem = 80;

const char kHex[] = "0123456789abcdef";

QString hashHex(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().left(32));
}

// Windows opens a device instead of a file for these, whatever the extension.
bool isDeviceName(const QString &stem)
{
    if (stem.size() != 3 && stem.size() != 4)
        return false;
    static const std::array<QString, 4> plain = {u"con"_s, u"prn"_s, u"aux"_s, u"nul"_s};
    if (std::find(plain.begin(), plain.end(), stem) != plain.end())
        return true;
    return stem.size() == 4 && (stem.startsWith(u"com"_s) || stem.startsWith(u"lpt"_s)) && stem.at(3).isDigit();
}

QString path(const QString &folder, const QString &stemText)
{
    QString out;
    out.reserve(folder.size() + stemText.size() + 6);
    out += folder;
    out += u'/';
    out += stemText;
    out += u".html"_s;
    return out;
}

// A byte of a name's UTF-8: a character of an ASCII name is one.
unsigned char byteOf(char c)
{
    return static_cast<unsigned char>(c);
}

unsigned char byteOf(QChar c)
{
    return static_cast<unsigned char>(c.unicode());
}

} // namespace

QString stem(const QString &name)
{
    // The game pads names with blanks to the width of its column; they are
    // kept as a count at the end instead of as a tail of "_".
    qsizetype kept = name.size();
    while (kept > 0 && name.at(kept - 1) == u' ')
        --kept;
    const qsizetype trailingBlanks = name.size() - kept;
    const QStringView shown = QStringView(name).first(kept);

    // Each byte of UTF-8 gives at most three characters, written in place.
    const auto escaped = [](const auto &bytes, qsizetype count) {
        QString out(count * 3, Qt::Uninitialized);
        char16_t *const begin = reinterpret_cast<char16_t *>(out.data());
        char16_t *p = begin;
        for (const auto c : bytes) {
            const unsigned char b = byteOf(c);
            if ((b >= 'a' && b <= 'z') || (b >= '0' && b <= '9')) {
                *p++ = b;
            } else if (b >= 'A' && b <= 'Z') {
                *p++ = char16_t(b - 'A' + 'a');
                *p++ = u'-';
            } else if (b == ' ') {
                *p++ = u'_';
            } else {
                *p++ = u'~';
                *p++ = char16_t(kHex[b >> 4]);
                *p++ = char16_t(kHex[b & 15]);
            }
        }
        out.truncate(p - begin);
        return out;
    };
    // A name of ASCII alone (nearly every one) is its own UTF-8.
    const bool ascii = std::all_of(shown.begin(), shown.end(), [](QChar c) { return c.unicode() < 0x80; });
    QString out;
    if (ascii) {
        out = escaped(shown, kept);
    } else {
        const QByteArray utf8 = shown.toUtf8();
        out = escaped(utf8, utf8.size());
    }
    // Nothing but blanks (or nothing): "~" alone is the escape of nothing,
    // so no other name gives it.
    if (out.isEmpty())
        out = u"~"_s;
    // "con" becomes "~63on": the escape of its first letter.
    if (isDeviceName(out))
        out = u'~' + QString::number(out.at(0).unicode(), 16) + out.mid(1);
    if (trailingBlanks > 0)
        out += u'.' + QString::number(trailingBlanks);
    if (out.size() > kLongestStem)
        out = out.left(kKeptOfLongStem) + u"--"_s + hashHex(name.toUtf8());
    return out;
}

QString playerPage(const QString &player)
{
    return path(kPlayerFolder, stem(player));
}

QString mapPage(const QString &map)
{
    return path(kMapFolder, stem(map));
}

QString gamePage(const GameKey &game)
{
    const GameMoment moment = GameMoment::of(game);
    if (moment.isValid()) {
        // By hand: QDate::toString and arg() were a tenth of a game page's
        // cost. The year is read from two digits: four digits here.
        const int s = moment.seconds;
        char16_t when[16];
        char16_t *p = when;
        const auto put = [&p](int value, int width) {
            for (int i = width - 1; i >= 0; --i, value /= 10)
                p[i] = char16_t(u'0' + value % 10);
            p += width;
        };
        int year = 0, month = 0, day = 0;
        moment.date.getDate(&year, &month, &day);
        put(year, 4);
        put(month, 2);
        put(day, 2);
        *p++ = u'-';
        put(s / 3600, 2);
        put(s / 60 % 60, 2);
        put(s % 60, 2);
        *p++ = u'_';
        return path(kGameFolder, QStringView(when, p).toString() + stem(game.map));
    }
    // Lengths first, so no split of the three texts gives the same bytes.
    QByteArray key;
    for (const QString *text : {&game.date, &game.time, &game.map}) {
        const QByteArray utf8 = text->toUtf8();
        key += QByteArray::number(utf8.size()) + ':' + utf8;
    }
    return path(kGameFolder, u'x' + hashHex(key));
}

} // namespace portal::names
