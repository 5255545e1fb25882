#include "FileView.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>

#include <algorithm>

namespace lirmus {

namespace {

constexpr QDir::SortFlags kByName = QDir::Name | QDir::IgnoreCase;

bool under(const QString& path, const QString& root)
{
    if (root == "/") return path.startsWith('/');
    return path == root || path.startsWith(root + '/');
}

// Kernel, memory and package images: nothing a singer keeps songs on.
bool pseudoVolume(const Volume& v)
{
    static const QSet<QString> types = {
        "proc", "sysfs", "devtmpfs", "devpts", "tmpfs", "ramfs", "cgroup", "cgroup2", "securityfs",
        "debugfs", "tracefs", "pstore", "bpf", "mqueue", "hugetlbfs", "fusectl", "configfs", "autofs",
        "binfmt_misc", "efivarfs", "nsfs", "squashfs", "rpc_pipefs", "nfsd", "overlay"};
    if (types.contains(v.fsType.toLower())) return true;
    for (const char* system : {"/proc", "/sys", "/dev", "/run"})
        if (under(v.root, system) && !under(v.root, "/run/media")) return true;
    return false;
}

} // namespace

bool isSongFile(const QString& name)
{
    if (name.isEmpty() || name.startsWith('.')) return false;
    for (const char* ext : {".mid", ".kar", ".rmi"})
        if (name.endsWith(QLatin1String(ext), Qt::CaseInsensitive)) return true;
    return false;
}

QStringList songFiles(const QString& folder)
{
    if (!folderUsable(folder)) return {};
    QStringList songs = QDir(folder).entryList(QDir::Files, kByName);
    songs.removeIf([](const QString& name) { return !isSongFile(name); });
    return songs;
}

QStringList subfolders(const QString& folder)
{
    if (!folderUsable(folder)) return {};
    return QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, kByName);
}

QList<Volume> songVolumes(const QList<Volume>& mounted)
{
    QList<Volume> out;
    QSet<QString> seen;
    out.append(Volume{"/", {}, {}, true});
    seen.insert("/");
    for (const Volume& v : mounted) {
        if (v.root == "/") {
            out.front() = v;
            continue;
        }
        if (seen.contains(v.root) || pseudoVolume(v)) continue;
        seen.insert(v.root);
        out.append(v);
    }
    std::sort(out.begin() + 1, out.end(), [](const Volume& a, const Volume& b) { return a.root < b.root; });
    return out;
}

QList<Volume> mountedVolumes()
{
    QList<Volume> mounted;
    for (const QStorageInfo& s : QStorageInfo::mountedVolumes())
        mounted.append(Volume{s.rootPath(), s.name(), QString::fromLatin1(s.fileSystemType()), s.isReady()});
    return songVolumes(mounted);
}

QString volumeText(const Volume& v)
{
    return v.label.isEmpty() ? v.root : v.root + "  [" + v.label + "]";
}

QString volumeOf(const QString& path, const QStringList& roots)
{
    QString best = "/";
    for (const QString& r : roots)
        if (under(path, r) && r.size() > best.size()) best = r;
    return best;
}

bool folderUsable(const QString& folder)
{
    if (folder.isEmpty()) return false;
    const QFileInfo fi(folder);
    return fi.isDir() && fi.isReadable() && fi.isExecutable();
}

QString folderForVolume(const QString& root, const QString& currentDir)
{
    return folderUsable(root) ? root : currentDir;
}

QString nearestUsableFolder(const QString& folder)
{
    QString dir = QDir::cleanPath(QDir(folder).absolutePath());
    while (!folderUsable(dir) && dir != "/") {
        const QString up = QFileInfo(dir).path();
        if (up == dir) break;
        dir = up;
    }
    return dir;
}

QString startFolder(const QString& savedDir, const QString& currentDir)
{
    if (folderUsable(savedDir)) return QDir::cleanPath(QDir(savedDir).absolutePath());
    return nearestUsableFolder(currentDir);
}

QStringList folderChain(const QString& folder, const QString& root)
{
    const QString top = under(folder, root) ? root : QString("/");
    QStringList chain{top};
    const QStringList parts = folder.mid(top.size()).split('/', Qt::SkipEmptyParts);
    QString path = top;
    for (const QString& part : parts) {
        path = joinPath(path, part);
        chain.append(path);
    }
    return chain;
}

QString joinPath(const QString& folder, const QString& name)
{
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

} // namespace lirmus
