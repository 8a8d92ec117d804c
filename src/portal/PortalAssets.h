#pragma once

#include <QByteArray>

// The portal's own stylesheet and script (assets/ in the sources, built into the program).
namespace portal::assets {

QByteArray styleSheet();
QByteArray script();

} // namespace portal::assets
