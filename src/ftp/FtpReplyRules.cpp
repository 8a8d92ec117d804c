#include "ftp/FtpReplyRules.h"

#include "ftp/FtpReply.h"

#include <array>

namespace ftpreply {

namespace {

// A reply outside its row's range fails the step. The log-in's limits are
// those the window has always had (a greeting fails above 400, a refused
// user or password is 401 to 599, a directory 400 to 599, PASV from 500 on,
// a 4xx without a readable port failing on that), so 400 on USER still
// lets the log-in go on; the commands of the download expect the one answer
// the FTP standard gives them.
constexpr std::array<Rule, 21> kRules{{
    {Step::Greeting, "greeting", 100, 400}, {Step::User, "USER", 100, 400},     {Step::Pass, "PASS", 100, 400},
    {Step::ChangeDir, "CWD", 100, 399},     {Step::Passive, "PASV", 100, 499},  {Step::Port, "PORT", 100, 300},
    {Step::Store, "STOR", 100, 300},        {Step::StoreEnd, "STOR", 100, 399}, {Step::Quit, "QUIT", 100, 300},
    {Step::AuthTls, "AUTH TLS", 234, 234},  {Step::Pbsz, "PBSZ", 200, 299},     {Step::Prot, "PROT", 200, 299},
    {Step::Type, "TYPE", 200, 299},         {Step::Size, "SIZE", 213, 213},     {Step::ModTime, "MDTM", 213, 213},
    {Step::Restart, "REST", 350, 350},      {Step::Retrieve, "RETR", 100, 199}, {Step::RetrieveEnd, "RETR", 200, 299},
    {Step::RenameFrom, "RNFR", 350, 350},   {Step::RenameTo, "RNTO", 200, 299}, {Step::Delete, "DELE", 200, 299},
}};

} // namespace

QString Reply::text() const
{
    return ftpreply::text(firstLine);
}

std::span<const Rule> rules()
{
    return kRules;
}

const Rule &rule(Step step)
{
    return kRules[size_t(step)];
}

bool accepted(Step step, int code)
{
    const Rule &r = rule(step);
    return code >= r.okFrom && code <= r.okTo;
}

} // namespace ftpreply
