#include "gui/NotifyWindow.h"

#include "common/RankholdError.h"
#include "gui/Dialogs.h"
#include "notify/ChatMessages.h"
#include "notify/StatusRecord.h"
#include "notify/WebhookSender.h"
#include "settings/NotifySettings.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

NotifyWindow::NotifyWindow(std::function<ProgramFolder()> folder, QWidget *parent)
    : QDialog(parent), m_folder(std::move(folder))
{
    setObjectName(u"NotifyWindow"_s);
    setWindowTitle(u"Webhook"_s);

    auto *about = new QLabel(u"A chat channel (Discord, or a service that takes its webhooks) gets a post after "
                             "every game with the map, the winner and the best players, and one when importing, "
                             "exporting, uploading or archiving fails and again when it works. Paste the "
                             "channel's webhook address (https://...):"_s,
                             this);
    about->setWordWrap(true);
    m_url = new QLineEdit(this);
    m_url->setObjectName(u"NotifyUrl"_s);
    m_url->setPlaceholderText(u"https://discord.com/api/webhooks/..."_s);
    m_saved = new QLabel(this);
    m_saved->setObjectName(u"NotifySaved"_s);
    m_saved->setWordWrap(true);
    m_result = new QLabel(this);
    m_result->setObjectName(u"NotifyResult"_s);
    m_result->setWordWrap(true);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    const std::tuple<const char16_t *, const char16_t *, void (NotifyWindow::*)()> actions[] = {
        {u"&Save", u"NotifySave", &NotifyWindow::save},
        {u"Send a &test", u"NotifyTest", &NotifyWindow::sendTest},
        {u"&Remove", u"NotifyRemove", &NotifyWindow::removeUrl},
    };
    for (const auto &[text, name, handler] : actions) {
        auto *button = buttons->addButton(QString::fromUtf16(text), QDialogButtonBox::ActionRole);
        button->setObjectName(QString::fromUtf16(name));
        connect(button, &QPushButton::clicked, this, handler);
    }
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    for (QWidget *w : std::initializer_list<QWidget *>{about, m_url, m_saved, m_result, buttons})
        layout->addWidget(w);
    setMinimumWidth(480);
}

NotifyWindow::~NotifyWindow()
{
    // Its thread ends before this window does, so no answer arrives after it.
    m_sender.reset();
}

void NotifyWindow::showEvent(QShowEvent *event)
{
    refresh();
    QDialog::showEvent(event);
}

void NotifyWindow::refresh()
{
    const ProgramFolder folder = m_folder();
    const QString text = notifyUrl(folder);
    QString error;
    const std::optional<WebhookUrl> url = text.isEmpty() ? std::nullopt : parseWebhookUrl(text, &error);
    QString saved = text.isEmpty() ? u"No webhook is set: nothing is posted."_s
                    : url          ? u"Posts go to %1"_s.arg(url->shown())
                                   : error + u": nothing is posted."_s;
    const StatusRecord status = StatusRecord::read(folder.statusFile());
    if (status.lastWebhook)
        saved +=
            u"\nLast post, %1: %2"_s.arg(agoText(status.lastWebhook->when, QDateTime::currentDateTimeUtc()),
                                         status.lastWebhook->delivered ? u"delivered"_s : status.lastWebhook->problem);
    m_saved->setText(saved);
}

void NotifyWindow::save()
{
    QString error;
    if (!parseWebhookUrl(m_url->text(), &error)) {
        Dialogs::error(this, error);
        return;
    }
    try {
        setNotifyUrl(m_folder(), m_url->text());
    } catch (const RankholdError &e) {
        Dialogs::error(this, e.message());
        return;
    }
    m_url->clear();
    refresh();
}

void NotifyWindow::removeUrl()
{
    try {
        setNotifyUrl(m_folder(), {});
    } catch (const RankholdError &e) {
        Dialogs::error(this, e.message());
    }
    refresh();
}

void NotifyWindow::sendTest()
{
    const QString text = m_url->text().isEmpty() ? notifyUrl(m_folder()) : m_url->text();
    QString error;
    const std::optional<WebhookUrl> url = parseWebhookUrl(text, &error);
    if (!url) {
        m_result->setText(text.isEmpty() ? u"No webhook is set."_s : error + u'.');
        return;
    }
    if (!m_sender)
        m_sender = std::make_unique<WebhookSender>();
    m_result->setText(u"Sending a test post to %1 ..."_s.arg(url->shown()));
    // The sender's thread ends before the label goes (see the destructor).
    QLabel *result = m_result;
    m_sender->post(*url, testMessage(), [result](const WebhookSender::Report &report) {
        const QString said = report.delivered ? u"Delivered to %1."_s.arg(report.shownUrl)
                                              : u"Not delivered to %1: %2"_s.arg(report.shownUrl, report.problem);
        QMetaObject::invokeMethod(
            result, [result, said] { result->setText(said); }, Qt::QueuedConnection);
    });
}
