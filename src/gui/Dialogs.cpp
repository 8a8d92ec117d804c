#include "gui/Dialogs.h"

#include "common/RankholdError.h"
#include "platform/Paths.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace Dialogs {

namespace {

const QString kApplicationTitle = u"Rankhold"_s;
const QString kWarningTitle = u"Warning"_s;

// Records a box in test mode; true when the box must not be shown.
bool intercept(Kind kind, const QString &title, const QString &text)
{
    TestHooks &hooks = testHooks();
    if (!hooks.enabled)
        return false;
    hooks.shown.push_back({kind, title, text});
    return true;
}

bool nextAnswer()
{
    TestHooks &hooks = testHooks();
    if (hooks.answers.empty())
        return true;
    const bool answer = hooks.answers.front();
    hooks.answers.pop_front();
    return answer;
}

bool askYesNo(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text)
{
    QMessageBox box(icon, title, displayText(text), QMessageBox::NoButton, parent);
    QPushButton *yes = box.addButton(u"&Yes"_s, QMessageBox::YesRole);
    QPushButton *no = box.addButton(u"&No"_s, QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

} // namespace

qsizetype TestHooks::count(Kind kind) const
{
    return std::count_if(shown.begin(), shown.end(), [kind](const Shown &s) { return s.kind == kind; });
}

void TestHooks::clear()
{
    answers.clear();
    folders.clear();
    texts.clear();
    shown.clear();
}

TestHooks &testHooks()
{
    static TestHooks hooks;
    return hooks;
}

std::optional<QString> askText(QWidget *parent, const QString &label, const QString &text, bool secret)
{
    if (intercept(Kind::Text, kApplicationTitle, label)) {
        TestHooks &hooks = testHooks();
        if (hooks.texts.empty())
            return std::nullopt;
        const std::optional<QString> answer = hooks.texts.front();
        hooks.texts.pop_front();
        return answer;
    }
    bool ok = false;
    const QString typed = QInputDialog::getText(parent, kApplicationTitle, label,
                                                secret ? QLineEdit::Password : QLineEdit::Normal, text, &ok);
    if (!ok)
        return std::nullopt;
    return typed;
}

QString displayText(const QString &text)
{
    QString shown = text;
    shown.replace(u"\r\n"_s, u"\n"_s);
    shown.replace(u'\r', u'\n');
    return shown;
}

void message(QWidget *parent, const QString &text)
{
    if (intercept(Kind::Message, kApplicationTitle, text))
        return;
    QMessageBox box(QMessageBox::NoIcon, kApplicationTitle, displayText(text), QMessageBox::Ok, parent);
    box.exec();
}

bool warningYesNo(QWidget *parent, const QString &text)
{
    if (intercept(Kind::Warning, kWarningTitle, text))
        return nextAnswer();
    return askYesNo(parent, QMessageBox::Warning, kWarningTitle, text);
}

bool question(QWidget *parent, const QString &text)
{
    if (intercept(Kind::Question, kApplicationTitle, text))
        return nextAnswer();
    return askYesNo(parent, QMessageBox::Question, kApplicationTitle, text);
}

void error(QWidget *parent, const QString &message)
{
    const QString text = standardErrorText(message);
    if (intercept(Kind::Error, kApplicationTitle, text))
        return;
    QMessageBox box(QMessageBox::Critical, kApplicationTitle, displayText(text), QMessageBox::Ok, parent);
    box.exec();
}

std::optional<QString> chooseFolder(QWidget *parent, const QString &startFolder)
{
    if (intercept(Kind::FolderChooser, QString(), startFolder)) {
        TestHooks &hooks = testHooks();
        if (hooks.folders.empty())
            return std::nullopt;
        const auto folder = hooks.folders.front();
        hooks.folders.pop_front();
        return folder;
    }
    FolderChooser chooser(parent, startFolder);
    if (chooser.exec() != QDialog::Accepted)
        return std::nullopt;
    return chooser.chosenFolder();
}

void openUrl(const QUrl &url)
{
    if (intercept(Kind::OpenUrl, QString(), url.toString()))
        return;
    QDesktopServices::openUrl(url);
}

FolderChooser::FolderChooser(QWidget *parent, const QString &startFolder) : QFileDialog(parent)
{
    // Qt's own chooser: a native one would neither take a folder that does
    // not exist nor tell us which folder it shows.
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::ShowDirsOnly);
    setFileMode(QFileDialog::Directory);
    setAcceptMode(QFileDialog::AcceptOpen);
    setWindowTitle(u"Set DFLW folder"_s);
    // Each folder shown becomes the current directory, and stays so.
    connect(this, &QFileDialog::directoryEntered, this,
            [](const QString &folder) { platform::setCurrentDirectory(folder); });
    platform::setCurrentDirectory(startFolder);
    setDirectory(startFolder);
}

void FolderChooser::accept()
{
    const QString typed = selectedFiles().value(0);
    if (typed.isEmpty())
        return;
    const QFileInfo info(typed);
    if (info.exists()) {
        if (info.isDir())
            m_chosen = QDir::cleanPath(info.absoluteFilePath());
        QFileDialog::accept();
        return;
    }
    if (!question(this, kCreateFolderQuestion))
        return;
    m_chosen = QDir::cleanPath(info.absoluteFilePath());
    QDialog::accept();
}

} // namespace Dialogs
