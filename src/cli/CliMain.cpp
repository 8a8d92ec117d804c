#include "cli/CliMain.h"

#include "core/RankholdError.h"
#include "scores/DatabaseFile.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

int runCli(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 2 && args.at(1) == QLatin1StringView("create-database")) {
        try {
            createDatabase(QDir::currentPath() + QStringLiteral("/Rankhold.mdb"));
            return 0;
        } catch (const RankholdError &e) {
            std::fprintf(stderr, "%s\n", qPrintable(standardErrorText(e.message())));
            return 1;
        }
    }
    std::fprintf(stderr, "usage: rankhold-cli COMMAND\n");
    return 2;
}
