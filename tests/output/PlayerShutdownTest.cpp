// A player that goes while its output is still reporting: nothing may reach
// it afterwards (run it under AddressSanitizer to see a late report).
#include "ControllerTable.h"
#include "Player.h"
#include "Settings.h"
#include "SmfWriter.h"
#include "TestDevice.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <memory>

using namespace lirmus;

TEST(PlayerShutdown, APlayerDestroyedWhileReportsAreInFlightReceivesNoneOfThem)
{
    // Two hundred notes a second: the scheduler reports without pause.
    test::SmfWriter smf(1, 500);
    test::SmfTrack& t = smf.track().tempo(0, 500000);
    for (int i = 0; i < 4000; ++i) t.note(i == 0 ? 0 : 3, i % 16, 60, 100).noteOff(2, i % 16, 60);
    t.end();
    const std::string path = test::tempDir() + "dense.mid";
    ASSERT_TRUE(smf.save(path));

    Settings settings;
    settings.AutoStart = false;
    ControllerTable controllers = defaultControllerTable();
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        TestDevice device;
        auto player = std::make_unique<Player>(settings, controllers);
        player->output().useTestDevice(&device);
        player->openOutput();
        player->playSong(QString::fromStdString(path), 0);
        // Some reports delivered, many more on their way.
        QElapsedTimer e;
        e.start();
        while (player->state().CurrentIndex < 20 && e.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        ASSERT_GE(player->state().CurrentIndex, 20);
        QThread::msleep(5 * round); // the scheduler keeps sending meanwhile
        player.reset();
        // Whatever was posted for the player is dropped with it.
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents();
    }
}
