#pragma once

#include "platform/CodePage.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <limits>

class QIODevice;

// Text as the program's files hold it: lists of lines where CR LF, CR or LF
// end a line, written back as every entry followed by CR LF.

using platform::joinLinesCrLf;
using platform::splitLines;
// Every CR, LF or CR LF made CR LF.
QString normaliseLineBreaks(const QString &text);

// Windows-1252, the code page of the game's files and of the pages.
using platform::appendWindows1252;
using platform::decodeUtf8OrWindows1252;
using platform::decodeWindows1252;
using platform::encodeWindows1252;

// Reads a whole regular file (a link is followed). Throws RankholdError
// "Cannot open file %s", with the reason after it for a name that holds no
// regular file (a FIFO would hang the read, a device feed it without end)
// and for a file larger than `sizeLimit` bytes. A path that starts with
// ":/" names a resource built into the program.
QByteArray readFileBytes(const QString &path, qint64 sizeLimit = std::numeric_limits<qint64>::max());
// Replaces a file as a whole: written to a temporary file in the same folder,
// flushed, then renamed over the original, so a failure (a full disk) never
// leaves it truncated. Throws RankholdError "Cannot create file %s".
void writeFileAtomically(const QString &path, const QByteArray &bytes);
// The same without waiting for the disk, for many files at a time: they are
// whole files after a crash of the program; after a crash of the system a
// file may be empty.
void writeFileReplacing(const QString &path, const QByteArray &bytes);
// The same, the file written by `write` a piece at a time (false when a
// piece could not be written), so that a large one is never held whole.
void writeFileReplacing(const QString &path, const std::function<bool(QIODevice &file)> &write);
