#include "gui/TForm1.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Rankhold"));
    QApplication::setApplicationDisplayName(QStringLiteral("Rankhold"));
    TForm1 form;
    form.show();
    return QApplication::exec();
}
