#include "gamehost/RoundState.h"

#include "common/RankholdError.h"
#include "common/TextFiles.h"
#include "platform/Paths.h"

#include <QList>

using namespace Qt::StringLiterals;

void RoundState::restart(const QString &name)
{
    file = name;
    offset = 0;
    tail.clear();
    tailLength = 0;
    size = -1;
    modTime.clear();
}

RoundState readRoundState(const QString &path)
{
    RoundState s;
    if (!platform::fileExists(path))
        return s;
    QByteArray bytes;
    try {
        bytes = readFileBytes(path, 64 * 1024);
    } catch (const RankholdError &) {
        return s;
    }
    for (const QByteArray &line : bytes.split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0)
            continue;
        const QByteArray key = line.left(eq);
        const QByteArray value = line.mid(eq + 1).trimmed();
        if (key == "url")
            s.url = QString::fromUtf8(value);
        else if (key == "file")
            s.file = QString::fromUtf8(value);
        else if (key == "offset")
            s.offset = value.toLongLong();
        else if (key == "tail")
            s.tail = QByteArray::fromHex(value);
        else if (key == "tailLength")
            s.tailLength = value.toLongLong();
        else if (key == "size")
            s.size = value.toLongLong();
        else if (key == "time")
            s.modTime = QString::fromUtf8(value);
        else if (key == "pending")
            s.pending = value.toLongLong();
        else if (key == "readOnly")
            s.readOnly = value == "1";
    }
    // A state that contradicts itself is no guide: start over.
    if (s.offset < 0 || s.tailLength < 0 || s.tailLength > s.offset || s.pending < 0)
        return RoundState{};
    return s;
}

void writeRoundState(const QString &path, const RoundState &s)
{
    QByteArray bytes;
    auto put = [&bytes](const char *key, const QByteArray &value) { bytes += key + ('=' + value) + '\n'; };
    put("url", s.url.toUtf8());
    put("file", s.file.toUtf8());
    put("offset", QByteArray::number(s.offset));
    put("tail", s.tail.toHex());
    put("tailLength", QByteArray::number(s.tailLength));
    put("size", QByteArray::number(s.size));
    put("time", s.modTime.toUtf8());
    put("pending", QByteArray::number(s.pending));
    put("readOnly", s.readOnly ? "1" : "0");
    writeFileAtomically(path, bytes);
}
