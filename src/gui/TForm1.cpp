#include "gui/TForm1.h"

TForm1::TForm1(QWidget *parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Vornik's Rankhold v1.0c"));
}
