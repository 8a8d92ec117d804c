// The window's side of an upload's failures and of TLS: the cause as the tool
// tip of the FTP status text, and the box that trusts a certificate.
#include "MainWindowFixture.h"

#include "gui/PanelStatusBar.h"
#include "support/FtpServers.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QLineEdit>

using namespace Qt::StringLiterals;

TEST_F(MainWindowTest, UntrustedCertificateAskedOnceYesStoresItsFingerprint)
{
    PyFtpServer server(0, true);
    ASSERT_TRUE(server.isRunning()) << server.errorText().toStdString();
    // Nothing the system trusts vouches for the test certificate.
    const QByteArray oldCertFile = qgetenv("SSL_CERT_FILE");
    qputenv("SSL_CERT_FILE", "/dev/null");
    makeDatabase();
    makeRegisteredGame();
    writeFile(workPath(u"rankhold_kills.html"_s), "<html>kills</html>\r\n");
    auto form = makeForm();
    auto *status = control<PanelStatusBar>(*form, "StatusBar1");
    control<QLineEdit>(*form, "Edit14")->setText(u"ftps://"_s + server.address());
    control<QLineEdit>(*form, "Edit15")->setText(server.user());
    control<QLineEdit>(*form, "Edit16")->setText(server.password());
    auto *upload = control<QAction>(*form, "UploadHTMLbyFTP1");

    hooks().answers = {false};
    upload->trigger();
    EXPECT_EQ(status->panelText(1), u"FTP: Certificate not trusted"_s);
    EXPECT_TRUE(status->panelToolTip(1).contains(server.certificate().fingerprint))
        << status->panelToolTip(1).toStdString();
    ASSERT_EQ(hooks().count(Dialogs::Kind::Question), 1);
    const QString question = hooks().shown.back().text;
    EXPECT_TRUE(question.contains(server.certificate().fingerprint)) << question.toStdString();
    EXPECT_TRUE(question.contains(u"CN=localhost"_s)) << question.toStdString();
    EXPECT_TRUE(question.contains(u"Expires: 20"_s)) << question.toStdString();

    hooks().answers = {true};
    upload->trigger();
    EXPECT_EQ(status->panelText(1), u"FTP: Filetransfer OK"_s);
    EXPECT_EQ(status->panelToolTip(1), QString()); // a new upload clears it
    EXPECT_TRUE(
        readFile(workPath(u"Rankhold.ini"_s)).contains("fingerprint=" + server.certificate().fingerprint.toLatin1()));
    EXPECT_TRUE(QFile::exists(server.filePath(u"rankhold_kills.html"_s)));

    // Known now: no question.
    upload->trigger();
    EXPECT_EQ(status->panelText(1), u"FTP: Filetransfer OK"_s);
    EXPECT_EQ(hooks().count(Dialogs::Kind::Question), 2);
    qputenv("SSL_CERT_FILE", oldCertFile);
    if (oldCertFile.isEmpty())
        qunsetenv("SSL_CERT_FILE");
}

TEST_F(MainWindowTest, FailedUploadShowsItsCauseAsTheToolTipOfTheFtpText)
{
    int closedPort = 0;
    {
        PyFtpServer gone;
        closedPort = gone.port();
    }
    makeDatabase();
    makeRegisteredGame();
    auto form = makeForm();
    auto *status = control<PanelStatusBar>(*form, "StatusBar1");
    control<QLineEdit>(*form, "Edit14")->setText(u"127.0.0.1:"_s + QString::number(closedPort));
    control<QAction>(*form, "UploadHTMLbyFTP1")->trigger();
    EXPECT_EQ(status->panelText(1), u"FTP: Wrong user or password"_s);
    EXPECT_EQ(status->panelToolTip(1), u"connect to 127.0.0.1:%1: 10061:Connection refused"_s.arg(closedPort));
    EXPECT_TRUE(hooks().shown.empty()); // no box: the text and its tool tip say it
}
