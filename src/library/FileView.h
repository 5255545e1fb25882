#pragma once
// What the browser's file view shows, without a window: which files are
// songs, which volumes stand in for drives, which folder to show when the
// saved one or a chosen volume cannot be used.
#include <QList>
#include <QString>
#include <QStringList>

namespace lirmus {

/// A mounted volume as the drive list offers it.
struct Volume {
    QString root;     ///< mount point, e.g. "/" or "/media/usb"
    QString label;    ///< the volume's own name, "" when it has none
    QString fsType;   ///< file system type, e.g. "ext4", "tmpfs"
    bool ready = true;
};

/// True for a visible .mid, .kar or .rmi file name (any letter case).
bool isSongFile(const QString& name);

/// The songs in folder, file names only, sorted by name without regard to
/// case; empty when the folder is missing or unreadable.
QStringList songFiles(const QString& folder);

/// The visible subfolders of folder, names only, sorted as songFiles.
QStringList subfolders(const QString& folder);

/// The volumes worth offering: "/" first, then real file systems by mount
/// point; kernel and memory file systems are left out.
QList<Volume> songVolumes(const QList<Volume>& mounted);

/// The volumes mounted now, filtered by songVolumes.
QList<Volume> mountedVolumes();

/// The text the drive list shows for a volume.
QString volumeText(const Volume& v);

/// The root of the volume that holds path: the longest root that contains it, "/" when none.
QString volumeOf(const QString& path, const QStringList& roots);

/// True when folder is an existing directory that can be listed.
bool folderUsable(const QString& folder);

/// The folder to show for a chosen volume: its root when usable, else currentDir.
QString folderForVolume(const QString& root, const QString& currentDir);

/// The folder to start in: the saved one when usable, else currentDir, else
/// the nearest usable folder above currentDir.
QString startFolder(const QString& savedDir, const QString& currentDir);

/// folder itself when usable, else the nearest usable folder above it ("/" at worst).
QString nearestUsableFolder(const QString& folder);

/// The folders from the volume root down to folder, each a full path.
QStringList folderChain(const QString& folder, const QString& root);

/// folder + "/" + name, without doubling a separator the folder ends in.
QString joinPath(const QString& folder, const QString& name);

} // namespace lirmus
