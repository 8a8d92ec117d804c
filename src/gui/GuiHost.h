#pragma once

#include "common/CommandHost.h"

class PanelStatusBar;
class QLabel;
class QProgressBar;
class QWidget;

// The commands' reporting interface on the main window: status panels 0 and
// 1, ProgressBar1, the "Database Info" labels and the boxes of Dialogs.
class GuiHost : public CommandHost
{
public:
    struct Widgets {
        QWidget *window = nullptr;
        PanelStatusBar *statusBar = nullptr;
        QProgressBar *progressBar = nullptr;
        QLabel *records = nullptr;  // Label5
        QLabel *players = nullptr;  // Label6
        QLabel *fileSize = nullptr; // Label7
    };
    explicit GuiHost(const Widgets &widgets) : m_w(widgets) {}

    void setConnectionText(const QString &text) override;
    void setActivityText(const QString &text) override;
    void repaintStatus() override;
    void setProgress(int position) override;
    void showDatabaseFigures(const DatabaseFigures &figures) override;
    bool askWarning(const QString &text) override;
    void showMessage(const QString &text) override;
    void processEvents() override;
    // The tool tip of status panel 1, which holds the FTP text.
    void showUploadCause(const QString &cause) override;
    bool askTrustCertificate(const QString &host, const platform::tls::PeerCertificate &certificate) override;
    // In the standard error box, the first time in each run of the program
    // only: the scheduled import would otherwise show it every 30 seconds.
    void reportArchiveProblem(const QString &problem) override;
    // In a message box, the first time in each run of the program only.
    void reportReadPast(const QString &note) override;
    // In the error box, once for each new cause.
    void reportGameHost(const QString &problem) override;

private:
    Widgets m_w;
    bool m_archiveProblemShown = false;
    bool m_readPastShown = false;
    QString m_gameHostProblem;
};
