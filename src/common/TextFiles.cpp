#include "common/TextFiles.h"

#include "common/RankholdError.h"
#include "platform/Paths.h"
#include "platform/ReadOnlyFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

using namespace Qt::StringLiterals;

QString normaliseLineBreaks(const QString &text)
{
    QString out;
    out.reserve(text.size() + text.size() / 16);
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            out += u"\r\n"_s;
            if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
                ++i;
        } else {
            out += c;
        }
    }
    return out;
}

QByteArray readFileBytes(const QString &path, qint64 sizeLimit)
{
    // A resource built into the program (":/..."): no name on disk to guard.
    if (path.startsWith(u":/"_s)) {
        QFile resource(path);
        if (!resource.open(QIODevice::ReadOnly))
            throw RankholdError(u"Cannot open file %1"_s.arg(path));
        return resource.readAll();
    }
    const platform::ReadOnlyFile file(path);
    if (file.status() == platform::ReadOnlyFile::Status::NotRegular)
        throw RankholdError(u"Cannot open file %1: not a regular file"_s.arg(path));
    QByteArray bytes;
    switch (file.readAll(sizeLimit, bytes)) {
    case platform::ReadOnlyFile::Read::Whole:
        return bytes;
    case platform::ReadOnlyFile::Read::TooLarge:
        throw RankholdError(
            u"Cannot open file %1: larger than %2 MB, far more than such a file ever holds"_s.arg(path).arg(sizeLimit >>
                                                                                                            20));
    case platform::ReadOnlyFile::Read::Failed:
        break;
    }
    throw RankholdError(u"Cannot open file %1"_s.arg(path));
}

void writeFileAtomically(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        throw RankholdError(u"Cannot create file %1"_s.arg(path));
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw RankholdError(u"Cannot create file %1"_s.arg(path));
}

namespace {

// In the same folder, so the rename replaces the file in one step; named
// after this process, so two processes never write into the same one.
QString temporaryOf(const QString &path)
{
    return path + u".tmp"_s + QString::number(QCoreApplication::applicationPid());
}

} // namespace

void writeFileReplacing(const QString &path, const QByteArray &bytes)
{
    // One write and no buffer: the portal writes tens of thousands of these.
    if (platform::replaceFileWith(path, temporaryOf(path), bytes) != 0)
        throw RankholdError(u"Cannot create file %1"_s.arg(path));
}

void writeFileReplacing(const QString &path, const std::function<bool(QIODevice &file)> &write)
{
    QFile file(temporaryOf(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw RankholdError(u"Cannot create file %1"_s.arg(path));
    bool written = false;
    try {
        written = write(file) && file.flush();
    } catch (...) {
        file.close();
        file.remove();
        throw;
    }
    file.close();
    if (!written || !platform::replaceFile(file.fileName(), path)) {
        file.remove();
        throw RankholdError(u"Cannot create file %1"_s.arg(path));
    }
}
