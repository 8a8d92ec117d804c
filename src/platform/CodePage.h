#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The Windows code page of the game's files and of the pages, and the line
// breaks of text files from Windows: what every layer reads and writes.
namespace platform {

// Splits text into lines where CR LF, CR or LF end a line; a line break
// after the last line adds no empty line.
QStringList splitLines(const QString &text);
// Every entry followed by CR LF (an entry may itself hold line breaks).
QString joinLinesCrLf(const QStringList &lines);

QString decodeWindows1252(const QByteArray &bytes);
// Characters outside Windows-1252 become '?' unless characterReferences is
// set, which writes them as "&#N;" so that nothing is lost in HTML.
QByteArray encodeWindows1252(const QString &text, bool characterReferences = false);
// The same, appended to `out`: a long text a slice at a time. A slice that
// ends between the two halves of a surrogate pair gets '?' or a reference
// for each half.
void appendWindows1252(QByteArray &out, QStringView text, bool characterReferences = false);
// UTF-8 when the bytes are valid UTF-8, Windows-1252 otherwise.
QString decodeUtf8OrWindows1252(const QByteArray &bytes);

} // namespace platform
