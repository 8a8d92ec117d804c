#pragma once

#include <QString>

namespace platform {

// A settings file of the INI kind with the semantics of the Windows profile
// functions: section and key names match without regard to case, values are
// trimmed, one pair of enclosing quotes is dropped on read, at most 2047
// characters come back, and a write replaces the value in place and keeps
// every other line. The file is UTF-8 (bytes that are not UTF-8 are read as
// Windows-1252) with CR LF line ends, replaced atomically on every write.
class ProfileFile
{
public:
    explicit ProfileFile(QString fileName);

    QString readString(const QString &section, const QString &key, const QString &defaultValue) const;
    // Creates the file, the section or the key as needed; false when the file cannot be written.
    bool writeString(const QString &section, const QString &key, const QString &value);
    // Why a file that exists cannot be read (see IniLines::problem); empty when it can, or is missing.
    QString problem() const;

private:
    QString m_fileName;
};

} // namespace platform
