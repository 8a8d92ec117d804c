#include "cli/CliMain.h"

#include "cli/CliCommands.h"
#include "cli/CliOptions.h"
#include "cli/CliSession.h"
#include "cli/PlayersCommand.h"
#include "cli/TerminalHost.h"
#include "cli/WatchCommand.h"
#include "common/RankholdError.h"

#include <QCoreApplication>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

int runCommand(const CliOptions &options, TerminalHost &host)
{
    CliSession session(options, host);
    using C = CliOptions::Command;
    switch (options.command) {
    case C::CreateDatabase:
        return runCreateDatabase(session);
    case C::Info:
        return runInfo(session, host);
    case C::Import:
        return runImport(session, options);
    case C::Export:
        return runExport(session, options);
    case C::Upload:
        return runUpload(session);
    case C::FtpFingerprint:
        return runFtpFingerprint(session, host);
    case C::GameHostKey:
        return runGameHostKey(session, host);
    case C::Compact:
        return runCompact(session);
    case C::Delete:
        return runDelete(session, host, options);
    case C::Watch:
        return runWatch(session, host, options.intervalSeconds);
    case C::CopyDatabase:
        return runCopyDatabase(session, host, options);
    case C::Status:
        return runStatus(session, host);
    case C::Players:
        return runPlayers(session, host, options);
    case C::Help:
    case C::Version:
        break;
    }
    return 0;
}

} // namespace

int runCli(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"rankhold-cli"_s);
    TerminalHost host;

    CliOptions options;
    try {
        QStringList arguments = QCoreApplication::arguments();
        arguments.removeFirst();
        options = parseCliOptions(arguments);
    } catch (const CliUsageError &e) {
        // The message and where to look, not every command of the program.
        host.note(u"rankhold-cli: "_s + e.message());
        std::fputs(cliUsageHint(e.command()).toLocal8Bit().constData(), stderr);
        return 2;
    }
    if (options.command == CliOptions::Command::Help || options.command == CliOptions::Command::Version) {
        const QString text = options.command == CliOptions::Command::Version ? cliVersionText() + u'\n'
                             : options.helpTopic                             ? cliCommandHelp(*options.helpTopic)
                                                                             : cliUsageText();
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }

    int code = 1;
    try {
        code = runCommand(options, host);
    } catch (const RankholdError &e) {
        host.showError(e);
    } catch (const std::exception &e) {
        host.showError(QString::fromLocal8Bit(e.what()));
    }
    // Figures or status texts that never reached their reader (a full disk,
    // a closed pipe) are no success.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        host.note(u"rankhold-cli: cannot write to standard output"_s);
        return 1;
    }
    return code;
}
