#pragma once

#include "platform/FileStamp.h"

#include <QByteArray>
#include <QString>

namespace platform {

// A file opened for reading only when it is a regular file. A FIFO, a device
// or a folder under the name is refused before anything is read, so a
// hostile name can neither hang the program nor feed it without end; a
// symbolic link is followed to what it names.
class ReadOnlyFile
{
public:
    enum class Status { Open, Missing, NotRegular, Unreadable };
    enum class Read { Whole, TooLarge, Failed };

    explicit ReadOnlyFile(const QString &path);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile &) = delete;
    ReadOnlyFile &operator=(const ReadOnlyFile &) = delete;

    Status status() const { return m_status; }
    bool isOpen() const { return m_status == Status::Open; }
    // The open descriptor (-1 when not open), for the checks of FileWriters.
    int descriptor() const { return m_fd; }
    // The stamp of the open file, whatever its name is now.
    FileStamp stamp() const;
    // Reads the file from its start to its end into `bytes`. TooLarge, with
    // nothing read, when it holds more than `limit` bytes (counted as it is
    // read, not only from its size, which a special file may not tell).
    Read readAll(qint64 limit, QByteArray &bytes) const;

private:
    int m_fd = -1;
    Status m_status = Status::Unreadable;
};

} // namespace platform
