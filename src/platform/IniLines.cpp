#include "platform/IniLines.h"

#include "platform/CodePage.h"
#include "platform/ReadOnlyFile.h"

#include <QFileInfo>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace platform {

namespace {

// The section named on a line "[name]", trimmed; nothing when the line is no section line.
std::optional<QString> sectionName(const QString &line)
{
    const QString t = line.trimmed();
    if (!t.startsWith(u'['))
        return std::nullopt;
    const qsizetype close = t.indexOf(u']');
    if (close < 0)
        return std::nullopt;
    return t.mid(1, close - 1).trimmed();
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool isComment(const QString &line)
{
    const QString t = line.trimmed();
    return t.startsWith(u';');
}

} // namespace

IniLines IniLines::load(const QString &fileName)
{
    IniLines ini;
    const ReadOnlyFile file(fileName);
    switch (file.status()) {
    case ReadOnlyFile::Status::Missing:
        return ini;
    case ReadOnlyFile::Status::NotRegular:
        // A folder of that name cannot be written either: no settings at all.
        if (!QFileInfo(fileName).isDir())
            ini.m_problem = u"not a regular file"_s;
        return ini;
    case ReadOnlyFile::Status::Unreadable:
        // As the Windows functions read it: empty. It is not written over, though.
        ini.m_unread = true;
        return ini;
    case ReadOnlyFile::Status::Open:
        break;
    }
    QByteArray bytes;
    switch (file.readAll(kLargestFile, bytes)) {
    case ReadOnlyFile::Read::Whole:
        ini.m_lines = splitLines(decodeUtf8OrWindows1252(bytes));
        break;
    case ReadOnlyFile::Read::TooLarge:
        ini.m_problem = u"larger than %1 MB, far more than such a file ever holds"_s.arg(kLargestFile >> 20);
        break;
    case ReadOnlyFile::Read::Failed:
        ini.m_unread = true;
        break;
    }
    return ini;
}

std::optional<IniLines::Entry> IniLines::find(const QString &section, const QString &key) const
{
    bool inSection = false;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const QString &line = m_lines.at(i);
        if (const auto name = sectionName(line)) {
            inSection = sameName(*name, section);
            continue;
        }
        if (!inSection || isComment(line))
            continue;
        const qsizetype eq = line.indexOf(u'=');
        // A line without '=' is a key without a value, as the Windows functions read it.
        const QString name = (eq < 0 ? line : line.left(eq)).trimmed();
        if (!name.isEmpty() && sameName(name, key))
            return Entry{i, name, eq < 0 ? QString() : line.mid(eq + 1)};
    }
    return std::nullopt;
}

void IniLines::set(const QString &section, const QString &key, const QString &value)
{
    if (const auto entry = find(section, key)) {
        m_lines[entry->line] = entry->key + u'=' + value;
        return;
    }
    // Add the key after the last non-empty line of the first section of that name.
    qsizetype sectionLine = -1;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const auto name = sectionName(m_lines.at(i));
        if (name && sameName(*name, section)) {
            sectionLine = i;
            break;
        }
    }
    const QString keyLine = key + u'=' + value;
    if (sectionLine < 0) {
        if (!m_lines.isEmpty() && !m_lines.last().trimmed().isEmpty())
            m_lines.append(QString());
        m_lines.append(u'[' + section + u']');
        m_lines.append(keyLine);
        return;
    }
    qsizetype insertAt = sectionLine + 1;
    for (qsizetype i = sectionLine + 1; i < m_lines.size() && !sectionName(m_lines.at(i)); ++i) {
        if (!m_lines.at(i).trimmed().isEmpty())
            insertAt = i + 1;
    }
    m_lines.insert(insertAt, keyLine);
}

bool IniLines::save(const QString &fileName) const
{
    // What could not be read is not replaced by the little that was.
    if (!m_problem.isEmpty() || m_unread)
        return false;
    const QByteArray bytes = joinLinesCrLf(m_lines).toUtf8();
    QSaveFile file(fileName);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size())
        return false;
    return file.commit();
}

} // namespace platform
