#include "UploadFixture.h"

#include <QElapsedTimer>

// The window must keep running while a large page crawls to a slow server.
TEST_F(UploadFixture, EventLoopKeepsTurningDuringASlowStore)
{
    PyFtpServer server(6 * 1024 * 1024); // 20 MB take over 3 s
    ASSERT_TRUE(server.isRunning()) << server.errorText().toStdString();
    writeFile(pagePath(0), QByteArray(20 * 1024 * 1024, 'x'));

    QElapsedTimer clock;
    qint64 last = -1;
    qint64 longestGap = 0;
    QTimer probe;
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (last >= 0)
            longestGap = std::max(longestGap, now - last);
        last = now;
    });
    clock.start();
    probe.start();
    EXPECT_TRUE(uploader.upload(server.settings(), ProgramFolder(programFolder.path())).ok);
    probe.stop();

    EXPECT_LT(longestGap, 100);
    EXPECT_GT(clock.elapsed(), 1000); // the throttle really held it back
    // Timer3 moved the bar along the way and the upload put it back to 0.
    const bool midway =
        std::any_of(host.progressValues.begin(), host.progressValues.end(), [](int p) { return p > 0 && p < 100; });
    EXPECT_TRUE(midway) << host.progressValues.size() << " first "
                        << (host.progressValues.isEmpty() ? -1 : host.progressValues.first());
    EXPECT_EQ(host.progress, 0);
    EXPECT_GT(host.eventTurns, 100); // the host hears of every turn of the waits
    EXPECT_EQ(QFileInfo(server.filePath(ProgramFolder::pageName(ProgramFolder::kPages.at(0)))).size(),
              20 * 1024 * 1024);
}
