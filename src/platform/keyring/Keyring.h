#pragma once

#include <QString>
#include <optional>

// The desktop's keyring (the Secret Service of GNOME Keyring, KeePassXC and
// others, or KDE's wallet), through QtKeychain: secrets kept under a name,
// for this program alone, never in a file of its own. Each call waits for
// the keyring, letting the event loop run meanwhile (it may ask the user to
// unlock it), at most two minutes.
namespace platform::keyring {

enum class Status {
    Done,
    NotFound,  // read or remove of a name that holds nothing
    NoService, // no desktop session, or none of its keyrings runs
    Failed     // refused, locked and not unlocked, or another error
};

struct Outcome {
    Status status = Status::Failed;
    QString secret; // what read() found
    QString error;  // why, when not Done
};

// Whether a keyring service can be reached on the session bus; `why` says
// what is missing when not. Asks the bus each time (cheap): a keyring may
// start or stop at any time.
bool serviceAvailable(QString *why);

Outcome read(const QString &name);
Outcome write(const QString &name, const QString &secret);
Outcome remove(const QString &name);

} // namespace platform::keyring
