#pragma once

#include "common/CommandHost.h"

#include <cstdio>

// The command host of rankhold-cli: the texts of status panel 1 go to
// stdout, one a line, as they would appear in the window (a text repeated at
// once is printed once); messages and errors go to stderr. Panel 0 and the
// progress bar print nothing: the connection state shows in the outcome of
// each command, and a progress line per row would drown the status texts.
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

    // The standard error box: the message, with its full stop, on stderr.
    void showError(const QString &message);
    // A line of this program's own (not a window text) on stderr.
    void note(const QString &text);
    // The three figures as the window labels them, one a line, on stdout.
    void printFigures(const DatabaseFigures &figures);

    void setAnswer(Answer answer) { m_answer = answer; }
    // The answer to the last warning question; true when none was asked.
    bool lastAnswer() const { return m_lastAnswer; }
    const DatabaseFigures &figures() const { return m_figures; }
    const QString &activityText() const { return m_activity; }

private:
    void writeLine(std::FILE *stream, const QString &text);

    std::FILE *m_out;
    std::FILE *m_err;
    Answer m_answer = Answer::AskOnTerminal;
    bool m_lastAnswer = true;
    QString m_activity = kIdle;
    QString m_lastPrinted;
    DatabaseFigures m_figures;
};
