#pragma once

#include <QFileDialog>
#include <QString>
#include <QUrl>
#include <deque>
#include <optional>

class QWidget;

// Every box and dialog the main window shows goes through here, so that a
// test can answer them without a modal loop: with the test mode on, nothing
// is shown, each box is recorded, questions take the next queued answer
// (Yes when the queue is empty) and the folder chooser the next queued folder
// (cancel when empty).
namespace Dialogs {

// Plain message box with an OK button, titled with the application title.
void message(QWidget *parent, const QString &text);
// Warning box titled "Warning" with the buttons "&Yes" and "&No"; true on Yes.
bool warningYesNo(QWidget *parent, const QString &text);
// Question with Yes and No, titled with the application title; true on Yes.
bool question(QWidget *parent, const QString &text);
// The standard error box: OK, error icon, titled "Rankhold", standardErrorText(message).
void error(QWidget *parent, const QString &message);
// The modal folder chooser (see FolderChooser); nothing on cancel.
std::optional<QString> chooseFolder(QWidget *parent, const QString &startFolder);
// A line of text, typed into a box titled with the application title
// (`secret`: shown as dots, for a password); nothing on cancel.
std::optional<QString> askText(QWidget *parent, const QString &label, const QString &text, bool secret = false);
// Opens a file or web address with the desktop's viewer; reports nothing.
void openUrl(const QUrl &url);

// Text with CR LF or bare CR line breaks as a Qt widget shows it (one LF each).
QString displayText(const QString &text);

enum class Kind { Message, Warning, Question, Error, FolderChooser, OpenUrl, Text };
struct Shown {
    Kind kind;
    QString title;
    QString text; // as the program built it (the error box: with its full stop)
};

struct TestHooks {
    bool enabled = false;
    std::deque<bool> answers;
    std::deque<std::optional<QString>> folders;
    std::deque<std::optional<QString>> texts; // askText's answers (cancel when empty)
    std::vector<Shown> shown;

    qsizetype count(Kind kind) const;
    void clear();
};
TestHooks &testHooks();

// The folder chooser: starts at a folder, makes each folder it shows the
// current directory, and accepts a typed folder that does not exist after
// asking "The specified directory does not exist. Create it?" (No returns
// to the chooser). It creates nothing itself.
class FolderChooser : public QFileDialog
{
    Q_OBJECT
public:
    FolderChooser(QWidget *parent, const QString &startFolder);
    // The confirmed folder, absolute and clean.
    QString chosenFolder() const { return m_chosen; }

    void accept() override;

private:
    QString m_chosen;
};

inline const QString kCreateFolderQuestion = QStringLiteral("The specified directory does not exist. Create it?");

} // namespace Dialogs
