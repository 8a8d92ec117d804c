#pragma once

#include <QString>

// Keeping a password from places it does not belong.
namespace platform {

// From now on the process leaves no core dump (and no other user may attach
// to it), so a password it holds is not written to disk by a crash. False
// when the system refused.
bool forbidCoreDumps();
bool coreDumpsForbidden();

// Whether anybody but the file's owner may read it (group or other read
// permission), as ssh judges a key file. Nothing when it cannot be examined.
enum class SecretFileAccess { OwnerOnly, OthersMayRead, Unreadable };
SecretFileAccess secretFileAccess(const QString &path);

} // namespace platform
