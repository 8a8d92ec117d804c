// Stores seven 2 MB pages to a local pyftpdlib server with the upload of the
// main window, and the same files with `curl -T` in the same run, and prints
// both times and their ratio (target: the upload within 1.2x curl).
#include "common/CommandHost.h"
#include "common/ProgramFolder.h"
#include "ftp/FtpClient.h"
#include "ftp/PageUpload.h"
#include "platform/Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

class QuietHost : public CommandHost
{
public:
    void setConnectionText(const QString &) override {}
    void setActivityText(const QString &text) override { last = text; }
    void repaintStatus() override {}
    void setProgress(int) override {}
    void showDatabaseFigures(const DatabaseFigures &) override {}
    bool askWarning(const QString &) override { return true; }
    void showMessage(const QString &) override {}
    void processEvents() override { QCoreApplication::processEvents(); }
    QString last;
};

// tests/support/ftp_server.py, found above the build folder (or named by
// RANKHOLD_FTP_SERVER_SCRIPT).
QString serverScript()
{
    const QString named = qEnvironmentVariable("RANKHOLD_FTP_SERVER_SCRIPT");
    if (!named.isEmpty())
        return named;
    QDir dir(QCoreApplication::applicationDirPath());
    do {
        const QString candidate = dir.filePath(u"tests/support/ftp_server.py"_s);
        if (QFile::exists(candidate))
            return candidate;
    } while (dir.cdUp());
    return {};
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;

    QTemporaryDir work;
    const QString pages = work.filePath(u"pages"_s);
    const QString root = work.filePath(u"server"_s);
    QDir().mkpath(pages);
    QDir().mkpath(root);
    QStringList files;
    for (const ProgramFolder::Page pageName : ProgramFolder::kPages) {
        const QString name = ProgramFolder::pageName(pageName);
        QByteArray page;
        for (int row = 0; page.size() < 2 * 1024 * 1024; ++row)
            page += "<tr><td>" + QByteArray::number(row) + "</td><td>player name</td><td>1234</td></tr>\r\n";
        page.truncate(2 * 1024 * 1024);
        QFile f(platform::joinPath(pages, name));
        f.open(QIODevice::WriteOnly);
        f.write(page);
        files << f.fileName();
    }

    const QString script = serverScript();
    if (script.isEmpty()) {
        std::fprintf(stderr, "ftp_server.py not found; set RANKHOLD_FTP_SERVER_SCRIPT\n");
        return 1;
    }
    QProcess server;
    server.start(u"/usr/bin/python3"_s,
                 {script, u"--root"_s, root, u"--user"_s, u"bench"_s, u"--password"_s, u"bench"_s});
    int port = 0;
    while (port == 0 && server.waitForReadyRead(10000)) {
        const QByteArray line = server.readLine().trimmed();
        if (line.startsWith("PORT "))
            port = line.mid(5).toInt();
    }
    if (port == 0) {
        std::fprintf(stderr, "pyftpdlib did not start\n");
        return 1;
    }

    QuietHost host;
    QTimer timer3;
    PageUploader uploader(timer3, host);
    Settings settings;
    settings.ftpServer = u"127.0.0.1:"_s + QString::number(port);
    settings.ftpUser = u"bench"_s;
    settings.ftpPassword = u"bench"_s;

    auto timeUpload = [&](bool passive) {
        uploader.ftpClient().Passive = passive;
        QElapsedTimer t;
        t.start();
        const bool ok = uploader.upload(settings, ProgramFolder(pages)).ok;
        const double ms = double(t.nsecsElapsed()) / 1e6;
        if (!ok)
            std::fprintf(stderr, "upload failed: %s\n", qPrintable(host.last));
        return ms;
    };
    auto timeCurl = [&](bool ascii) {
        QStringList arguments{u"-s"_s,
                              u"-S"_s,
                              u"--user"_s,
                              u"bench:bench"_s,
                              u"-T"_s,
                              u"{"_s + files.join(u',') + u"}"_s,
                              u"ftp://127.0.0.1:%1/"_s.arg(port)};
        if (ascii)
            arguments.prepend(u"--use-ascii"_s);
        QElapsedTimer t;
        t.start();
        const int rc = QProcess::execute(u"curl"_s, arguments);
        const double ms = double(t.nsecsElapsed()) / 1e6;
        if (rc != 0)
            std::fprintf(stderr, "curl failed (%d)\n", rc);
        return ms;
    };

    std::vector<double> active, passive, curlBinary, curlAscii;
    timeUpload(false); // warm-up: page cache, server imports
    for (int i = 0; i < rounds; ++i) {
        active.push_back(timeUpload(false));
        passive.push_back(timeUpload(true));
        curlBinary.push_back(timeCurl(false));
        curlAscii.push_back(timeCurl(true));
    }
    const double a = median(active), p = median(passive), cb = median(curlBinary), ca = median(curlAscii);
    std::printf("seven pages of 2 MB to pyftpdlib on 127.0.0.1, median of %d rounds\n", rounds);
    std::printf("  upload, active mode (as shipped)   %8.1f ms\n", a);
    std::printf("  upload, passive mode                %8.1f ms\n", p);
    std::printf("  curl -T (binary, passive)           %8.1f ms\n", cb);
    std::printf("  curl -T --use-ascii (passive)       %8.1f ms\n", ca);
    std::printf("  ratio upload active / curl          %8.2f (target <= 1.2)\n", a / cb);
    std::printf("  ratio upload passive / curl         %8.2f\n", p / cb);
    std::printf("  ratio upload active / curl ascii    %8.2f\n", a / ca);
    server.terminate();
    server.waitForFinished(3000);
    return 0;
}
