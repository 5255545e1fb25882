// A program for the termination tests: it changes two settings (one when its
// window closes) and waits for a signal. Arguments: the settings file, then
// "hook" (quit on SIGTERM/SIGINT), "refuse" (hook, and the window refuses to
// close), "none" (no hook: the signal's default action) or "query" (hook, and
// a query that would run for long keeps the window thread busy; what it ended
// with is saved as [TEST] Query).
#include "SettingsService.h"
#include "SongLibrary.h"
#include "Termination.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

class Window : public QWidget {
public:
    Window(lirmus::SettingsService& ini, bool refuse) : ini_(ini), refuse_(refuse) {}

protected:
    void closeEvent(QCloseEvent* e) override
    {
        ini_.setBool("TEST", "Closed", true);
        if (refuse_) e->ignore();
        else e->accept();
    }

private:
    lirmus::SettingsService& ini_;
    bool refuse_;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) return 2;
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const std::string mode = argv[2];
    std::unique_ptr<lirmus::Termination> termination;
    if (mode != "none") termination = std::make_unique<lirmus::Termination>();

    // Only the final save writes: the writer thread never wakes within the test.
    lirmus::SettingsService ini(argv[1], std::chrono::hours(1));
    Window window(ini, mode == "refuse");
    window.show();
    ini.setString("OPTIONS", "KaraokeFont", "Signalled");
    // The hook is in place before the test may signal: a signal that comes
    // before the query starts still stops it, the flag it sets stays.
    if (mode == "query") termination->setSignalHook(&lirmus::SongLibrary::stopEveryQuery);
    std::puts("ready");
    std::fflush(stdout);
    if (mode == "query") {
        lirmus::SongLibrary library;
        lirmus::DbError err;
        long long n = 0;
        library.setWorkBudget(1'000'000'000); // some ten seconds
        QFile db(QString(argv[1]) + ".db"); // empty: a database without tables
        db.open(QIODevice::WriteOnly);
        db.close();
        if (library.open(db.fileName(), &err))
            library.count("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT x FROM c", &n, &err);
        ini.setString("TEST", "Query", err.description.toStdString());
    }
    return QApplication::exec();
}
