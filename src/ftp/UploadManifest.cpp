#include "ftp/UploadManifest.h"

#include "common/TextFiles.h"
#include "platform/Digest.h"

#include <QDateTime>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QUrl>

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// The first line names the target; then one line a file:
// "<sha256 hex> <size> <modified> <path>".
const QByteArray kHeading = "# Rankhold upload manifest: ";

std::optional<QByteArray> sha256Of(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    platform::Digest hash(platform::DigestKind::Sha256);
    if (!hash.addData(&file))
        return std::nullopt;
    return hash.result();
}

} // namespace

UploadManifest::UploadManifest(QString path, QString target, const std::function<bool(const QString &)> &allowed)
    : m_path(std::move(path)), m_target(std::move(target))
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QList<QByteArray> lines = file.readAll().split('\n');
    if (lines.isEmpty() || lines.first() != kHeading + QUrl::toPercentEncoding(m_target))
        return;
    QHash<QString, File> files;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        // The file ends with a line break, after which nothing stands.
        if (i == lines.size() - 1 && lines[i].isEmpty())
            break;
        const QList<QByteArray> fields = lines[i].split(' ');
        bool sizeOk = false, timeOk = false;
        const File f = fields.size() != 4 ? File{}
                                          : File{QString::fromUtf8(fields[3]), QByteArray::fromHex(fields[0]),
                                                 fields[1].toLongLong(&sizeOk), fields[2].toLongLong(&timeOk)};
        // One line that cannot be trusted and none can: everything is sent again, nothing deleted.
        if (!sizeOk || !timeOk || f.sha256.size() != 32 || f.path.isEmpty() || !allowed(f.path))
            return;
        files.insert(f.path, f);
    }
    m_files = std::move(files);
}

UploadManifest::Difference UploadManifest::compare(const QString &folder,
                                                   const std::function<bool(const QString &)> &wanted)
{
    Difference difference;
    QSet<QString> present;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString path = info.filePath().mid(folder.size() + 1);
        if (!wanted(path))
            continue;
        present.insert(path);
        File local{path, {}, info.size(), info.lastModified().toMSecsSinceEpoch()};
        const auto sent = m_files.find(path);
        if (sent != m_files.end() && sent->size == local.size && sent->modified == local.modified)
            continue;
        const std::optional<QByteArray> sum = sha256Of(info.filePath());
        if (!sum)
            continue; // not readable now: the next upload tries again
        local.sha256 = *sum;
        if (sent != m_files.end() && sent->sha256 == local.sha256) {
            // The same bytes written again: no need to read it next time.
            *sent = local;
            m_changed = true;
            continue;
        }
        difference.changed.push_back(local);
    }
    for (auto f = m_files.cbegin(); f != m_files.cend(); ++f) {
        if (!present.contains(f.key()))
            difference.gone.append(f.key());
    }
    difference.gone.sort();
    return difference;
}

void UploadManifest::record(const File &file)
{
    m_files.insert(file.path, file);
    m_changed = true;
}

void UploadManifest::forget(const QString &path)
{
    m_changed = m_files.remove(path) || m_changed;
}

void UploadManifest::forgetFolder(const QString &folder)
{
    const QString prefix = folder.isEmpty() ? QString() : folder + u'/';
    m_changed = m_files.removeIf([&](const auto &entry) { return entry.key().startsWith(prefix); }) > 0 || m_changed;
}

bool UploadManifest::holdsFolder(const QString &folder) const
{
    const QString prefix = folder + u'/';
    return std::any_of(m_files.keyBegin(), m_files.keyEnd(), [&](const QString &p) { return p.startsWith(prefix); });
}

void UploadManifest::save()
{
    if (!m_changed)
        return;
    QStringList paths = m_files.keys();
    paths.sort();
    QByteArray text = kHeading + QUrl::toPercentEncoding(m_target) + '\n';
    for (const QString &path : paths) {
        const File f = m_files.value(path);
        text += f.sha256.toHex() + ' ' + QByteArray::number(f.size) + ' ' + QByteArray::number(f.modified) + ' ' +
                f.path.toUtf8() + '\n';
    }
    writeFileAtomically(m_path, text);
    m_changed = false;
}
