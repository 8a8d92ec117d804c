#pragma once

#include "platform/Tls.h"

#include <QString>

// What a command of the main window needs from whoever runs it: the status
// bar, the progress bar, the database figures, questions and messages, and a
// way to let the event loop run. The GUI answers with widgets, the CLI with
// stdout/stderr, the tests with a recording fake.
struct DatabaseFigures {
    QString records;  // "Number of records:" (Label5)
    QString players;  // "Number of players:" (Label6)
    QString fileSize; // "Filesize:" (Label7), for example "2 KB"
};

class CommandHost
{
public:
    virtual ~CommandHost() = default;

    // Panel 0: exactly "Database connection: Open" or "Database connection: Closed".
    virtual void setConnectionText(const QString &text) = 0;
    // Panel 1: the current activity, "Idle" at rest.
    virtual void setActivityText(const QString &text) = 0;
    // Shows the status texts at once, before a long step that blocks the window.
    virtual void repaintStatus() = 0;
    // ProgressBar1, 0 to 100.
    virtual void setProgress(int position) = 0;
    virtual void showDatabaseFigures(const DatabaseFigures &figures) = 0;
    // Warning box titled "Warning" with the buttons "&Yes" and "&No"; true on Yes.
    virtual bool askWarning(const QString &text) = 0;
    // Plain message box with an OK button, titled with the application title.
    virtual void showMessage(const QString &text) = 0;
    // Lets pending events (timers, input) run; called by the network waits.
    virtual void processEvents() = 0;
    // Whether the program has been told to stop (a service's SIGTERM): a
    // network wait then gives up at once, so that the program ends within
    // seconds whatever its peers do. Checked after every processEvents().
    virtual bool stopRequested() const { return false; }
    // Why the last upload failed, in one line, where a user looks for it
    // (the tool tip of the FTP status text, a line on stderr); empty when an
    // upload starts and after one that worked.
    virtual void showUploadCause(const QString &cause) { Q_UNUSED(cause); }
    // An FTP server (`host`) shows a certificate that neither the system's
    // authorities nor a stored fingerprint vouch for: true to trust it from
    // now on. The window asks in a box; the command line never trusts on its own.
    virtual bool askTrustCertificate(const QString &host, const platform::tls::PeerCertificate &certificate)
    {
        Q_UNUSED(host);
        Q_UNUSED(certificate);
        return false;
    }
    // What an import of a score file stored: rows added and rows skipped
    // because they were stored already. The window shows it in its figures.
    virtual void reportImported(qint64 stored, qint64 alreadyStored)
    {
        Q_UNUSED(stored);
        Q_UNUSED(alreadyStored);
    }
    // After each archive step: why an imported score file cannot be
    // archived, in one sentence; empty when nothing stands in its way. A host
    // that runs round after round says it once, not every round.
    virtual void reportArchiveProblem(const QString &problem) { Q_UNUSED(problem); }
    // What an import read past to find a block's header (a byte-order mark,
    // NUL bytes a crash left), in one sentence. Said once, not every round.
    virtual void reportReadPast(const QString &note) { Q_UNUSED(note); }
    // After each round on a game host: why it could not be reached or read,
    // in one line; empty when it was. Said once, and again when the cause
    // changes, not every round.
    virtual void reportGameHost(const QString &problem) { Q_UNUSED(problem); }
    // Why a post to the chat webhook was not delivered, or why none can be
    // made ([Notify] url= is wrong), the address without its token. Never a
    // failure of the command: the chain goes on as if nothing was posted.
    virtual void reportWebhookProblem(const QString &problem) { Q_UNUSED(problem); }
};

inline const QString kConnectionOpen = QStringLiteral("Database connection: Open");
inline const QString kConnectionClosed = QStringLiteral("Database connection: Closed");
inline const QString kIdle = QStringLiteral("Idle");
