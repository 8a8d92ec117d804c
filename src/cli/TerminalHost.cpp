#include "cli/TerminalHost.h"

#include "platform/StopSignals.h"

#include "common/RankholdError.h"
#include "platform/Terminal.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

TerminalHost::TerminalHost(std::FILE *out, std::FILE *err)
    : m_out(out), m_err(err), m_progressOnTerminal(err == stderr && platform::standardErrorIsTerminal())
{
}

void TerminalHost::setConnectionText(const QString &) {}

void TerminalHost::setActivityText(const QString &text)
{
    m_activity = text;
    if (text == m_lastPrinted)
        return;
    m_lastPrinted = text;
    writeLine(m_out, text);
}

void TerminalHost::repaintStatus()
{
    std::fflush(m_out);
}

void TerminalHost::setProgress(int position)
{
    if (!m_progressOnTerminal)
        return;
    if (position <= 0) {
        clearProgressLine();
        return;
    }
    const QString line = u"\r"_s + m_activity + u": "_s + QString::number(position) + u" %"_s;
    std::fputs(line.toLocal8Bit().constData(), m_err);
    std::fflush(m_err);
    m_progressShown = true;
}

void TerminalHost::clearProgressLine()
{
    if (!m_progressShown)
        return;
    // Back to the start of the line and erase it, so the next text starts clean.
    std::fputs("\r\033[K", m_err);
    std::fflush(m_err);
    m_progressShown = false;
}

void TerminalHost::showDatabaseFigures(const DatabaseFigures &figures)
{
    m_figures = figures;
}

bool TerminalHost::askWarning(const QString &text)
{
    switch (m_answer) {
    case Answer::Yes:
        m_lastAnswer = true;
        return true;
    case Answer::No:
        m_lastAnswer = false;
        return false;
    case Answer::AskOnTerminal:
        break;
    }
    m_lastAnswer = false;
    if (!platform::standardInputIsTerminal())
        return false;
    std::fprintf(m_err, "%s [y/N] ", text.toLocal8Bit().constData());
    std::fflush(m_err);
    const std::optional<QString> line = platform::readStandardInputLine();
    if (!line) {
        std::fputc('\n', m_err);
        return false;
    }
    const QString answer = line->trimmed().toLower();
    m_lastAnswer = answer == u"y"_s || answer == u"yes"_s;
    return m_lastAnswer;
}

void TerminalHost::showMessage(const QString &text)
{
    // The box shows the lines one under the other; so does the terminal.
    writeLine(m_err, QString(text).replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n'));
}

void TerminalHost::processEvents()
{
    QCoreApplication::processEvents();
}

void TerminalHost::showUploadCause(const QString &cause)
{
    if (!cause.isEmpty())
        writeLine(m_err, cause);
}

void TerminalHost::reportImported(qint64 stored, qint64 alreadyStored)
{
    writeLine(m_out, u"Stored %1 new rows; %2 already stored."_s.arg(stored).arg(alreadyStored));
}

void TerminalHost::showError(const QString &message)
{
    writeLine(m_err, standardErrorText(message));
}

void TerminalHost::showError(const RankholdError &error)
{
    showError(error.message());
    if (!error.context().isEmpty())
        writeLine(m_err, error.context());
}

void TerminalHost::reportArchiveProblem(const QString &problem)
{
    if (problem == m_archiveProblem)
        return;
    m_archiveProblem = problem;
    if (!problem.isEmpty())
        writeLine(m_err, standardErrorText(problem));
}

bool TerminalHost::stopRequested() const
{
    return platform::StopSignals::requested();
}

void TerminalHost::reportReadPast(const QString &note)
{
    if (note.isEmpty() || m_readPastNotes.contains(note))
        return;
    m_readPastNotes.insert(note);
    writeLine(m_err, note);
}

void TerminalHost::reportGameHost(const QString &problem)
{
    if (problem == m_gameHostProblem)
        return;
    const bool wasDown = !m_gameHostProblem.isEmpty();
    m_gameHostProblem = problem;
    if (!problem.isEmpty())
        writeLine(m_err, u"The game host cannot be reached: "_s + problem);
    else if (wasDown)
        writeLine(m_err, u"The game host answers again."_s);
}

void TerminalHost::reportWebhookProblem(const QString &problem)
{
    writeLine(m_err, problem);
}

void TerminalHost::note(const QString &text)
{
    writeLine(m_err, text);
}

void TerminalHost::printFigures(const DatabaseFigures &figures)
{
    writeLine(m_out, u"Number of records: "_s + figures.records);
    writeLine(m_out, u"Number of players: "_s + figures.players);
    writeLine(m_out, u"Filesize: "_s + figures.fileSize);
}

void TerminalHost::writeLine(std::FILE *stream, const QString &text)
{
    clearProgressLine();
    // Flushed at once: a service manager's journal shows each step as it happens.
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}
