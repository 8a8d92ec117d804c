#include "scores/DatabaseLocation.h"

#include "common/ProgramFolder.h"
#include "common/RankholdError.h"
#include "settings/StoredKeys.h"

#include <QSqlDatabase>
#include <QUrl>
#include <QUrlQuery>

using namespace Qt::StringLiterals;

namespace {

// What the URL's query may set: how the connection is secured. Everything
// else (a password above all) stays out of the settings file.
const QStringList kAllowedOptions = {u"sslmode"_s, u"sslrootcert"_s, u"sslcert"_s, u"sslkey"_s};

[[noreturn]] void refusePassword()
{
    // The URL itself is not repeated: it holds the password.
    throw RankholdError(u"The database URL holds a password; a password does not belong in Rankhold.ini or on the "
                        "command line, where others may read it. Remove it from the URL and give it to PostgreSQL "
                        "in the environment variable PGPASSWORD or in the password file ~/.pgpass"_s);
}

// The part between "//" and the path: "user@host:port".
QString authorityOf(const QString &text)
{
    const qsizetype start = text.indexOf(u"//"_s);
    if (start < 0)
        return {};
    const QString rest = text.mid(start + 2);
    qsizetype end = rest.size();
    for (const QChar c : {u'/', u'?', u'#'}) {
        const qsizetype at = rest.indexOf(c);
        if (at >= 0 && at < end)
            end = at;
    }
    return rest.left(end);
}

} // namespace

SqlEngine engineOf(const QSqlDatabase &db)
{
    return db.driverName() == u"QPSQL"_s ? SqlEngine::PostgreSQL : SqlEngine::SQLite;
}

DatabaseLocation fileDatabase(const QString &path)
{
    DatabaseLocation location;
    location.file = path;
    return location;
}

DatabaseLocation parseDatabaseUrl(const QString &text)
{
    const QString authority = authorityOf(text);
    const qsizetype at = authority.lastIndexOf(u'@');
    if (at >= 0 && authority.left(at).contains(u':'))
        refusePassword();
    const QUrl url(text, QUrl::StrictMode);
    const QUrlQuery query(url);
    for (const auto &[key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (key.compare(u"password"_s, Qt::CaseInsensitive) == 0)
            refusePassword();
    }

    const auto fail = [&text](const QString &what) {
        throw RankholdError(u"The database URL '%1' cannot be used: %2; write it as "
                            "postgresql://user@host[:port]/dbname"_s.arg(text, what));
    };
    const QString scheme = url.scheme().toLower();
    if (!url.isValid())
        fail(url.errorString());
    if (scheme != u"postgresql"_s && scheme != u"postgres"_s)
        fail(u"it does not begin with postgresql://"_s);

    DatabaseLocation location;
    location.engine = SqlEngine::PostgreSQL;
    location.url = text;
    location.host = url.host(QUrl::FullyDecoded);
    location.port = url.port(5432);
    location.user = url.userName(QUrl::FullyDecoded);
    location.databaseName = url.path(QUrl::FullyDecoded).mid(1);
    if (location.host.isEmpty())
        fail(u"it names no host"_s);
    if (location.port < 1 || location.port > 65535)
        fail(u"the port is not one from 1 to 65535"_s);
    if (location.databaseName.isEmpty() || location.databaseName.contains(u'/'))
        fail(u"it names no database (the part after the last /)"_s);
    if (url.hasFragment())
        fail(u"it has a part after #"_s);

    QStringList options;
    for (const auto &[key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (!kAllowedOptions.contains(key))
            fail(u"the option '%1' is not one of %2"_s.arg(key, kAllowedOptions.join(u", "_s)));
        // Qt hands the options to libpq as "key=value" separated by blanks.
        for (const QChar c : value) {
            if (c.isSpace() || c == u'\'' || c == u'\\' || c == u';')
                fail(u"the value of '%1' holds a blank, a quote, a backslash or a ';'"_s.arg(key));
        }
        options.append(key + u'=' + value);
    }
    location.options = options.join(u';');
    return location;
}

DatabaseLocation databaseLocationOf(const ProgramFolder &folder, const QString &url)
{
    const QString given = url.isEmpty() ? databaseUrlSetting(folder) : url;
    if (given.isEmpty())
        return fileDatabase(folder.databaseFile());
    DatabaseLocation location = parseDatabaseUrl(given);
    const QString timeout = databaseTimeoutSetting(folder);
    if (!timeout.isEmpty()) {
        bool ok = false;
        const int seconds = timeout.toInt(&ok);
        if (!ok || seconds < 1 || seconds > 86400)
            throw RankholdError(
                u"timeout= of [Database] in %1 must be a number of seconds from 1 to 86400, not '%2'"_s.arg(
                    folder.settingsFile(), cutForMessage(timeout)));
        location.timeoutSeconds = seconds;
    }
    return location;
}
