#include "gui/KeyringItem.h"

#include "gui/Dialogs.h"
#include "platform/keyring/Keyring.h"

#include <QAction>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMenu>
#include <QSignalBlocker>

using namespace Qt::StringLiterals;
namespace keyring = platform::keyring;

const QString KeyringItem::kFtpLogin = u"FTP"_s;
const QString KeyringItem::kGameHostLogin = u"game host"_s;

namespace {

const QString kItemText = u"Remember passwords in the keyring"_s;

QString secretOf(const KeyringItem::Login &login)
{
    return QString::fromUtf8(
        QJsonDocument(
            QJsonObject{{u"server"_s, login.server}, {u"user"_s, login.user}, {u"password"_s, login.password}})
            .toJson(QJsonDocument::Compact));
}

QString noServiceText(const QString &why)
{
    return u"No keyring service can be reached: %1. The passwords are not stored; the boxes are empty again at "
           "the next start."_s.arg(why);
}

} // namespace

KeyringItem::KeyringItem(QMenu *menu, const FtpBoxes &ftp, QWidget *window)
    : QObject(window), m_ftp(ftp), m_window(window)
{
    m_action = menu->addAction(kItemText);
    m_action->setObjectName(u"RememberPasswords1"_s);
    m_action->setCheckable(true);
    m_action->setMenuRole(QAction::NoRole);
    connect(m_action, &QAction::toggled, this, &KeyringItem::toggled);
    // While remembering, what is typed is kept once the box is left.
    for (QLineEdit *box : {ftp.server, ftp.user, ftp.password})
        connect(box, &QLineEdit::editingFinished, this, [this] {
            if (remembering())
                rememberFtp();
        });
}

bool KeyringItem::remembering() const
{
    return m_action->isChecked();
}

void KeyringItem::setChecked(bool on)
{
    const QSignalBlocker quiet(m_action);
    m_action->setChecked(on);
}

void KeyringItem::recall()
{
    QString why;
    if (!keyring::serviceAvailable(&why)) {
        m_action->setStatusTip(noServiceText(why));
        return;
    }
    m_action->setStatusTip({});
    m_keptFtp = recallLogin(kFtpLogin);
    setChecked(m_keptFtp.has_value());
    if (m_keptFtp && m_keptFtp->server == m_ftp.server->text()) {
        m_ftp.user->setText(m_keptFtp->user);
        m_ftp.password->setText(m_keptFtp->password);
    }
}

std::optional<KeyringItem::Login> KeyringItem::recallLogin(const QString &name)
{
    const keyring::Outcome found = keyring::read(name);
    if (found.status != keyring::Status::Done)
        return std::nullopt;
    const QJsonObject o = QJsonDocument::fromJson(found.secret.toUtf8()).object();
    if (o.isEmpty())
        return std::nullopt;
    return Login{o[u"server"_s].toString(), o[u"user"_s].toString(), o[u"password"_s].toString()};
}

bool KeyringItem::rememberLogin(const QString &name, const Login &login, QString *why)
{
    if (!remembering())
        return false;
    const keyring::Outcome stored = keyring::write(name, secretOf(login));
    if (why)
        *why = stored.error;
    return stored.status == keyring::Status::Done;
}

void KeyringItem::rememberFtp()
{
    const Login login{m_ftp.server->text(), m_ftp.user->text(), m_ftp.password->text()};
    if (m_keptFtp && m_keptFtp->server == login.server && m_keptFtp->user == login.user &&
        m_keptFtp->password == login.password)
        return;
    QString why;
    if (!rememberLogin(kFtpLogin, login, &why)) {
        setChecked(false);
        Dialogs::message(m_window, u"The passwords cannot be stored in the keyring: %1"_s.arg(why));
        return;
    }
    m_keptFtp = login;
}

void KeyringItem::toggled(bool on)
{
    QString why;
    if (!keyring::serviceAvailable(&why)) {
        setChecked(false);
        m_action->setStatusTip(noServiceText(why));
        Dialogs::message(m_window, noServiceText(why));
        return;
    }
    if (on) {
        m_keptFtp.reset();
        rememberFtp();
        return;
    }
    m_keptFtp.reset();
    for (const QString &name : {kFtpLogin, kGameHostLogin}) {
        const keyring::Outcome removed = keyring::remove(name);
        if (removed.status == keyring::Status::Failed || removed.status == keyring::Status::NoService) {
            setChecked(true);
            Dialogs::message(m_window, u"The passwords cannot be removed from the keyring: %1"_s.arg(removed.error));
            return;
        }
    }
}
