#pragma once

#include "common/CommandHost.h"

#include <QSet>

#include <cstdio>

class RankholdError;

// The command host of rankhold-cli: the texts of status panel 1 go to
// stdout, one a line, as they would appear in the window (a text repeated at
// once is printed once); messages and errors go to stderr. Panel 0 prints
// nothing: the connection state shows in the outcome of each command. The
// progress bar is one line on stderr, redrawn in place, when stderr is a
// terminal, and nothing otherwise (a log would fill with it).
class TerminalHost : public CommandHost
{
public:
    enum class Answer { AskOnTerminal, Yes, No };

    TerminalHost(std::FILE *out = stdout, std::FILE *err = stderr);

    void setConnectionText(const QString &text) override;
    void setActivityText(const QString &text) override;
    void repaintStatus() override;
    void setProgress(int position) override;
    void showDatabaseFigures(const DatabaseFigures &figures) override;
    // "Warning" box: answered by the policy, or by y/N on the terminal.
    bool askWarning(const QString &text) override;
    void showMessage(const QString &text) override;
    void processEvents() override;
    // The cause of a failed upload: one line on stderr.
    void showUploadCause(const QString &cause) override;
    // "Stored N new rows; M already stored." on stdout.
    void reportImported(qint64 stored, qint64 alreadyStored) override;
    // On stderr when it differs from the one said last (round after round
    // of watch, it is said once, and again only when it changes).
    void reportArchiveProblem(const QString &problem) override;
    void reportReadPast(const QString &note) override;
    // SIGINT, SIGTERM or SIGPIPE while `watch` runs.
    bool stopRequested() const override;
    // "Game host: <why>" on stderr when the cause is new, and a line when
    // the host answers again.
    void reportGameHost(const QString &problem) override;
    // On stderr (the address without its token).
    void reportWebhookProblem(const QString &problem) override;

    // The standard error box: the message, with its full stop, on stderr.
    void showError(const QString &message);
    // An error with what it says about where it happened, on the lines after it.
    void showError(const RankholdError &error);
    // A line of this program's own (not a window text) on stderr.
    void note(const QString &text);
    // The three figures as the window labels them, one a line, on stdout.
    void printFigures(const DatabaseFigures &figures);
    // A line of a command's own output on stdout.
    void print(const QString &text) { writeLine(m_out, text); }

    void setAnswer(Answer answer) { m_answer = answer; }
    // The answer to the last warning question; true when none was asked.
    bool lastAnswer() const { return m_lastAnswer; }
    const DatabaseFigures &figures() const { return m_figures; }
    const QString &activityText() const { return m_activity; }

private:
    void writeLine(std::FILE *stream, const QString &text);
    void clearProgressLine();

    std::FILE *m_out;
    std::FILE *m_err;
    Answer m_answer = Answer::AskOnTerminal;
    bool m_lastAnswer = true;
    QString m_activity = kIdle;
    bool m_progressOnTerminal = false;
    bool m_progressShown = false;
    QString m_lastPrinted;
    QString m_archiveProblem;
    QSet<QString> m_readPastNotes; // said once each, however many rounds read the file
    QString m_gameHostProblem;
    DatabaseFigures m_figures;
};
