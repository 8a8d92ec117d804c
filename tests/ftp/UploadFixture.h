#pragma once

#include "common/ProgramFolder.h"
#include "ftp/PageUpload.h"
#include "platform/Paths.h"
#include "support/FtpServers.h"
#include "support/TestSupport.h"

#include <QTimer>
#include <gtest/gtest.h>
#include <ostream>

inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

// A program folder with pages, a recording host, Timer3 and the uploader.
class UploadFixture : public ::testing::Test
{
protected:
    UploadFixture() : uploader(timer3, host) {}

    // Page `index` (0 to 6, upload order) with CR LF lines, as the export writes them.
    QByteArray writePage(int index, int lines = 40)
    {
        QByteArray bytes;
        for (int i = 0; i < lines; ++i)
            bytes += "<tr><td>page " + QByteArray::number(index) + " row " + QByteArray::number(i) + "</td></tr>\r\n";
        writeFile(pagePath(index), bytes);
        return bytes;
    }
    void writeAllPages()
    {
        for (int i = 0; i < 7; ++i)
            writePage(i);
    }
    QString pagePath(int index) const
    {
        return platform::joinPath(programFolder.path(),
                                  ProgramFolder::pageName(ProgramFolder::kPages.at(size_t(index))));
    }
    // The stored copy equals the page (an ASCII-type store may turn CR LF into LF).
    static QByteArray lineEndsAsLf(QByteArray bytes) { return bytes.replace("\r\n", "\n"); }
    void expectStored(const FtpServer &server, int index, const QString &folder = {}) const
    {
        const QString name = ProgramFolder::pageName(ProgramFolder::kPages.at(size_t(index)));
        const QString path = folder.isEmpty() ? server.filePath(name) : server.filePath(folder + u'/' + name);
        ASSERT_TRUE(QFile::exists(path)) << path.toStdString();
        EXPECT_EQ(lineEndsAsLf(readFile(path)), lineEndsAsLf(readFile(pagePath(index)))) << name.toStdString();
    }
    bool stored(const FtpServer &server, int index) const
    {
        return QFile::exists(server.filePath(ProgramFolder::pageName(ProgramFolder::kPages.at(size_t(index)))));
    }
    bool shown(const QString &text) const { return host.activityTexts.contains(text); }
    UploadOutcome uploadTo(const Settings &settings)
    {
        return uploader.upload(settings, ProgramFolder(programFolder.path()));
    }
    void removePagesFrom(const FtpServer &server) const
    {
        for (const ProgramFolder::Page page : ProgramFolder::kPages)
            QFile::remove(server.filePath(ProgramFolder::pageName(page)));
    }

    QTemporaryDir programFolder;
    RecordingHost host;
    QTimer timer3;
    PageUploader uploader;
};

inline const QString kStarting = QStringLiteral("FTP: Starting");
inline const QString kHostFound = QStringLiteral("FTP: Host found");
inline const QString kHostNotFound = QStringLiteral("FTP: Host not found");
inline const QString kWrongLogin = QStringLiteral("FTP: Wrong user or password");
inline const QString kConnected = QStringLiteral("FTP: Connected");
inline const QString kDirNotFound = QStringLiteral("FTP: Directory not found");
inline const QString kStarted = QStringLiteral("FTP: Filetransfer Started");
inline const QString kFailed = QStringLiteral("FTP: Filetransfer Failed");
inline const QString kOk = QStringLiteral("FTP: Filetransfer OK");
inline const QString kSecureFailed = QStringLiteral("FTP: Secure connection failed");
inline const QString kNotTrusted = QStringLiteral("FTP: Certificate not trusted");
