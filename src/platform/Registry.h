#pragma once

#include <QString>
#include <optional>

namespace platform {

// The registry values the program reads and writes (the game's and the
// browser's App Paths "Path"), kept in an INI-style store: one section per
// key named by its full path, for example
//   [HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\App Paths\dflw.exe]
//   Path=/srv/dflw
class Registry
{
public:
    // $XDG_CONFIG_HOME/Rankhold/registry.ini, default ~/.config/Rankhold/registry.ini.
    static QString defaultFileName();

    explicit Registry(QString fileName = defaultFileName());

    const QString &fileName() const { return m_fileName; }
    // The value, or nothing when the key or the value does not exist. Never creates.
    std::optional<QString> readString(const QString &key, const QString &valueName) const;
    // Creates the key (and the store) when missing; false when it cannot be written.
    bool writeString(const QString &key, const QString &valueName, const QString &value);

private:
    QString m_fileName;
};

inline const QString kDflwAppPathsKey =
    QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\dflw.exe");
inline const QString kBrowserAppPathsKey =
    QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE");

} // namespace platform
