#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Text as the program's files hold it: lists of lines where CR LF, CR or LF
// end a line, written back as every entry followed by CR LF.

// Splits text into lines; a line break after the last line adds no empty line.
QStringList splitLines(const QString &text);
// Every entry followed by CR LF (an entry may itself hold line breaks).
QString joinLinesCrLf(const QStringList &lines);
// Every CR, LF or CR LF made CR LF.
QString normaliseLineBreaks(const QString &text);

// Windows-1252, the code page of the game's files and of the pages.
QString decodeWindows1252(const QByteArray &bytes);
// Characters outside Windows-1252 become '?' unless characterReferences is
// set, which writes them as "&#N;" so that nothing is lost in HTML.
QByteArray encodeWindows1252(const QString &text, bool characterReferences = false);
// UTF-8 when the bytes are valid UTF-8, Windows-1252 otherwise.
QString decodeUtf8OrWindows1252(const QByteArray &bytes);

// Reads a whole file. Throws RankholdError "Cannot open file %s".
QByteArray readFileBytes(const QString &path);
// Replaces a file as a whole: written to a temporary file in the same folder,
// flushed, then renamed over the original, so a failure (a full disk) never
// leaves it truncated. Throws RankholdError "Cannot create file %s".
void writeFileAtomically(const QString &path, const QByteArray &bytes);
