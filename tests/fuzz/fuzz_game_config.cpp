// Fuzzes the reader and writer of the game's dflw.cfg. Whatever the file
// holds, loading it and saving it back must not crash, must leave every line
// the editor does not manage exactly as it was (bytes, not characters: the
// file is the game's), and a second load and save of what was written must
// write the same bytes again.
#include "common/RankholdError.h"
#include "gamecfg/GameConfigFile.h"
#include "gamecfg/GameConfigTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

#define FUZZ_ASSERT(condition, what)                                                                                   \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "fuzz check failed: %s\n", what);                                                     \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)

QTemporaryDir *folder;

// The lines as bytes: CR LF, CR or LF end one; a break after the last adds none.
QList<QByteArray> linesOf(const QByteArray &bytes)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        if (c != '\r' && c != '\n')
            continue;
        lines.append(bytes.mid(start, i - start));
        if (c == '\r' && i + 1 < bytes.size() && bytes.at(i + 1) == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.append(bytes.mid(start));
    return lines;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Loads and saves `path`; false when either stopped with an error.
bool loadAndSave(const QString &path)
{
    GameConfigFile config;
    GameSettingsValues values;
    try {
        config.load(path, values);
        config.save(path, values);
    } catch (const RankholdError &) {
        return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    folder = new QTemporaryDir((QFileInfo(u"/dev/shm"_s).isDir() ? u"/dev/shm"_s : QDir::tempPath()) +
                               u"/rankhold-fuzz-XXXXXX"_s);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString path = folder->filePath(u"dflw.cfg"_s);
    {
        QFile out(path);
        FUZZ_ASSERT(out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(bytes) == bytes.size(),
                    "file written");
    }
    static const QSet<int> managed = [] {
        QSet<int> lines;
        for (const gamecfg::ConfigLine &entry : gamecfg::configLines())
            lines.insert(entry.line);
        return lines;
    }();

    if (loadAndSave(path)) {
        const QList<QByteArray> before = linesOf(bytes);
        const QByteArray written = readAll(path);
        const QList<QByteArray> after = linesOf(written);
        FUZZ_ASSERT(after.size() == before.size(), "as many lines as were read");
        for (qsizetype i = 0; i < before.size(); ++i)
            FUZZ_ASSERT(managed.contains(int(i)) || after.at(i) == before.at(i),
                        "an unmanaged line kept byte for byte");
        FUZZ_ASSERT(written.isEmpty() || written.endsWith("\r\n"), "every line ends with CR LF");
        FUZZ_ASSERT(loadAndSave(path), "what was written loads and saves again");
        FUZZ_ASSERT(readAll(path) == written, "and gives the same bytes");
    }
    QFile::remove(path);
    return 0;
}
