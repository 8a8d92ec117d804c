#include "platform/Registry.h"

#include "platform/IniLines.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace platform {

QString Registry::defaultFileName()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + u"/.config"_s;
    return base + u"/Rankhold/registry.ini"_s;
}

Registry::Registry(QString fileName) : m_fileName(std::move(fileName)) {}

std::optional<QString> Registry::readString(const QString &key, const QString &valueName) const
{
    // Blanks around the '=' of a hand-edited store are not part of the value;
    // quotes are, unlike in the profile files.
    const auto entry = IniLines::load(m_fileName).find(key, valueName);
    if (!entry)
        return std::nullopt;
    return entry->rawValue.trimmed();
}

bool Registry::writeString(const QString &key, const QString &valueName, const QString &value)
{
    // A line break would split the value over two lines of the store.
    if (value.contains(u'\n') || value.contains(u'\r'))
        return false;
    if (!QDir().mkpath(QFileInfo(m_fileName).absolutePath()))
        return false;
    IniLines ini = IniLines::load(m_fileName);
    ini.set(key, valueName, value);
    return ini.save(m_fileName);
}

} // namespace platform
