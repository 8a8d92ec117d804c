#pragma once

#include <QByteArray>

namespace portal {

// What the program's pages look like, as a hash of a sample of every kind
// of page and of the assets. A portal made by a program with another
// fingerprint is made again in full.
QByteArray formatFingerprint();

} // namespace portal
