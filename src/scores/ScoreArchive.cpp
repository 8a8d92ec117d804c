#include "scores/ScoreArchive.h"

#include "common/ProgramFolder.h"
#include "platform/Paths.h"
#include "scores/ScoreHandover.h"
#include "scores/ScoreImport.h"

#include <QDir>
#include <QSet>

#include <cerrno>

using namespace Qt::StringLiterals;

namespace {

// The archive folder, made when missing; a sentence saying why not otherwise.
QString prepareFolder(const QString &archive)
{
    if (platform::directoryExists(archive))
        return {};
    if (platform::makeDirectory(archive))
        return {};
    const int error = errno;
    if (platform::directoryExists(archive))
        return {};
    if (platform::fileExists(archive))
        return u"cannot create the folder %1 (a file has that name)"_s.arg(archive);
    return u"cannot create the folder %1 (%2)"_s.arg(archive, platform::errorText(error));
}

// Hands out "prefix" + the first free number of the folder, read once: the
// number of files in the archive costs one listing, not a look-up each.
class FreeNames
{
public:
    FreeNames(const QString &folder, const QString &prefix) : m_folder(folder), m_prefix(prefix)
    {
        const QStringList names = QDir(folder).entryList({prefix + u'*'}, QDir::AllEntries | QDir::Hidden |
                                                                              QDir::System | QDir::NoDotAndDotDot);
        for (const QString &name : names) {
            bool ok = false;
            const qint64 n = name.mid(prefix.size()).toLongLong(&ok);
            if (ok && n > 0 && prefix + QString::number(n) == name)
                m_used.insert(n);
        }
    }

    // The next free name; a name found taken after all is marked used by taken().
    QString next()
    {
        while (m_used.contains(m_next))
            ++m_next;
        return platform::joinPath(m_folder, m_prefix + QString::number(m_next));
    }
    void taken() { m_used.insert(m_next); }

private:
    QString m_folder, m_prefix;
    QSet<qint64> m_used;
    qint64 m_next = 1;
};

// Calls `put` with free names until it does not answer EEXIST: 0 or the error
// number, `name` the name used.
template <typename Put> int putUnderFreeName(FreeNames &names, QString &name, Put put)
{
    for (;;) {
        name = names.next();
        const int error = put(name);
        names.taken();
        if (error != EEXIST)
            return error;
    }
}

// A sentence for the operator: what could not be archived and what follows.
QString archiveProblem(const QString &file, const QString &cause)
{
    return u"%1 was imported but cannot be archived: %2. It stays where it is and is read again at every import"_s.arg(
        file, cause);
}

} // namespace

QString stagedScoreFile(const QString &scoreFile)
{
    return scoreFile + u".archiving"_s;
}

ArchiveOutcome archiveScoreFile(const QString &scoreFile, const ImportResult &imported, const ProgramFolder &folder)
{
    ArchiveOutcome outcome;
    const QString staged = stagedScoreFile(scoreFile);
    const QString archive = folder.archiveFolder();
    for (const ImportedFile &file : imported.files) {
        if (!file.complete())
            continue;
        const qsizetype firstDamaged = outcome.setAside.size();
        for (size_t i = 0; i < file.failed.size(); ++i)
            outcome.setAside.append(QString());
        if (!outcome.problem.isEmpty())
            continue;
        // While a staged file waits for the archive, scores.txt stays put.
        const bool isStaged = file.path == staged;
        if (!isStaged && platform::fileExists(staged))
            continue;
        // The archive folder first, so that a broken one leaves the game's file untouched.
        QString cause = prepareFolder(archive);
        if (!cause.isEmpty()) {
            outcome.problem = archiveProblem(file.path, cause);
            continue;
        }
        const Handover handover = takeScoreFile(file.path, isStaged ? QString() : staged, file.bytes);
        if (handover.outcome == Handover::Outcome::Failed)
            outcome.problem = archiveProblem(file.path, handover.problem);
        if (handover.outcome != Handover::Outcome::Taken)
            continue;

        FreeNames rejectedNames(archive, u"rejected."_s);
        for (size_t i = 0; i < file.failed.size() && cause.isEmpty(); ++i) {
            QString name;
            const int error = putUnderFreeName(rejectedNames, name, [&](const QString &to) {
                return platform::writeNewFile(to, file.failed[i].lines);
            });
            if (error == 0)
                outcome.setAside[firstDamaged + qsizetype(i)] = name;
            else
                cause = u"cannot write %1 (%2)"_s.arg(name, platform::errorText(error));
        }
        if (cause.isEmpty()) {
            FreeNames scoreNames(archive, u"scores."_s);
            QString name;
            const int error = putUnderFreeName(scoreNames, name, [&](const QString &to) {
                int failure = 0;
                platform::moveFileNoReplace(staged, to, &failure);
                return failure;
            });
            if (error != 0)
                cause = u"cannot move it to %1 (%2)"_s.arg(name, platform::errorText(error));
        }
        if (!cause.isEmpty())
            outcome.problem = archiveProblem(staged, cause);
    }
    return outcome;
}
