#include "gui/TForm3.h"

#include <QPixmap>

TForm3::TForm3(std::function<QString()> gameFolder, QWidget *parent) : QWidget(parent), m_gameFolder(std::move(gameFolder))
{
    setWindowTitle(QStringLiteral("Vornik's Rankhold Land Warrior Game Settings"));
}

void TForm3::setBackground(const QPixmap &) {}
