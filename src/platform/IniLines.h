#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace platform {

// The lines of an INI-style file, kept as read so that a write changes only
// the line of its key. Section and key names match without regard to case;
// lines beginning with ';' are comments. Shared by ProfileFile and Registry.
class IniLines
{
public:
    // A settings file is read up to this size; a real one holds a few KB.
    static constexpr qint64 kLargestFile = qint64(1) << 20;

    // A missing or unreadable file reads as empty; problem() says why one
    // that exists was not read: not a regular file (a link to a device, a
    // FIFO) or larger than kLargestFile. Bytes that are not UTF-8 are taken
    // as Windows-1252.
    static IniLines load(const QString &fileName);
    const QString &problem() const { return m_problem; }

    struct Entry {
        qsizetype line = -1;
        QString key;      // as spelled in the file
        QString rawValue; // everything after the first '=', untrimmed
    };
    // The first key of that name in the first section of that name that has it.
    std::optional<Entry> find(const QString &section, const QString &key) const;
    // Replaces the key's line in place, or adds the key at the end of its
    // section, or adds the section at the end of the file.
    void set(const QString &section, const QString &key, const QString &value);

    // UTF-8 with CR LF line ends, written to a temporary file in the same
    // folder and renamed over the original; false when it cannot be written,
    // and for a file that exists but could not be read, which it would lose.
    bool save(const QString &fileName) const;

    const QStringList &lines() const { return m_lines; }

private:
    QStringList m_lines;
    QString m_problem;
    bool m_unread = false; // there, but the read failed
};

} // namespace platform
