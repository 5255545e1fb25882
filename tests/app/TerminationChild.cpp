// A program for the termination tests: it changes two settings (one when its
// window closes) and waits for a signal. Arguments: the settings file, then
// "hook" (quit on SIGTERM/SIGINT), "refuse" (hook, and the window refuses to
// close) or "none" (no hook: the signal's default action).
#include "SettingsService.h"
#include "Termination.h"

#include <QApplication>
#include <QCloseEvent>
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
    std::puts("ready");
    std::fflush(stdout);
    return QApplication::exec();
}
