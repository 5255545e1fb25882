#include "ControllerTable.h"
#include "Settings.h"
#include "TestDevice.h"
#include "Player.h"
#include "frmPlay.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QThread>
#include <QTimer>

using namespace lirmus;

namespace {

struct Window {
    Settings settings;
    ControllerTable controllers = defaultControllerTable();
    TestDevice device;
    Player player{settings, controllers};
    frmPlay play{player};
    QStringList errors;

    /// Messages the player asks the application to show.
    struct Messages : NullDisplays {
        QStringList* errors;
        void showNotice(const QString& e) override
        {
            EXPECT_EQ(QThread::currentThread(), qApp->thread());
            *errors << e;
        }
    } app;

    Window()
    {
        app.errors = &errors;
        player.hub().attachApp(&app);
        player.MIDIOutput1.useTestDevice(&device);
    }

    // Runs window events until done() or a generous limit of events.
    template <typename F> void runUntil(F done)
    {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
};

} // namespace

TEST(PlayerWindow, OpensTheStoredDeviceAndShowsOutputErrorsOnTheWindowThread)
{
    Window w;
    w.settings.MIDIDEVICE = -1; // never chosen: the first entry, device -1
    w.player.openOutput();
    EXPECT_EQ(w.player.MIDIOutput1.State(), 1);
    EXPECT_EQ(w.player.MIDIOutput1.DeviceID(), -1);

    w.player.MIDIOutput1.useTestDevice(nullptr);
    w.player.MIDIOutput1.setDeviceID(99);
    w.player.MIDIOutput1.setAction(1);
    w.runUntil([&] { return !w.errors.isEmpty(); });
    ASSERT_EQ(w.errors.size(), 1);
}

TEST(PlayerWindow, TimerOutPumpsTheQueueAndTheLampTurnsGreen)
{
    Window w;
    w.player.openOutput();
    w.player.song.queue.create(10);
    for (int i = 0; i < 5; ++i) w.player.song.queue.add(i * 10, 0x90, 60 + i, 100);
    w.player.song.queue.add(60000, 0x80, 60, 0); // the song goes on: its end is not handed over yet
    w.player.state.NextToSend = 1;
    w.player.state.LastToSend = 5;
    w.player.state.TimerOutOn = true;
    w.play.TimerOut->start();
    w.runUntil([&] { return w.device.count() == 5; });
    EXPECT_EQ(w.device.count(), 5u);
    EXPECT_FALSE(w.play.TimerOut->isActive());
    EXPECT_TRUE(w.play.Timer1->isActive());
    EXPECT_EQ(w.play.lblWarn->palette().color(QPalette::Window), QColor(0, 255, 0));
    w.player.MIDIOutput1.setAction(5);
}
