#pragma once

#include <QByteArray>
#include <QString>
#include <span>

// Which replies count as success, per command: the one place that knows.
// Every other code of a reply fails the step it answers.
namespace ftpreply {

// One reply: its code and its lines as they came (line ends included).
struct Reply {
    int code = 0;
    QByteArray firstLine;
    QString text() const;
};

// The exchanges of a session, each judged by one row of the table.
enum class Step {
    Greeting,
    User,
    Pass,
    ChangeDir,
    Passive,
    Port,
    Store,    // the answer to STOR, before the data
    StoreEnd, // the answer once the data is in
    Quit,
    AuthTls,
    Pbsz,
    Prot,
    Type,
    Size,
    ModTime,
    Restart,
    Retrieve,    // RETR, LIST and NLST before the data
    RetrieveEnd, // and once the data has come
    RenameFrom,
    RenameTo,
    Delete,
};

struct Rule {
    Step step;
    const char *command; // as sent, for causes ("reply to RETR")
    int okFrom;          // success: okFrom <= code <= okTo
    int okTo;
};

// The whole table, in the order of Step.
std::span<const Rule> rules();
const Rule &rule(Step step);
bool accepted(Step step, int code);

} // namespace ftpreply
