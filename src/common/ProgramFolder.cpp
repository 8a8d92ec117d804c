#include "common/ProgramFolder.h"

#include "platform/Paths.h"

using namespace Qt::StringLiterals;

QString ProgramFolder::file(const QString &name) const
{
    return platform::joinPath(m_path, name);
}

QString ProgramFolder::databaseFile() const
{
    return file(u"Rankhold.mdb"_s);
}

QString ProgramFolder::compactionCopy() const
{
    return file(u"Rankhold_rep.mdb"_s);
}

QString ProgramFolder::archiveFolder() const
{
    return file(u"oldscores"_s);
}

QString ProgramFolder::settingsFile() const
{
    return file(u"Rankhold.ini"_s);
}

QString ProgramFolder::headerFile() const
{
    return file(u"header.txt"_s);
}

QString ProgramFolder::gameHostFolder() const
{
    return file(u"gamehost"_s);
}

QString ProgramFolder::footerFile() const
{
    return file(u"footer.txt"_s);
}

QString ProgramFolder::portalFolder() const
{
    return file(u"portal"_s);
}

QString ProgramFolder::portalStateFile() const
{
    return file(u"portal.state"_s);
}

QString ProgramFolder::portalManifest() const
{
    return file(u"portal.sent"_s);
}

QString ProgramFolder::portalRemovedFile() const
{
    return file(u"portal.removed"_s);
}

QString ProgramFolder::statusFile() const
{
    return file(u"status.json"_s);
}

QString ProgramFolder::pageName(Page page)
{
    switch (page) {
    case Page::Top10:
        return u"rankhold_top10.html"_s;
    case Page::Kills:
        return u"rankhold_kills.html"_s;
    case Page::Deaths:
        return u"rankhold_deaths.html"_s;
    case Page::Flags:
        return u"rankhold_flags.html"_s;
    case Page::Zonetime:
        return u"rankhold_zonetime.html"_s;
    case Page::Targets:
        return u"rankhold_targets.html"_s;
    case Page::Ratio:
        return u"rankhold_ratio.html"_s;
    }
    return {};
}
