#include "frmDataGrid.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <map>
#include <utility>
#include <vector>

using namespace lirmus;

namespace {

void touch(const QString& path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
}

struct Chosen {
    QString path;
    int transpose;
    bool operator==(const Chosen&) const = default;
};

// A browser over a folder tree of its own, with the settings in memory.
struct Browser {
    QTemporaryDir tmp;
    QString songs, pop, empty, texts;
    std::map<QString, QString> settings;
    std::vector<std::pair<QString, QString>> writes;
    std::vector<Chosen> chosen;
    QList<Volume> volumes;
    frmDataGrid w;

    Browser()
    {
        songs = tmp.path() + "/songs";
        pop = songs + "/Pop";
        empty = songs + "/Empty";
        texts = songs + "/Texts";
        for (const QString& d : {pop, empty, texts}) QDir().mkpath(d);
        for (const char* name : {"b.KAR", "a.mid", "notes.txt", ".hidden.kar"}) touch(songs + "/" + name);
        for (const char* name : {"Volare.Kar", "Azzurro.mid", "c.rmi"}) touch(pop + "/" + name);
        touch(texts + "/lyrics.txt");
        volumes = {{"/", "", "ext4", true}, {tmp.path(), "SONGS", "vfat", true}};
        w.listVolumes = [this] { return volumes; };
        w.readSetting = [this](const QString& key) { return settings.count(key) ? settings[key] : QString(); };
        w.writeSetting = [this](const QString& key, const QString& value) { writes.emplace_back(key, value); };
        QObject::connect(&w, &frmDataGrid::songChosen,
                         [this](const QString& path, int transpose) { chosen.push_back({path, transpose}); });
    }

    void load(const QString& curDir)
    {
        settings["CurDir"] = curDir;
        w.Form_Load();
        w.resize(600, 300);
        w.show();
        QCoreApplication::processEvents();
    }

    QStringList files() const
    {
        QStringList names;
        for (int i = 0; i < w.filFiles->count(); ++i) names << w.filFiles->item(i)->text();
        return names;
    }

    void key(QWidget* target, int k)
    {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &press);
    }

    void pick(const QString& name)
    {
        const auto found = w.filFiles->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        w.filFiles->setCurrentItem(found.front());
    }

    void doubleClickFile(const QString& name)
    {
        const auto found = w.filFiles->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        QWidget* vp = w.filFiles->viewport();
        const QPointF at = w.filFiles->visualItemRect(found.front()).center();
        for (QEvent::Type t : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                               QEvent::MouseButtonRelease}) {
            QMouseEvent e(t, at, vp->mapToGlobal(at), Qt::LeftButton,
                          t == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(vp, &e);
        }
    }

    QTreeWidgetItem* folderItem(const QString& path)
    {
        for (QTreeWidgetItemIterator it(w.dirFiles); *it; ++it)
            if ((*it)->data(0, Qt::UserRole).toString() == path) return *it;
        return nullptr;
    }

    // The user picks a volume in the drive list.
    void chooseVolume(const QString& root)
    {
        w.drvFiles->showPopup();
        w.drvFiles->hidePopup();
        const int i = w.drvFiles->findData(root);
        ASSERT_GE(i, 0) << root.toStdString();
        w.drvFiles->setCurrentIndex(i);
        emit w.drvFiles->activated(i);
    }
};

} // namespace

TEST(Browser, LoadShowsTheSavedFolderWithoutWritingIt)
{
    Browser b;
    b.settings["DBorFiles"] = "1";
    b.load(b.songs);
    EXPECT_EQ(b.w.windowTitle(), QString("Files"));
    EXPECT_EQ(b.w.filesPath(), b.songs);
    EXPECT_EQ(b.files(), (QStringList{"a.mid", "b.KAR"}));
    EXPECT_EQ(b.w.filFiles->toolTip(), QString("Press F5 to load"));
    EXPECT_EQ(b.w.drvFiles->currentData().toString(), b.tmp.path());
    EXPECT_EQ(b.w.drvFiles->currentText(), b.tmp.path() + "  [SONGS]");
    // The folder list: the volume root, the folder, then its subfolders.
    ASSERT_NE(b.folderItem(b.tmp.path()), nullptr);
    EXPECT_EQ(b.w.dirFiles->currentItem(), b.folderItem(b.songs));
    EXPECT_EQ(b.folderItem(b.songs)->childCount(), 3);
    // The view is kept for the library; until then the file view shows.
    EXPECT_EQ(b.w.DBorFiles(), 1);
    EXPECT_FALSE(b.w.optDBFile->isEnabled());
    EXPECT_FALSE(b.w.optDBFile->isChecked());
    EXPECT_TRUE(b.w.picFiles->isVisible());
    EXPECT_TRUE(b.writes.empty());
}

TEST(Browser, MissingOrGoneSavedFolderStartsInTheProgramFolder)
{
    for (const QString& saved : {QString(), QString("/no/such/folder"), QString("D:\\Karaoke")}) {
        Browser b;
        b.load(saved);
        EXPECT_EQ(b.w.filesPath(), QDir::currentPath()) << saved.toStdString();
        EXPECT_TRUE(b.writes.empty());
    }
}

TEST(Browser, FolderChangesFillTheListAndSaveCurDirEvenWhenEmpty)
{
    Browser b;
    b.load(b.songs);
    // Enter on a subfolder opens it.
    b.w.dirFiles->setCurrentItem(b.folderItem(b.pop));
    b.key(b.w.dirFiles, Qt::Key_Return);
    EXPECT_EQ(b.w.filesPath(), b.pop);
    EXPECT_EQ(b.files(), (QStringList{"Azzurro.mid", "c.rmi", "Volare.Kar"}));
    // Back up through the folder chain.
    emit b.w.dirFiles->itemActivated(b.folderItem(b.tmp.path()), 0);
    EXPECT_EQ(b.w.filesPath(), b.tmp.path());
    EXPECT_TRUE(b.files().isEmpty());
    b.w.dirFiles_Change(b.empty);
    EXPECT_TRUE(b.files().isEmpty());
    b.w.dirFiles_Change(b.texts);
    EXPECT_TRUE(b.files().isEmpty());
    b.key(b.w.filFiles, Qt::Key_F5); // nothing there to play
    EXPECT_TRUE(b.chosen.empty());
    const std::vector<std::pair<QString, QString>> expected = {
        {"CurDir", b.pop}, {"CurDir", b.tmp.path()}, {"CurDir", b.empty}, {"CurDir", b.texts}};
    EXPECT_EQ(b.writes, expected);
}

TEST(Browser, ChosenVolumeOrProgramFolderWhenUnavailable)
{
    Browser b;
    b.load(b.pop);
    // Plugged in after load: the list reads the volumes again when it opens.
    b.volumes.append({"/no/such/volume", "GONE", "vfat", false});
    b.chooseVolume("/no/such/volume");
    EXPECT_EQ(b.w.filesPath(), QDir::currentPath());
    EXPECT_NE(b.w.drvFiles->currentData().toString(), QString("/no/such/volume"));
    b.chooseVolume(b.tmp.path());
    EXPECT_EQ(b.w.filesPath(), b.tmp.path());
    const std::vector<std::pair<QString, QString>> expected = {{"CurDir", QDir::currentPath()},
                                                               {"CurDir", b.tmp.path()}};
    EXPECT_EQ(b.writes, expected);
}

TEST(Browser, DoubleClickEnterAndF5HandTheSongOver)
{
    Browser b;
    b.load(b.pop);
    // Nothing selected: nothing to play.
    b.w.filFiles_DblClick();
    b.key(b.w.filFiles, Qt::Key_F5);
    EXPECT_TRUE(b.chosen.empty());

    b.doubleClickFile("Volare.Kar");
    b.pick("c.rmi");
    b.key(b.w.filFiles, Qt::Key_Return);
    b.key(b.w.filFiles, Qt::Key_Enter);
    b.pick("Azzurro.mid");
    b.key(b.w.filFiles, Qt::Key_F5);
    const std::vector<Chosen> expected = {
        {b.pop + "/Volare.Kar", 0}, {b.pop + "/c.rmi", 0}, {b.pop + "/c.rmi", 0}, {b.pop + "/Azzurro.mid", 0}};
    EXPECT_EQ(b.chosen, expected);
}

TEST(Browser, FolderRemovedWhileShownGivesWayToItsParent)
{
    Browser b;
    b.load(b.pop);
    b.pick("Volare.Kar");
    ASSERT_TRUE(QDir(b.pop).removeRecursively());
    // A song picked before the folder went is still handed over: the player reports it missing.
    b.key(b.w.filFiles, Qt::Key_F5);
    ASSERT_EQ(b.chosen.size(), 1u);
    b.w.refreshFiles();
    EXPECT_EQ(b.w.filesPath(), b.songs);
    EXPECT_EQ(b.files(), (QStringList{"a.mid", "b.KAR"}));
    EXPECT_EQ(b.folderItem(b.pop), nullptr);
    ASSERT_FALSE(b.writes.empty());
    EXPECT_EQ(b.writes.back(), std::make_pair(QString("CurDir"), b.songs));

    // Removed with everything above it, up to the volume.
    ASSERT_TRUE(QDir(b.songs).removeRecursively());
    b.w.refreshFiles();
    EXPECT_EQ(b.w.filesPath(), b.tmp.path());
    b.w.filFiles_DblClick();
    EXPECT_EQ(b.chosen.size(), 1u);
}

TEST(Browser, RefreshKeepsThePickedSong)
{
    Browser b;
    b.load(b.pop);
    b.pick("Volare.Kar");
    touch(b.pop + "/Arrivederci.kar");
    b.w.refreshFiles();
    EXPECT_EQ(b.files(), (QStringList{"Arrivederci.kar", "Azzurro.mid", "c.rmi", "Volare.Kar"}));
    b.w.filFiles_DblClick();
    ASSERT_EQ(b.chosen.size(), 1u);
    EXPECT_EQ(b.chosen.front().path, b.pop + "/Volare.Kar");
    EXPECT_TRUE(b.writes.empty());
}

TEST(Browser, FileViewFillsTheWindowWithoutOverlap)
{
    Browser b;
    b.load(b.pop);
    for (const QSize size : {QSize(600, 300), QSize(1000, 500), QSize(200, 120)}) {
        b.w.resize(size);
        QCoreApplication::processEvents();
        const QRect view = b.w.picFiles->geometry();
        const QRect drive = b.w.drvFiles->geometry(), dir = b.w.dirFiles->geometry(), files = b.w.filFiles->geometry();
        SCOPED_TRACE(size.width());
        EXPECT_TRUE(b.w.rect().contains(view));
        EXPECT_FALSE(view.intersects(b.w.picButtons->geometry()));
        EXPECT_LE(b.w.height() - view.bottom(), 8);
        for (const QRect& r : {drive, dir, files}) EXPECT_TRUE(QRect(QPoint(), view.size()).contains(r));
        EXPECT_FALSE(drive.intersects(dir));
        EXPECT_FALSE(dir.intersects(files));
        EXPECT_FALSE(drive.intersects(files));
        EXPECT_EQ(dir.width(), drive.width());
        EXPECT_EQ(files.right(), view.width() - 1);
        EXPECT_EQ(dir.bottom(), files.bottom());
        if (const QByteArray shots = qgetenv("LIRMUS_SHOTS_DIR"); !shots.isEmpty())
            b.w.grab().save(QString("%1/browser_%2x%3.png").arg(QString(shots)).arg(size.width()).arg(size.height()));
    }
}
