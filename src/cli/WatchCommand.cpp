#include "cli/WatchCommand.h"

#include "cli/CliSession.h"
#include "cli/TerminalHost.h"
#include "common/RankholdError.h"
#include "platform/StopSignals.h"

#include <QCoreApplication>
#include <QTimer>

int runWatch(CliSession &session, TerminalHost &host, int intervalSeconds)
{
    session.requireGameFolder();
    // As at the window's start-up: a database that cannot be opened ends the program.
    session.openDatabase();

    platform::StopSignals stop;
    QTimer timer; // Timer1
    timer.setInterval(intervalSeconds * 1000);
    bool inTick = false;

    QObject::connect(&timer, &QTimer::timeout, [&] {
        // A tick that arrives while the upload lets the event loop run is
        // dropped: the next tick finds the score file that is still there.
        if (inTick)
            return;
        if (platform::StopSignals::requested()) {
            QCoreApplication::exit(0);
            return;
        }
        inTick = true;
        try {
            session.commands().scheduledImport();
        } catch (const RankholdError &e) {
            host.showError(e);
        } catch (const std::exception &e) {
            // Nothing may leave a slot into the event loop.
            host.showError(QString::fromLocal8Bit(e.what()));
        }
        inTick = false;
        if (platform::StopSignals::requested())
            QCoreApplication::exit(0);
    });
    QObject::connect(&stop, &platform::StopSignals::stopRequested, [&] {
        // Inside a tick the request waits for the tick's end (see above).
        if (!inTick)
            QCoreApplication::exit(0);
    });

    timer.start();
    const int code = QCoreApplication::exec();
    timer.stop();
    return code;
}
