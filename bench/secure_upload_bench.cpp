// Stores seven 2 MB pages over FTP with TLS (explicit, passive, session
// reuse) to a local vsftpd with the upload of the main window, and the same
// files with `curl --ssl-reqd` to the same server in the same run, and prints
// both times and their ratio (target: the upload within 1.2x curl). Needs
// root, as the vsftpd test fixture does (it makes a throw-away user).
#include "common/CommandHost.h"
#include "common/ProgramFolder.h"
#include "ftp/FtpClient.h"
#include "ftp/PageUpload.h"
#include "platform/Paths.h"
#include "support/FtpServers.h"

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
    QDir().mkpath(pages);
    QStringList files;
    for (const ProgramFolder::Page which : ProgramFolder::kPages) {
        const QString name = ProgramFolder::pageName(which);
        QByteArray page;
        for (int row = 0; page.size() < 2 * 1024 * 1024; ++row)
            page += "<tr><td>" + QByteArray::number(row) + "</td><td>player name</td><td>1234</td></tr>\r\n";
        page.truncate(2 * 1024 * 1024);
        QFile f(platform::joinPath(pages, name));
        f.open(QIODevice::WriteOnly);
        f.write(page);
        files << f.fileName();
    }

    VsftpdServer server(true);
    if (!server.isRunning()) {
        std::fprintf(stderr, "vsftpd did not start: %s\n", qPrintable(server.errorText()));
        return 1;
    }

    QuietHost host;
    QTimer timer3;
    PageUploader uploader(timer3, host);
    // The test certificate, trusted by its fingerprint.
    QFile ini(ProgramFolder(pages).settingsFile());
    ini.open(QIODevice::WriteOnly);
    ini.write("[FTPSettings]\r\nfingerprint=" + server.certificate().fingerprint.toLatin1() + "\r\n");
    ini.close();
    Settings settings = server.settings();
    settings.ftpServer = u"ftps://localhost:"_s + QString::number(server.port());

    auto timeUpload = [&] {
        QElapsedTimer t;
        t.start();
        const UploadOutcome outcome = uploader.upload(settings, ProgramFolder(pages));
        const double ms = double(t.nsecsElapsed()) / 1e6;
        if (!outcome.ok)
            std::fprintf(stderr, "upload failed: %s (%s)\n", qPrintable(host.last), qPrintable(outcome.cause));
        return ms;
    };
    // curl's own TLS 1.3 data connections fail against vsftpd 3.0.3 (426
    // after its close, 522 on resumption), so it runs at TLS 1.2.
    auto timeCurl = [&] {
        const QStringList arguments{u"-s"_s,
                                    u"-S"_s,
                                    u"--ssl-reqd"_s,
                                    u"--tls-max"_s,
                                    u"1.2"_s,
                                    u"--cacert"_s,
                                    server.certificate().certificatePath,
                                    u"--user"_s,
                                    server.user() + u':' + server.password(),
                                    u"-T"_s,
                                    u"{"_s + files.join(u',') + u"}"_s,
                                    u"ftp://localhost:%1/"_s.arg(server.port())};
        QElapsedTimer t;
        t.start();
        const int rc = QProcess::execute(u"curl"_s, arguments);
        const double ms = double(t.nsecsElapsed()) / 1e6;
        if (rc != 0)
            std::fprintf(stderr, "curl failed (%d)\n", rc);
        return ms;
    };

    std::vector<double> ours, curl;
    timeUpload(); // warm-up: page cache, server start-up
    timeCurl();
    for (int i = 0; i < rounds; ++i) {
        ours.push_back(timeUpload());
        curl.push_back(timeCurl());
    }
    const double o = median(ours), c = median(curl);
    std::printf("seven pages of 2 MB over FTPS to vsftpd on 127.0.0.1, median of %d rounds\n", rounds);
    std::printf("  upload, explicit TLS, passive, session reuse   %8.1f ms\n", o);
    std::printf("  curl --ssl-reqd --tls-max 1.2 -T (same files)  %8.1f ms\n", c);
    std::printf("  ratio upload / curl                            %8.2f (target <= 1.2)\n", o / c);
    return 0;
}
