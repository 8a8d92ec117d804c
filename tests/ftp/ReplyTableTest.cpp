#include "ftp/FtpReplyRules.h"

#include <gtest/gtest.h>

#include <QString>

using ftpreply::Step;

namespace {

// The codes at each edge of every row: below, at and above each limit.
struct Edge {
    Step step;
    int code;
    bool accepted;
};

// The log-in's limits are the window's own (a greeting fails above 400, USER
// and PASS from 401, CWD from 400, PASV from 500; PORT and STOR from 301,
// QUIT raises from 301), the download's the FTP standard's single answers.
const Edge kEdges[] = {
    {Step::Greeting, 220, true},   {Step::Greeting, 400, true},    {Step::Greeting, 401, false},
    {Step::Greeting, 421, false},  {Step::User, 331, true},        {Step::User, 400, true},
    {Step::User, 401, false},      {Step::User, 599, false},       {Step::Pass, 230, true},
    {Step::Pass, 400, true},       {Step::Pass, 530, false},       {Step::ChangeDir, 250, true},
    {Step::ChangeDir, 399, true},  {Step::ChangeDir, 400, false},  {Step::ChangeDir, 550, false},
    {Step::Passive, 227, true},    {Step::Passive, 499, true},     {Step::Passive, 500, false},
    {Step::Passive, 502, false},   {Step::Port, 200, true},        {Step::Port, 300, true},
    {Step::Port, 301, false},      {Step::Store, 150, true},       {Step::Store, 300, true},
    {Step::Store, 301, false},     {Step::Store, 553, false},      {Step::StoreEnd, 226, true},
    {Step::StoreEnd, 399, true},   {Step::StoreEnd, 400, false},   {Step::StoreEnd, 552, false},
    {Step::Quit, 221, true},       {Step::Quit, 300, true},        {Step::Quit, 301, false},
    {Step::Quit, 500, false},      {Step::AuthTls, 234, true},     {Step::AuthTls, 200, false},
    {Step::AuthTls, 334, false},   {Step::Pbsz, 200, true},        {Step::Pbsz, 300, false},
    {Step::Prot, 200, true},       {Step::Prot, 536, false},       {Step::Type, 200, true},
    {Step::Type, 504, false},      {Step::Size, 213, true},        {Step::Size, 212, false},
    {Step::Size, 550, false},      {Step::ModTime, 213, true},     {Step::ModTime, 502, false},
    {Step::Restart, 350, true},    {Step::Restart, 200, false},    {Step::Restart, 502, false},
    {Step::Retrieve, 150, true},   {Step::Retrieve, 125, true},    {Step::Retrieve, 226, false},
    {Step::Retrieve, 550, false},  {Step::RetrieveEnd, 226, true}, {Step::RetrieveEnd, 426, false},
    {Step::RenameFrom, 350, true}, {Step::RenameFrom, 550, false}, {Step::RenameTo, 250, true},
    {Step::RenameTo, 553, false},  {Step::Delete, 250, true},      {Step::Delete, 550, false},
};

} // namespace

TEST(ReplyTable, EachCommandAcceptsExactlyItsCodes)
{
    for (const Edge &e : kEdges)
        EXPECT_EQ(ftpreply::accepted(e.step, e.code), e.accepted) << ftpreply::rule(e.step).command << " " << e.code;
}

TEST(ReplyTable, HasOneRowPerStepInItsOrder)
{
    int index = 0;
    for (const ftpreply::Rule &r : ftpreply::rules())
        EXPECT_EQ(int(r.step), index++) << r.command;
    EXPECT_EQ(index, int(Step::Delete) + 1);
}
