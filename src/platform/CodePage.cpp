#include "platform/CodePage.h"

#include <QStringDecoder>

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

QByteArray encodeWindows1252(const QString &text, bool characterReferences)
{
    QByteArray out;
    out.reserve(text.size());
    const auto *chars = reinterpret_cast<const char16_t *>(text.constData());
    const auto plain = [](char16_t c) { return c < 0x80 || (c >= 0xA0 && c < 0x100); };
    for (qsizetype i = 0; i < text.size(); ++i) {
        // A run of characters that are their own byte, copied in one go: a
        // page of a ranking is megabytes of them.
        qsizetype end = i;
        while (end < text.size() && plain(chars[end]))
            ++end;
        if (end > i) {
            const qsizetype at = out.size();
            out.resize(at + (end - i));
            char *bytes = out.data() + at;
            for (qsizetype k = i; k < end; ++k)
                *bytes++ = char(chars[k]);
            i = end - 1;
            continue;
        }
        const char16_t c = chars[i];
        int found = -1;
        for (int k = 0; k < 32; ++k) {
            if (kHighTable[k] == c) {
                found = k;
                break;
            }
        }
        if (found >= 0) {
            out.append(char(0x80 + found));
        } else if (c >= 0x80 && c < 0xA0 && kHighTable[c - 0x80] == 0) {
            out.append(char(c)); // an undefined byte read earlier goes back as it was
        } else if (characterReferences) {
            char32_t code = c;
            if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(chars[i + 1])) {
                code = QChar::surrogateToUcs4(c, chars[i + 1]);
                ++i;
            }
            out.append("&#").append(QByteArray::number(quint32(code))).append(';');
        } else {
            out.append('?');
        }
    }
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
