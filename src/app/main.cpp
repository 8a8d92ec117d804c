#include "gui/TForm1.h"
#include "gui/TForm3.h"

#include "platform/Secrets.h"
#include "platform/System.h"

#include <QApplication>

int main(int argc, char **argv)
{
    // The password box holds a password at any time: a crash must not
    // write it to disk.
    platform::forbidCoreDumps();
    platform::returnLargeBlocksWhenFreed();
    QApplication app(argc, argv);
    // The application title. It is not made the display name: Qt would then
    // append it to every window caption and box title.
    QApplication::setApplicationName(QStringLiteral("Rankhold"));
    TForm1 form1;                                                // runs the start-up sequence
    TForm3 form3([&form1] { return form1.gameConfigFolder(); }); // hidden; reads dflw.cfg
    form3.setBackground(form1.backgroundPicture());
    // Closing the main window ends the program, the game settings window open or not.
    form3.setAttribute(Qt::WA_QuitOnClose, false);
    form1.setGameSettingsWindow(&form3);
    form1.show();
    return QApplication::exec();
}
