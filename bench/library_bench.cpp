// lirmus-bench-library [FOLDER [SONGS [PNG]]]: a library of 100,000 songs, then the user's
// steps on it through the browser: open to the first rows shown, count and
// caption, a header sort, a find and a find next, search as you type, and the import of a folder
// tree of 10,000 small song files with their lyrics indexed, plainly and through the import
// window's job, the lyrics search in the index and in the grid, and the
// repair on a worker. Prints milliseconds, the longest stall of the event loop meanwhile
// and the peak memory.
#include "LibraryImport.h"
#include "SmfWriter.h"
#include "SongDetails.h"
#include "SongLibrary.h"
#include "SongTableModel.h"
#include "Jobs.h"
#include "frmDataGrid.h"
#include "frmImport.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

using namespace lirmus;

namespace {

long peakKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

// The longest time the event loop went without a turn while a job ran.
struct LoopStall {
    QElapsedTimer clock;
    qint64 last = 0, worst = 0;
    QTimer beat;
    LoopStall()
    {
        clock.start();
        beat.setInterval(1);
        QObject::connect(&beat, &QTimer::timeout, [this] {
            const qint64 now = clock.nsecsElapsed();
            worst = std::max(worst, now - last);
            last = now;
        });
        beat.start();
    }
    double ms() const { return worst / 1e6; }
};

// The words of song i: 150 of a vocabulary of 2,000, every 1000th song with a line to find.
QStringList lyricWords(int i)
{
    QStringList words;
    quint32 x = quint32(i) * 2654435761u + 1;
    for (int k = 0; k < 150; ++k) {
        x = x * 1103515245u + 12345u;
        const int w = int((x >> 8) % 2000);
        words << QString("%1%2").arg(QChar('a' + w % 26)).arg(QString::number(w, 36));
    }
    if (i % 1000 == 0) words << "shining" << "golden" << "river";
    return words;
}

// A small karaoke song of its own bytes: its lyrics as 150 syllables with notes.
std::string songBytes(int i)
{
    lirmus::test::SmfWriter smf(1, 480);
    smf.track().text(0, 3, "Song " + std::to_string(i)).text(0, 1, "@TSong " + std::to_string(i)).tempo(0, 500000).end();
    lirmus::test::SmfTrack& t = smf.track();
    for (const QString& w : lyricWords(i)) t.text(120, 5, (w + " ").toStdString()).note(0, 0, 60, 90).noteOff(100, 0, 60);
    t.end();
    return smf.bytes();
}

void report(const char* what, double ms, const char* goal)
{
    std::printf("%-44s %9.1f ms   (goal %s)\n", what, ms, goal);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString dir = argc > 1 ? QString(argv[1]) : QString::fromStdString(lirmus::test::tempDir());
    QDir().mkpath(dir);
    const QString db = dir + "/bench.db";
    QFile::remove(db);
    const QString schema = QString(LIRMUS_SOURCE_DIR) + "/data/library.sql";
    DbError e;
    if (!createLibraryFromSchema(schema, db, &e)) {
        std::fprintf(stderr, "cannot make the library: %s\n", qPrintable(e.text()));
        return 1;
    }

    const int songs = argc > 2 ? atoi(argv[2]) : 100000;
    QElapsedTimer t;
    t.start();
    {
        SongLibrary lib;
        lib.open(db, &e);
        lib.begin(&e);
        for (int i = 0; i < songs; ++i) {
            const int author = int((qint64(i) * 7919) % 2500);
            lib.insertSong({QString("Song title %1 of the evening").arg(int((qint64(i) * 104729) % songs), 6, 10, QChar('0')),
                            QString("Singer %1").arg(author), QString("Category %1").arg(author % 40), 0,
                            QString("/home/karaoke/Songs/Category %1/Singer %2/Song %3.kar").arg(author % 40).arg(author).arg(i)},
                           &e);
        }
        lib.commit(&e);
        // Every song with its lyrics in the index, as an import leaves them.
        DetailsWriter details(lib);
        lib.begin(&e);
        for (int i = 0; i < songs; ++i) {
            const int author = int((qint64(i) * 7919) % 2500);
            SongContent c;
            c.kind = SongContent::Kind::Song;
            c.hash = QByteArray::number(i);
            c.lyrics = lyricWords(i).join(' ');
            details.store(QString("/home/karaoke/Songs/Category %1/Singer %2/Song %3.kar").arg(author % 40).arg(author).arg(i),
                          c, &e);
        }
        lib.commit(&e);
    }
    std::printf("library of %d songs with their lyrics written in %.0f ms\n", songs, double(t.elapsed()));

    frmDataGrid w;
    w.dialogs.message = [](const QString& text, LibraryDialogs::Icon) { std::printf("message: %s\n", qPrintable(text)); };
    QString answer;
    w.dialogs.input = [&](const QString&, const QString&, const QString&) { return answer; };
    w.resize(900, 500);
    w.optDBFile->setEnabled(true);
    w.optDBFile->setChecked(true);
    w.show();
    QCoreApplication::processEvents();

    w.CurDB = db;
    w.CurRecordSource = kDefaultRecordSource;
    t.start();
    w.CaricaDB();
    w.grdData->viewport()->repaint();
    report("open to the first rows shown", t.nsecsElapsed() / 1e6, "< 30 ms");

    t.start();
    w.RifaiCaptionDB();
    report("record count and caption", t.nsecsElapsed() / 1e6, "< 100 ms");
    std::printf("  caption: %s\n", qPrintable(w.windowTitle()));

    t.start();
    w.SortRecordset("[Name]");
    w.grdData->viewport()->repaint();
    report("header sort at once after open (reads rest)", t.nsecsElapsed() / 1e6, "< 150 ms");

    // Normally the rest of the rows is read in idle moments right after the first ones are shown.
    w.CaricaDB();
    t.start();
    w.songs()->fetchAll();
    report("reading the other rows in idle moments", t.nsecsElapsed() / 1e6, "-");
    t.start();
    w.SortRecordset("[Name]");
    w.grdData->viewport()->repaint();
    report("header sort on Name", t.nsecsElapsed() / 1e6, "< 150 ms");
    t.start();
    w.SortRecordset("[Author] desc");
    w.grdData->viewport()->repaint();
    report("header sort on Author, descending", t.nsecsElapsed() / 1e6, "< 150 ms");

    w.grdData->setCurrentIndex(w.songs()->index(0, 0));
    answer = "title 0999*evening";
    t.start();
    w.FindInColumn("");
    report("find in Name", t.nsecsElapsed() / 1e6, "< 150 ms");
    std::printf("  found at row %d\n", w.grdData->currentIndex().row());
    t.start();
    w.FindNext();
    report("find next", t.nsecsElapsed() / 1e6, "< 150 ms");
    std::printf("  found at row %d\n", w.grdData->currentIndex().row());
    answer = "no such song";
    w.dialogs.message = [](const QString&, LibraryDialogs::Icon) {};
    t.start();
    w.FindInColumn("");
    report("find with no match (every row)", t.nsecsElapsed() / 1e6, "< 150 ms");

    // Search as you type, key by key, each timed to its rows painted.
    auto typeKeys = [&](const QString& typed, const char* label) {
        double worst = 0, total = 0;
        for (int k = 1; k <= typed.size(); ++k) {
            t.start();
            w.txtFilter->setText(typed.left(k));
            w.grdData->viewport()->repaint();
            const double ms = t.nsecsElapsed() / 1e6;
            worst = std::max(worst, ms);
            total += ms;
            std::printf("    \"%s\" %9.1f ms  %6d rows\n", qPrintable(typed.left(k)), ms, w.songs()->rowCount());
        }
        std::printf("%-44s %9.1f ms   (goal < 50 ms; mean %.1f ms)\n", label, worst, total / typed.size());
        std::printf("  caption: %s\n", qPrintable(w.windowTitle()));
        t.start();
        w.txtFilter->clear();
        w.grdData->viewport()->repaint();
        report("Esc: every row again", t.nsecsElapsed() / 1e6, "< 50 ms");
    };
    w.CaricaDB();
    t.start();
    w.focusFilter();
    report("Ctrl+K on a fresh open (rows read, text folded)", t.nsecsElapsed() / 1e6, "-");
    typeKeys("singer 12 even", "filter: slowest key, typing on");
    w.txtFilter->setText("singer 12 evening");
    t.start();
    w.txtFilter->setText("singer 12 evenin"); // a key taken back tests every row again
    w.grdData->viewport()->repaint();
    report("filter: a key taken back (Backspace)", t.nsecsElapsed() / 1e6, "< 50 ms");
    t.start();
    w.txtFilter->setText("title 000123");
    w.grdData->viewport()->repaint();
    report("filter: text pasted at once", t.nsecsElapsed() / 1e6, "< 50 ms");
    if (argc > 3) w.grab().save(argv[3]); // the grid filtered, to look at
    w.txtFilter->clear();
    w.CaricaDB();
    t.start();
    while (!w.songs()->allPrepared()) QCoreApplication::processEvents();
    report("rows read and folded in idle moments after open", t.nsecsElapsed() / 1e6, "-");
    typeKeys("CATÉGORY 7 singer", "filter: slowest key, after the idle reading");
    w.txtFilter->clear();
    w.CaricaDB();
    typeKeys("Évening 0001", "filter: slowest key, typed at once after open");
    std::printf("%-44s %9.1f MB\n", "peak memory so far", peakKb() / 1024.0);

    // Lyrics: the index alone, then the grid's filter box with "Lyrics" ticked.
    {
        std::vector<QString> found;
        double worst = 0;
        for (const char* words : {"shining golden river", "golden river", "a1 b1"}) {
            t.start();
            findLyrics(w.library(), words, false, &found, &e);
            const double ms = t.nsecsElapsed() / 1e6;
            worst = std::max(worst, ms);
            std::printf("    lyrics \"%s\" %9.1f ms  %6zu songs\n", words, ms, found.size());
        }
        report("lyrics search in the index, slowest", worst, "< 20 ms");
        w.txtFilter->clear();
        w.chkLyrics->setChecked(true);
        t.start();
        w.txtFilter->setText("shining golden river");
        w.grdData->viewport()->repaint();
        report("lyrics filter: phrase pasted, rows shown", t.nsecsElapsed() / 1e6, "< 20 ms");
        std::printf("  caption: %s\n", qPrintable(w.windowTitle()));
        w.txtFilter->clear();
        typeKeys("shining golden", "lyrics filter: slowest key, typing on");
        w.chkLyrics->setChecked(false);
    }

    // 10,000 small karaoke songs, each its own, in 100 folders of 100.
    const QString tree = dir + "/tree";
    t.start();
    for (int f = 0; f < 100; ++f) {
        const QString folder = tree + QString("/Category %1/Singer %2").arg(f % 10).arg(f);
        QDir().mkpath(folder);
        for (int i = 0; i < 100; ++i)
            lirmus::test::writeFile((folder + QString("/Song %1.mid").arg(i)).toStdString(), songBytes(f * 100 + i));
    }
    std::printf("10,000 song files written in %.0f ms\n", double(t.elapsed()));
    t.start();
    ImportList list = listSubFolders(tree);
    const double scanMs = t.nsecsElapsed() / 1e6;
    SongImporter importer;
    ImportCounts counts;
    importer.run(w.library(), list, tree, true, {}, {}, &counts, &e);
    const double ms = t.nsecsElapsed() / 1e6;
    std::printf("%-44s %9.1f ms   (scan %.1f ms, %d added)\n", "import of 10,000 files in a folder tree", ms, scanMs,
                counts.added);
    std::printf("%-44s %9.0f files/s (goal > 1000, lyrics indexed)\n", "import rate", counts.added / (ms / 1000.0));

    // The same again through the import window: a few files per turn of the event loop.
    {
        t.start();
        QDir().rename(tree, dir + "/tree2"); // new paths, so every file is added again
        frmImport dlg(w.library(), dir + "/tree2", w.dialogs);
        dlg.chkFolders->setChecked(true);
        dlg.chkCopies->setChecked(true); // the same bytes as the songs just imported
        dlg.chkTitles->setChecked(true);
        while (dlg.scanning()) QCoreApplication::processEvents();
        LoopStall stall;
        dlg.cmdOK_Click();
        while (dlg.importing()) QCoreApplication::processEvents();
        const double windowMs = t.nsecsElapsed() / 1e6;
        std::printf("%-44s %9.1f ms   (%s added; longest event loop stall %.1f ms)\n",
                    "import window, 10,000 files, scan included", windowMs, qPrintable(dlg.lblImported->text()), stall.ms());
        QDir(dir + "/tree2").removeRecursively();
    }
    // Repair and compact of the whole library on a worker thread.
    {
        w.dialogs.chooseFile = [&](const LibraryDialogs::FileChoice&) { return db; };
        LoopStall stall;
        t.start();
        w.DB_Repair();
        while (w.repairing()) QCoreApplication::processEvents();
        std::printf("%-44s %9.1f ms   (%lld rows shown at once; longest event loop stall %.1f ms)\n",
                    "repair & compact, reload included", t.nsecsElapsed() / 1e6, (long long)w.songs()->rowCount(), stall.ms());
    }
    std::printf("%-44s %9.1f MB   (goal < 200 MB)\n", "peak memory", peakKb() / 1024.0);
    QDir(tree).removeRecursively();
    QFile::remove(db);
    return 0;
}
