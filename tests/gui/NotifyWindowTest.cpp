// Extra > Webhook...: the address saved without ever being shown whole, and
// a test post that reaches a local HTTPS server.
#include "MainWindowFixture.h"
#include "support/TestSupport.h"
#include "support/WebhookServer.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>

using namespace Qt::StringLiterals;

TEST_F(MainWindowTest, WebhookWindowSavesTheAddressAndSendsATestPost)
{
    WebhookServer hook;
    ASSERT_TRUE(hook.isRunning()) << hook.errorText().toStdString();
    qputenv("SSL_CERT_FILE", hook.certificatePath().toUtf8());
    const auto trustAgain = qScopeGuard([] { qunsetenv("SSL_CERT_FILE"); });
    auto form = makeForm();
    control<QAction>(*form, "Webhook1")->trigger();
    auto *window = form->findChild<QDialog *>(u"NotifyWindow"_s);
    ASSERT_NE(window, nullptr);
    window->findChild<QLineEdit *>(u"NotifyUrl"_s)->setText(hook.url());
    window->findChild<QPushButton *>(u"NotifySave"_s)->click();
    EXPECT_TRUE(readFile(workPath(u"Rankhold.ini"_s)).contains("url=" + hook.url().toUtf8()));
    const QString saved = window->findChild<QLabel *>(u"NotifySaved"_s)->text();
    EXPECT_TRUE(saved.contains(u"/api/webhooks/1/\u2026"_s) && !saved.contains(hook.token())) << saved.toStdString();

    window->findChild<QPushButton *>(u"NotifyTest"_s)->click();
    QLabel *result = window->findChild<QLabel *>(u"NotifyResult"_s);
    EXPECT_TRUE(QTest::qWaitFor([&] { return result->text().startsWith(u"Delivered"_s); }, 20000))
        << result->text().toStdString();
    ASSERT_EQ(hook.posts().size(), 1);
    EXPECT_TRUE(hook.posts()[0].body[u"content"_s].toString().startsWith(u"Rankhold: "_s));
}
