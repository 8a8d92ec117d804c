#include "platform/CodePage.h"

#include <QStringDecoder>

#include <cstring>

using namespace Qt::StringLiterals;

namespace platform {

namespace {

// 0x80..0x9F of Windows-1252; 0 marks the five undefined bytes, which are
// passed through as the C1 control of the same number.
constexpr char16_t kHighTable[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                     0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

} // namespace

QStringList splitLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            lines.append(text.mid(start, i - start));
            if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

QString joinLinesCrLf(const QStringList &lines)
{
    QString out;
    qsizetype size = 0;
    for (const QString &line : lines)
        size += line.size() + 2;
    out.reserve(size);
    for (const QString &line : lines) {
        out += line;
        out += u"\r\n"_s;
    }
    return out;
}

QString decodeWindows1252(const QByteArray &bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes.at(i));
        if (b >= 0x80 && b < 0xA0 && kHighTable[b - 0x80] != 0)
            d[i] = QChar(kHighTable[b - 0x80]);
        else
            d[i] = QChar(char16_t(b));
    }
    return out;
}

void appendWindows1252(QByteArray &out, QStringView text, bool characterReferences)
{
    // One byte a character, written straight into the result: a ranking
    // page is megabytes of characters that are their own byte.
    const qsizetype size = text.size();
    const char16_t *chars = text.utf16();
    qsizetype n = out.size();
    out.resize(n + size);
    char *bytes = out.data();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = chars[i];
        if (c < 0x80 || (c >= 0xA0 && c < 0x100)) {
            bytes[n++] = char(c);
            continue;
        }
        QByteArray special;
        int found = -1;
        for (int k = 0; k < 32; ++k) {
            if (kHighTable[k] == c) {
                found = k;
                break;
            }
        }
        if (found >= 0) {
            special = QByteArray(1, char(0x80 + found));
        } else if (c >= 0x80 && c < 0xA0 && kHighTable[c - 0x80] == 0) {
            special = QByteArray(1, char(c)); // an undefined byte read earlier goes back as it was
        } else if (characterReferences) {
            char32_t code = c;
            if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(chars[i + 1])) {
                code = QChar::surrogateToUcs4(c, chars[i + 1]);
                ++i;
            }
            special = "&#" + QByteArray::number(quint32(code)) + ';';
        } else {
            special = QByteArray(1, '?');
        }
        // Room for this and one byte for each character still to come.
        const qsizetype needed = n + special.size() + (size - i - 1);
        if (needed > out.size()) {
            out.resize(needed + needed / 8);
            bytes = out.data();
        }
        std::memcpy(bytes + n, special.constData(), size_t(special.size()));
        n += special.size();
    }
    out.truncate(n);
}

QByteArray encodeWindows1252(const QString &text, bool characterReferences)
{
    QByteArray out;
    appendWindows1252(out, text, characterReferences);
    return out;
}

QString decodeUtf8OrWindows1252(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return decodeWindows1252(bytes);
}

} // namespace platform
