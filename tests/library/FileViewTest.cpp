#include "FileView.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace lirmus;

namespace {

void touch(const QString& path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
}

} // namespace

TEST(FileView, SongFilesByExtensionInAnyCase)
{
    for (const char* song : {"a.mid", "B.MID", "c.Kar", "d.KAR", "e.rmi", "f.RMI", "with space.Mid", "x.y.kar"})
        EXPECT_TRUE(isSongFile(song)) << song;
    for (const char* other : {"notes.txt", "mid", "kar", "song", ".mid", ".hidden.kar", "a.mid.txt",
                              "a.midi", "a.mid~", "amid", ""})
        EXPECT_FALSE(isSongFile(other)) << other;
}

TEST(FileView, FolderListsOnlyVisibleSongsSortedByName)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString dir = tmp.path();
    for (const char* name : {"Zed.mid", "apple.kar", "B.Kar", "c.rmi", "a.MID", "readme.txt", "noext",
                             ".hidden.mid", "cover.jpg"})
        touch(dir + "/" + name);
    ASSERT_TRUE(QDir(dir).mkdir("folder.mid")); // a folder is never a song
    ASSERT_TRUE(QDir(dir).mkdir(".cache"));
    ASSERT_TRUE(QDir(dir).mkdir("Pop"));
    EXPECT_EQ(songFiles(dir), (QStringList{"a.MID", "apple.kar", "B.Kar", "c.rmi", "Zed.mid"}));
    EXPECT_EQ(subfolders(dir), (QStringList{"folder.mid", "Pop"}));

    // An empty folder, one without songs and one that is gone all give no songs.
    EXPECT_TRUE(songFiles(dir + "/Pop").isEmpty());
    touch(dir + "/Pop/lyrics.txt");
    EXPECT_TRUE(songFiles(dir + "/Pop").isEmpty());
    EXPECT_TRUE(songFiles(dir + "/gone").isEmpty());
    EXPECT_TRUE(subfolders(dir + "/gone").isEmpty());
    EXPECT_TRUE(songFiles(dir + "/readme.txt").isEmpty());
}

TEST(FileView, VolumesLeaveOutSystemFileSystems)
{
    const QList<Volume> mounted = {
        {"/media/usb", "STICK", "vfat", true}, {"/proc", "", "proc", true},
        {"/dev/shm", "", "tmpfs", true},      {"/", "", "ext4", true},
        {"/home", "", "ext4", true},          {"/home", "", "ext4", true}, // bind mount seen twice
        {"/run/user/1000", "", "ext4", true}, {"/run/media/anna/CD", "CD", "iso9660", false},
        {"/snap/core/1", "", "squashfs", true}};
    QStringList roots;
    for (const Volume& v : songVolumes(mounted)) roots << v.root;
    EXPECT_EQ(roots, (QStringList{"/", "/home", "/media/usb", "/run/media/anna/CD"}));
    // The root is always offered, first.
    EXPECT_EQ(songVolumes({}).size(), 1);
    EXPECT_EQ(songVolumes({}).front().root, QString("/"));

    EXPECT_EQ(volumeText({"/media/usb", "STICK", "vfat", true}), QString("/media/usb  [STICK]"));
    EXPECT_EQ(volumeText({"/", "", "ext4", true}), QString("/"));

    const QStringList known{"/", "/media/usb", "/home"};
    EXPECT_EQ(volumeOf("/media/usb/songs/a.kar", known), QString("/media/usb"));
    EXPECT_EQ(volumeOf("/media/usb", known), QString("/media/usb"));
    EXPECT_EQ(volumeOf("/media/usb2/songs", known), QString("/"));
    EXPECT_EQ(volumeOf("/tmp", {}), QString("/"));
}

TEST(FileView, UnusableVolumeOrFolderFallsBack)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString cwd = tmp.path();
    const QString songs = cwd + "/songs";
    ASSERT_TRUE(QDir().mkpath(songs + "/deep"));
    touch(cwd + "/file.kar");

    EXPECT_EQ(folderForVolume(songs, cwd), songs);
    EXPECT_EQ(folderForVolume("/no/such/volume", cwd), cwd);
    EXPECT_EQ(folderForVolume("", cwd), cwd);

    EXPECT_EQ(startFolder(songs, cwd), songs);
    EXPECT_EQ(startFolder(songs + "/", cwd), songs);
    EXPECT_EQ(startFolder("", cwd), cwd);
    EXPECT_EQ(startFolder(cwd + "/gone", cwd), cwd);
    EXPECT_EQ(startFolder(cwd + "/file.kar", cwd), cwd);
    EXPECT_EQ(startFolder("C:\\Songs", cwd), cwd); // a folder saved on another system
    // Even the program's folder may have gone: the nearest folder above it is used.
    EXPECT_EQ(startFolder("", songs + "/gone/too"), songs);
    EXPECT_EQ(nearestUsableFolder(songs + "/deep/x/y"), songs + "/deep");
    EXPECT_EQ(nearestUsableFolder("/"), QString("/"));
}

TEST(FileView, FolderChainRunsFromTheVolumeRoot)
{
    EXPECT_EQ(folderChain("/a/b/c", "/"), (QStringList{"/", "/a", "/a/b", "/a/b/c"}));
    EXPECT_EQ(folderChain("/media/usb/pop", "/media/usb"), (QStringList{"/media/usb", "/media/usb/pop"}));
    EXPECT_EQ(folderChain("/media/usb2", "/media/usb"), (QStringList{"/", "/media", "/media/usb2"}));
    EXPECT_EQ(folderChain("/", "/"), (QStringList{"/"}));
    EXPECT_EQ(joinPath("/", "a.kar"), QString("/a.kar"));
    EXPECT_EQ(joinPath("/songs", "a.kar"), QString("/songs/a.kar"));
}
