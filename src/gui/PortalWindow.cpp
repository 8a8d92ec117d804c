#include "gui/PortalWindow.h"

#include "common/RankholdError.h"
#include "gui/Dialogs.h"
#include "platform/Paths.h"
#include "portal/PortalNames.h"
#include "settings/PortalSwitch.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

PortalWindow::PortalWindow(std::function<ProgramFolder()> folder, QWidget *parent)
    : QDialog(parent), m_folder(std::move(folder))
{
    setObjectName(u"PortalWindow"_s);
    setWindowTitle(u"Player Portal"_s);

    m_enabled = new QCheckBox(u"&Make the player portal with every export and upload it"_s, this);
    m_enabled->setObjectName(u"PortalEnabled"_s);
    auto *about = new QLabel(u"The portal is a site of its own: a ranking to sort and search, a page for every "
                             "player, game and map, and the last 7 and 30 days. It is written into the folder "
                             "\"portal\" of the program folder and uploaded into \"portal\" below the FTP "
                             "directory, each time only the pages that changed."_s,
                             this);
    about->setWordWrap(true);
    m_open = new QPushButton(u"&Open in browser"_s, this);
    m_open->setObjectName(u"OpenPortal"_s);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addButton(m_open, QDialogButtonBox::ActionRole);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_enabled);
    layout->addWidget(about);
    layout->addWidget(buttons);
    setMinimumWidth(420);

    connect(m_enabled, &QCheckBox::toggled, this, &PortalWindow::switchChanged);
    connect(m_open, &QPushButton::clicked, this, &PortalWindow::openInBrowser);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void PortalWindow::showEvent(QShowEvent *event)
{
    refresh();
    QDialog::showEvent(event);
}

void PortalWindow::refresh()
{
    const QSignalBlocker quiet(m_enabled);
    m_enabled->setChecked(portalEnabled(m_folder()));
}

void PortalWindow::switchChanged(bool on)
{
    try {
        setPortalEnabled(m_folder(), on);
    } catch (const RankholdError &e) {
        Dialogs::error(this, e.message());
        refresh();
    }
}

void PortalWindow::openInBrowser()
{
    const QString index = platform::joinPath(m_folder().portalFolder(), portal::names::kIndexPage);
    if (!platform::fileExists(index)) {
        Dialogs::message(this, u"The player portal has not been made yet: switch it on, then choose File > Export "
                               "Stats to HTML."_s);
        return;
    }
    Dialogs::openUrl(QUrl::fromLocalFile(index));
}
