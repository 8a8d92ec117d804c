#pragma once

#include "common/CommandHost.h"

#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <functional>

// A command host that records everything a command shows and answers the
// questions from a queue (Yes when the queue is empty unless told otherwise).
class RecordingHost : public CommandHost
{
public:
    void setConnectionText(const QString &text) override
    {
        connectionText = text;
        connectionTexts.append(text);
    }
    void setActivityText(const QString &text) override
    {
        activityText = text;
        activityTexts.append(text);
        if (onActivityText)
            onActivityText(text);
    }
    void repaintStatus() override { ++repaints; }
    void setProgress(int position) override
    {
        progress = position;
        progressValues.append(position);
    }
    void showDatabaseFigures(const DatabaseFigures &f) override
    {
        figures = f;
        ++figureUpdates;
    }
    bool askWarning(const QString &text) override
    {
        questions.append(text);
        if (answers.empty())
            return defaultAnswer;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    void showMessage(const QString &text) override { messages.append(text); }
    void processEvents() override
    {
        ++eventTurns;
        if (onProcessEvents)
            onProcessEvents();
    }

    QString connectionText = kConnectionClosed;
    QString activityText = kIdle;
    QStringList connectionTexts;
    QStringList activityTexts;
    int repaints = 0;
    int progress = 0;
    QList<int> progressValues;
    DatabaseFigures figures{QStringLiteral("N/A"), QStringLiteral("N/A"), QStringLiteral("N/A")};
    int figureUpdates = 0;
    QStringList questions;
    std::deque<bool> answers;
    bool defaultAnswer = true;
    QStringList messages;
    int eventTurns = 0;
    std::function<void()> onProcessEvents;

    // Certificates asked about (their fingerprints); `trustCertificates` answers.
    bool askTrustCertificate(const QString &, const platform::tls::PeerCertificate &certificate) override
    {
        certificateQuestions.append(certificate.fingerprint);
        return trustCertificates;
    }
    QStringList certificateQuestions;
    bool trustCertificates = false;
    void reportReadPast(const QString &note) override
    {
        if (!note.isEmpty())
            readPastNotes.append(note);
    }
    QStringList readPastNotes;
    std::function<void(const QString &)> onActivityText;
};

// Writes bytes to a file, creating its folder; fails the test on error.
void writeFile(const QString &path, const QByteArray &bytes);
QByteArray readFile(const QString &path);
// A fresh, empty player database at `path` (the schema the CLI creates).
void makeEmptyDatabase(const QString &path);
// The message of the RankholdError that `f` throws; empty when it throws none.
QString errorMessageOf(const std::function<void()> &f);
// The source tree, for files the tests ship (standin/, resources/).
QString sourcePath(const QString &relative);
