#include "ControllerTable.h"
#include "Settings.h"
#include "TestDevice.h"
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
    frmPlay play{settings, controllers};
    QStringList errors;

    Window()
    {
        play.showError = [this](const QString& e) {
            EXPECT_EQ(QThread::currentThread(), qApp->thread());
            errors << e;
        };
        play.MIDIOutput1.useTestDevice(&device);
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
    w.play.openOutput();
    EXPECT_EQ(w.play.MIDIOutput1.State(), 1);
    EXPECT_EQ(w.play.MIDIOutput1.DeviceID(), -1);

    w.play.MIDIOutput1.useTestDevice(nullptr);
    w.play.MIDIOutput1.setDeviceID(99);
    w.play.MIDIOutput1.setAction(1);
    w.runUntil([&] { return !w.errors.isEmpty(); });
    ASSERT_EQ(w.errors.size(), 1);
}

TEST(PlayerWindow, TimerOutPumpsTheQueueAndTheLampTurnsGreen)
{
    Window w;
    w.play.openOutput();
    w.play.song.queue.create(10);
    for (int i = 0; i < 5; ++i) w.play.song.queue.add(i * 10, 0x90, 60 + i, 100);
    w.play.player.NextToSend = 1;
    w.play.player.LastToSend = 5;
    w.play.player.TimerOutOn = true;
    w.play.TimerOut->start();
    w.runUntil([&] { return w.device.count() == 5; });
    EXPECT_EQ(w.device.count(), 5u);
    EXPECT_FALSE(w.play.TimerOut->isActive());
    EXPECT_TRUE(w.play.Timer1->isActive());
    EXPECT_EQ(w.play.lblWarn->palette().color(QPalette::Window), QColor(0, 255, 0));
    w.play.MIDIOutput1.setAction(5);
}
