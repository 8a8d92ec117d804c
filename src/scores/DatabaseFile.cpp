#include "scores/DatabaseFile.h"

#include "common/RankholdError.h"
#include "platform/Paths.h"
#include "scores/DatabaseSchema.h"
#include "scores/PlayerDatabase.h"
#include "scores/ServerDatabase.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

using namespace Qt::StringLiterals;

void createDatabase(const QString &path)
{
    if (QFileInfo::exists(path))
        throw RankholdError(u"%1 exists already; it is left untouched"_s.arg(path));
    // Built beside the target under a temporary name and then moved into
    // place without replacing anything: an interrupted creation never leaves
    // half a database under the real name, and a file that appeared
    // meanwhile is never touched.
    const QString temporary = path + u".new-"_s + QUuid::createUuid().toString(QUuid::Id128);
    const QString name = u"rankhold-create-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
        db.setDatabaseName(temporary);
        if (!db.open()) {
            error = engineMessage(db.lastError());
        } else {
            try {
                DatabaseSchema::create(db);
            } catch (const RankholdError &e) {
                error = e.message();
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    if (error.isEmpty() && !platform::moveFileNoReplace(temporary, path))
        error = QFileInfo::exists(path) ? u"the file exists already; it is left untouched"_s
                                        : u"cannot move it into place"_s;
    if (!error.isEmpty()) {
        QFile::remove(temporary);
        throw RankholdError(u"Cannot create the database %1: %2"_s.arg(path, error));
    }
}

void createDatabase(const DatabaseLocation &location)
{
    if (location.isServer())
        createServerDatabase(location);
    else
        createDatabase(location.file);
}
