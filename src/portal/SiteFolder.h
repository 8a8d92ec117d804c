#pragma once

#include <QByteArray>
#include <QSet>

#include <QString>
#include <atomic>
#include <mutex>

// The portal's folder on disk. A page is written only when its bytes
// differ from the file's, so an unchanged page keeps its file (and its time
// stamp), and the folder says by itself which pages a build changed.
// Pages may be written from several threads at once.
namespace portal {

class SiteFolder
{
public:
    // The page whose "made" element is left out of the comparison.
    enum class Compare { Whole, WithoutMadeTime };

    // Makes the folder and its sub-folders when they are missing. Throws
    // RankholdError "Unable to create directory %s".
    explicit SiteFolder(QString root);

    const QString &root() const { return m_root; }
    QString path(const QString &relative) const;
    bool exists(const QString &relative) const;

    // `relative` uses "/" between folder and file. True when the file was
    // written. Throws RankholdError "Cannot create file %s".
    bool write(const QString &relative, const QByteArray &bytes, Compare compare = Compare::Whole);
    int written() const { return m_written.load(); }
    // Deletes one page; true when there was one.
    bool remove(const QString &relative);

    // Deletes the pages of the sub-folders that this object neither wrote
    // nor kept; their paths, "/" between folder and file. For a build that
    // made every page.
    QStringList removeOthers();

private:
    // A path as m_made keeps it.
    static size_t madeKey(const QString &relative);

    QString m_root;
    std::mutex m_madeMutex;
    // The pages written or kept, by a 64-bit hash of their paths: as texts,
    // the 82,000 paths of a large portal took a tenth of a first build's
    // memory. Two paths of one hash can only keep a file that could have gone.
    QSet<size_t> m_made;
    std::atomic<int> m_written = 0;
};

} // namespace portal
