#include "gui/GuiHost.h"

#include "gui/CertificateQuestion.h"
#include "gui/Dialogs.h"
#include "gui/PanelStatusBar.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>

void GuiHost::setConnectionText(const QString &text)
{
    m_w.statusBar->setPanelText(0, text);
}

void GuiHost::setActivityText(const QString &text)
{
    m_w.statusBar->setPanelText(1, text);
}

void GuiHost::repaintStatus()
{
    m_w.statusBar->repaint();
}

void GuiHost::setProgress(int position)
{
    m_w.progressBar->setValue(position);
}

void GuiHost::showDatabaseFigures(const DatabaseFigures &figures)
{
    m_w.records->setText(figures.records);
    m_w.players->setText(figures.players);
    m_w.fileSize->setText(figures.fileSize);
}

bool GuiHost::askWarning(const QString &text)
{
    return Dialogs::warningYesNo(m_w.window, text);
}

void GuiHost::showMessage(const QString &text)
{
    Dialogs::message(m_w.window, text);
}

void GuiHost::processEvents()
{
    QCoreApplication::processEvents();
}

void GuiHost::showUploadCause(const QString &cause)
{
    m_w.statusBar->setPanelToolTip(1, cause);
}

bool GuiHost::askTrustCertificate(const QString &host, const platform::tls::PeerCertificate &certificate)
{
    return Dialogs::question(m_w.window, certificateQuestion(host, certificate));
}

void GuiHost::reportGameHost(const QString &problem)
{
    if (problem == m_gameHostProblem)
        return;
    m_gameHostProblem = problem;
    if (!problem.isEmpty())
        Dialogs::error(m_w.window, QStringLiteral("The game host cannot be reached: ") + problem);
}

void GuiHost::reportArchiveProblem(const QString &problem)
{
    if (problem.isEmpty() || m_archiveProblemShown)
        return;
    m_archiveProblemShown = true;
    Dialogs::error(m_w.window, problem);
}

void GuiHost::reportReadPast(const QString &note)
{
    if (note.isEmpty() || m_readPastShown)
        return;
    m_readPastShown = true;
    Dialogs::message(m_w.window, note);
}
