#pragma once
// A real song playing through the player, the player window and the channel
// monitor onto a test device, on a manual clock: the test moves song time on
// and the reports reach the dispatcher through the window event loop.
#include "Clock.h"
#include "ControllerTable.h"
#include "Player.h"
#include "Settings.h"
#include "TestDevice.h"
#include "frmIndic.h"
#include "frmPlay.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <memory>
#include <string>

namespace lirmus::test {

struct LiveSong {
    ManualClock clock;
    TestDevice device;
    Settings settings;
    ControllerTable table = defaultControllerTable();
    std::unique_ptr<Player> player;
    std::unique_ptr<frmPlay> play;
    std::unique_ptr<frmIndic> monitor;
    long playedMs = 0;

    /// Loads and starts the file (no cue: it plays at once); false when it could not be loaded.
    bool start(const std::string& file)
    {
        settings.AutoStart = false;
        player = std::make_unique<Player>(settings, table, &clock);
        player->output().useTestDevice(&device);
        player->openOutput();
        play = std::make_unique<frmPlay>(*player);
        monitor = std::make_unique<frmIndic>(*player);
        player->hub().attachMonitor(monitor.get());
        player->chooseSong(QString::fromStdString(file), 0);
        player->transport().Start_Play();
        // Let the pump hand the whole queue over before song time moves.
        QElapsedTimer t;
        t.start();
        while ((player->flags().QueueBuilding || player->state().NextToSend <= player->song().queue.MsgCount) &&
               t.elapsed() < 20000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        settle();
        return player->song().queue.MsgCount > 0;
    }
    ~LiveSong()
    {
        if (player) player->hub().attachMonitor(nullptr);
    }
    /// Runs the posted reports until nothing more arrives.
    void settle()
    {
        for (int quiet = 0; quiet < 3;) {
            const size_t before = device.count();
            const long index = player->state().CurrentIndex;
            QCoreApplication::processEvents();
            quiet = before == device.count() && index == player->state().CurrentIndex ? quiet + 1 : 0;
        }
    }
    /// Moves the song on to ms (from the start of the output), in 50 ms steps.
    void playTo(long ms)
    {
        for (; playedMs < ms; playedMs += 50) {
            clock.advance(50);
            settle();
        }
    }
    /// Messages recorded from position `from` on.
    std::vector<std::string> sentSince(size_t from) const
    {
        std::vector<std::string> v;
        const std::vector<SentMessage> all = device.messages();
        for (size_t i = from; i < all.size(); ++i) v.push_back(all[i].bytes);
        return v;
    }
};

} // namespace lirmus::test
