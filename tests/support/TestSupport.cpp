#include "support/TestSupport.h"

#include "common/RankholdError.h"
#include "scores/DatabaseFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << qPrintable(path);
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void makeEmptyDatabase(const QString &path)
{
    try {
        createDatabase(path);
    } catch (const RankholdError &e) {
        FAIL() << qPrintable(e.message());
    }
}

QString sourcePath(const QString &relative)
{
    return QStringLiteral(RANKHOLD_SOURCE_DIR) + u'/' + relative;
}

QString errorMessageOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const RankholdError &e) {
        return e.message();
    }
    return {};
}
