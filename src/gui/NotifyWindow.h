#pragma once

#include "common/ProgramFolder.h"

#include <QDialog>
#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class WebhookSender;

// Extra > Webhook...: the chat webhook that gets a post after every game
// and when the chain fails or works again ([Notify] url= of Rankhold.ini,
// written at once on Save). The saved address is never shown whole: it
// holds the token that lets anybody post into the channel.
class NotifyWindow : public QDialog
{
    Q_OBJECT
public:
    NotifyWindow(std::function<ProgramFolder()> folder, QWidget *parent = nullptr);
    ~NotifyWindow() override;

    // The saved address (its token elided) and how the last post went.
    void refresh();
    void save();
    void removeUrl();
    // A test post to the address in the box, or to the saved one when the
    // box is empty; the outcome shows below once the server answered.
    void sendTest();

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::function<ProgramFolder()> m_folder;
    QLabel *m_saved = nullptr;
    QLabel *m_result = nullptr;
    QLineEdit *m_url = nullptr;
    std::unique_ptr<WebhookSender> m_sender;
};
