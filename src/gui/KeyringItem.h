#pragma once

#include <QObject>
#include <QString>
#include <optional>

class QAction;
class QLineEdit;
class QMenu;
class QWidget;

// Extra > "Remember passwords in the keyring": while it is checked, the
// window's log-ins are kept in the desktop's keyring (never in a file), and
// the next start fills the boxes from there; unchecking it removes them.
// Without a keyring service it says so and stores nothing.
//
// Each log-in is kept under a name: kFtpLogin for the FTP boxes, which this
// item fills itself. Another log-in of the window (the game host's) calls
// recallLogin(name) when it needs its password and rememberLogin(name, ...)
// once the user has typed it (kGameHostLogin); forgetting removes both.
class KeyringItem : public QObject
{
    Q_OBJECT
public:
    struct Login {
        QString server; // what the password is for; a log-in is never offered to another
        QString user;
        QString password;
    };
    struct FtpBoxes {
        QLineEdit *server = nullptr;   // Edit14
        QLineEdit *user = nullptr;     // Edit15
        QLineEdit *password = nullptr; // Edit16
    };

    static const QString kFtpLogin;
    static const QString kGameHostLogin;

    KeyringItem(QMenu *menu, const FtpBoxes &ftp, QWidget *window);

    QAction *action() const { return m_action; }
    bool remembering() const;
    // The start: checks the item when a log-in is kept, and fills the FTP
    // boxes when it was kept for the server in the server box.
    void recall();

    // Nothing when none is kept for that name (or there is no keyring).
    std::optional<Login> recallLogin(const QString &name);
    // Kept only while the item is checked; false (and why) when the keyring refused.
    bool rememberLogin(const QString &name, const Login &login, QString *why = nullptr);

private:
    void toggled(bool on);
    void rememberFtp();
    void setChecked(bool on);

    QAction *m_action = nullptr;
    FtpBoxes m_ftp;
    QWidget *m_window = nullptr;
    std::optional<Login> m_keptFtp;
};
