#include "platform/ProfileFile.h"

#include "platform/IniLines.h"

namespace platform {

namespace {

// The Windows functions hand back at most buffer size - 1 characters.
constexpr qsizetype kMaxValueLength = 2047;

QString dropEnclosingQuotes(const QString &value)
{
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == u'"' || first == u'\'') && value.back() == first)
            return value.mid(1, value.size() - 2);
    }
    return value;
}

QString trimTrailingBlanks(const QString &text)
{
    qsizetype n = text.size();
    while (n > 0 && text.at(n - 1).isSpace())
        --n;
    return text.left(n);
}

} // namespace

ProfileFile::ProfileFile(QString fileName) : m_fileName(std::move(fileName)) {}

QString ProfileFile::readString(const QString &section, const QString &key, const QString &defaultValue) const
{
    const auto entry = IniLines::load(m_fileName).find(section, key);
    // Like the Windows functions, the default loses its trailing blanks.
    const QString value = entry ? dropEnclosingQuotes(entry->rawValue.trimmed()) : trimTrailingBlanks(defaultValue);
    return value.left(kMaxValueLength);
}

QString ProfileFile::problem() const
{
    return IniLines::load(m_fileName).problem();
}

bool ProfileFile::writeString(const QString &section, const QString &key, const QString &value)
{
    IniLines ini = IniLines::load(m_fileName);
    ini.set(section, key, value);
    return ini.save(m_fileName);
}

} // namespace platform
