#pragma once

#include <QString>

#include <array>

// The program folder (the current directory when the program starts) and
// every file of the program's own in it: the database, its compaction copy,
// the score archive, the settings, the ranking pages and the player portal.
// Built from the folder once; everything that needs one of these files asks
// here.
class ProgramFolder
{
public:
    // The seven pages, in the order the upload sends them: the top-10 page
    // first, then the rankings in the order of the export.
    enum class Page { Top10, Kills, Deaths, Flags, Zonetime, Targets, Ratio };
    static constexpr std::array<Page, 7> kPages = {Page::Top10,    Page::Kills,   Page::Deaths, Page::Flags,
                                                   Page::Zonetime, Page::Targets, Page::Ratio};

    ProgramFolder() = default;
    explicit ProgramFolder(QString path) : m_path(std::move(path)) {}

    const QString &path() const { return m_path; }
    bool isEmpty() const { return m_path.isEmpty(); }
    // folder + separator + name, as every file of the folder is named.
    QString file(const QString &name) const;

    QString databaseFile() const;   // Rankhold.mdb
    QString compactionCopy() const; // Rankhold_rep.mdb
    QString archiveFolder() const;  // oldscores
    QString settingsFile() const;   // Rankhold.ini
    QString headerFile() const;     // header.txt
    QString gameHostFolder() const; // gamehost: the score file fetched from a game host, and what was read
    QString footerFile() const;     // footer.txt

    // The player portal: "portal", its pages; "portal.state", what its last
    // build was made from; "portal.sent", what uploads sent of it.
    QString portalFolder() const;
    QString portalStateFile() const;
    QString portalManifest() const;
    // The portal's pages that builds removed and the server may still hold:
    // the only files an upload deletes there.
    QString portalRemovedFile() const;
    // "status.json": what the last rounds of the chain did.
    QString statusFile() const;

    // "rankhold_kills.html", ...: the page's file name, which is also its name on the web server.
    static QString pageName(Page page);
    QString pagePath(Page page) const { return file(pageName(page)); }

    bool operator==(const ProgramFolder &) const = default;

private:
    QString m_path;
};
