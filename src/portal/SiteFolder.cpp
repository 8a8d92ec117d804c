#include "portal/SiteFolder.h"

#include "common/RankholdError.h"
#include "common/TextFiles.h"
#include "platform/Paths.h"
#include "portal/PortalNames.h"
#include "portal/PortalPages.h"

#include <QDir>

#include <cerrno>

using namespace Qt::StringLiterals;

namespace portal {

namespace {

const QString kSubFolders[] = {names::kPlayerFolder, names::kGameFolder, names::kMapFolder, names::kDataFolder};

QByteArray withoutMadeTime(const QByteArray &page)
{
    const qsizetype start = page.indexOf(pages::kMadeStart);
    if (start < 0)
        return page;
    const qsizetype end = page.indexOf(pages::kMadeEnd, start);
    if (end < 0)
        return page;
    return page.left(start) + page.mid(end);
}

bool holds(const QString &path, const QByteArray &bytes, SiteFolder::Compare compare)
{
    if (compare == SiteFolder::Compare::Whole) {
        const std::optional<QByteArray> held = platform::readWholeFile(path, bytes.size());
        return held && *held == bytes;
    }
    const std::optional<QByteArray> held = platform::readWholeFile(path);
    return held && withoutMadeTime(*held) == withoutMadeTime(bytes);
}

void makeFolder(const QString &path)
{
    if (!platform::directoryExists(path) && !platform::makePath(path))
        throw RankholdError(u"Unable to create directory %1"_s.arg(path));
}

} // namespace

SiteFolder::SiteFolder(QString root) : m_root(std::move(root))
{
    makeFolder(m_root);
    for (const QString &sub : kSubFolders)
        makeFolder(path(sub));
}

QString SiteFolder::path(const QString &relative) const
{
    QString native = relative;
    native.replace(u'/', QDir::separator());
    return platform::joinPath(m_root, native);
}

bool SiteFolder::exists(const QString &relative) const
{
    return platform::fileExists(path(relative));
}

size_t SiteFolder::madeKey(const QString &relative)
{
    // Any fixed seed: the keys are compared within one build only.
    return qHash(relative, size_t(0x5248));
}

bool SiteFolder::write(const QString &relative, const QByteArray &bytes, Compare compare)
{
    {
        std::lock_guard lock(m_madeMutex);
        m_made.insert(madeKey(relative));
    }
    const QString file = path(relative);
    // A page new to the folder (every page of a first build) is written in
    // place, with nothing to compare first: there is no old page to keep
    // whole meanwhile, and a page cut short by a crash differs from the one
    // the next build makes, which writes it again.
    const int created = platform::createFileWith(file, bytes);
    if (created == EEXIST) {
        if (holds(file, bytes, compare))
            return false;
        writeFileReplacing(file, bytes);
    } else if (created != 0) {
        throw RankholdError(u"Cannot create file %1"_s.arg(file));
    }
    ++m_written;
    return true;
}

bool SiteFolder::remove(const QString &relative)
{
    // Its key stays in m_made, where it may be another page's too: the file
    // is gone either way.
    return exists(relative) && platform::removeFile(path(relative));
}

QStringList SiteFolder::removeOthers()
{
    std::lock_guard lock(m_madeMutex);
    QStringList removed;
    for (const QString &sub : kSubFolders) {
        for (const QString &name : platform::fileNames(path(sub))) {
            const QString relative = sub + u'/' + name;
            if (!m_made.contains(madeKey(relative)) && platform::removeFile(path(relative)))
                removed.append(relative);
        }
    }
    return removed;
}

} // namespace portal
