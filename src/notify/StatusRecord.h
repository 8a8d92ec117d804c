#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <map>
#include <optional>

// What the program folder's status.json says about the last rounds of the
// chain, for a person (rankhold-cli status) and for other tools. It also
// keeps the failures that have been told about and not mended yet, so a
// failure is posted once across rounds and runs of the program.
struct StatusRecord {
    struct Import {
        QDateTime when;
        QString file;
        qint64 stored = 0;
        qint64 alreadyStored = 0;
        qint64 setAside = 0; // damaged blocks put into oldscores/rejected.N
    };
    struct Upload {
        QDateTime when;
        bool ok = false;
        QString cause; // why it failed; empty when it worked
    };
    struct Error {
        QDateTime when;
        QString step; // stepKey()
        QString message;
    };
    struct Webhook {
        QDateTime when;
        bool delivered = false;
        QString problem;
    };

    QString version; // of the program that wrote the file
    QDateTime written;
    std::optional<Import> lastImport;
    std::optional<QDateTime> lastExport;
    std::optional<Upload> lastUpload;
    std::optional<Error> lastError;
    std::optional<Webhook> lastWebhook;
    // By stepKey(): the cause of a failure told about, until it is mended.
    std::map<QString, QString> failures;
    // The games told about lately ("date time map", oldest first, at most
    // kGamesKept): a score file read again is not told about twice, also
    // where the import cannot tell an old row from a new one (PostgreSQL
    // leaves out stored rows in the insert itself).
    QStringList toldGames;
    static constexpr qsizetype kGamesKept = 1000;

    QByteArray toJson() const;
    // A file that is missing, damaged or of another form gives an empty
    // record: it is only ever a report.
    static StatusRecord fromJson(const QByteArray &json);
    // The file `path`; an empty record when there is none or it cannot be read.
    static StatusRecord read(const QString &path);
};

// The record as `rankhold-cli status` prints it, one fact a line, each time
// also as how long ago it was (at `now`).
QString statusText(const StatusRecord &record, const QDateTime &now);
// "3 minutes ago", "2 hours ago", "just now".
QString agoText(const QDateTime &when, const QDateTime &now);
