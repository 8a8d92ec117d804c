#pragma once

#include "common/ProgramFolder.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QPushButton;

// Extra > Player Portal...: the portal's switch ([Portal] Enabled of
// Rankhold.ini, written as soon as it is changed) and a button that opens
// the portal's index in the browser. The folder is asked at every use, as
// the program folder is set during start-up.
class PortalWindow : public QDialog
{
    Q_OBJECT
public:
    PortalWindow(std::function<ProgramFolder()> folder, QWidget *parent = nullptr);

    // The switch as Rankhold.ini holds it now (it may have been edited by hand).
    void refresh();
    void openInBrowser();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void switchChanged(bool on);

    std::function<ProgramFolder()> m_folder;
    QCheckBox *m_enabled = nullptr;
    QPushButton *m_open = nullptr;
};
