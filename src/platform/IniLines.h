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
    // A missing or unreadable file reads as empty. Bytes that are not UTF-8
    // are taken as Windows-1252.
    static IniLines load(const QString &fileName);

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
    // folder and renamed over the original; false when it cannot be written.
    bool save(const QString &fileName) const;

    const QStringList &lines() const { return m_lines; }

private:
    QStringList m_lines;
};

} // namespace platform
