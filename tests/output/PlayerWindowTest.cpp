#include "ControllerTable.h"
#include "Settings.h"
#include "TestDevice.h"
#include "Player.h"
#include "SmfWriter.h"
#include "frmPlay.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
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
        player.output().useTestDevice(&device);
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
    EXPECT_EQ(w.player.output().State(), 1);
    EXPECT_EQ(w.player.output().DeviceID(), -1);

    w.player.output().useTestDevice(nullptr);
    w.player.output().setDeviceID(99);
    w.player.output().setAction(1);
    w.runUntil([&] { return !w.errors.isEmpty(); });
    ASSERT_EQ(w.errors.size(), 1);
}

TEST(PlayerWindow, TheTimersOfThePlayerPumpASongAndTheLampTurnsGreen)
{
    test::SmfWriter smf(1, 500); // one tick a millisecond at 120 bpm
    test::SmfTrack& t = smf.track().tempo(0, 500000);
    for (int i = 0; i < 5; ++i) t.note(i == 0 ? 0 : 10, 0, 60 + i, 100);
    t.noteOff(60000, 0, 60).end(); // the song goes on long after its notes
    const std::string path = test::tempDir() + "pumped.mid";
    ASSERT_TRUE(smf.save(path));

    Window w;
    w.settings.AutoStart = false;
    w.player.openOutput();
    w.player.playSong(QString::fromStdString(path), 0);
    auto notes = [&w] {
        size_t n = 0;
        for (const SentMessage& m : w.device.messages()) n += (uint8_t(m.bytes[0]) & 0xF0) == 0x90;
        return n;
    };
    w.runUntil([&] { return notes() >= 5; });
    EXPECT_EQ(notes(), 5u);
    EXPECT_FALSE(w.player.state().TimerOutOn) << "everything is handed over";
    EXPECT_TRUE(w.player.state().Timer1On) << "the display timer runs while the song plays";
    EXPECT_EQ(w.play.lblWarn->palette().color(QPalette::Window), QColor(0, 255, 0));
    EXPECT_EQ(w.play.windowTitle(), "Play: " + QString::fromStdString(path));
    w.player.transport().cmdStop_Click();
    EXPECT_FALSE(w.player.state().Timer1On);
}

TEST(PlayerWindow, ASongStartsWithItsSavedTempoAndTheButtonAsksToKeepIt)
{
    test::SmfWriter smf(1, 480);
    smf.track().tempo(0, 500000).note(0, 0, 60, 100).noteOff(4800, 0, 60).end();
    const std::string path = test::tempDir() + "saved.mid";
    ASSERT_TRUE(smf.save(path));
    Window w;
    w.settings.AutoStart = true; // cued, waiting for Play
    w.settings.KeyChange = 1;
    w.settings.TempoChange = 5;
    EXPECT_FALSE(w.play.cmdSaveKey->isEnabled()) << "no song yet";
    w.player.openOutput();
    w.player.playSong(QString::fromStdString(path), 2, QString(), 20);
    EXPECT_EQ(w.player.state().Transpose, 3);
    EXPECT_EQ(w.player.state().SongTempoChange, 20);
    EXPECT_TRUE(w.play.cmdSaveKey->isEnabled());
    int asked = 0;
    QObject::connect(&w.play, &frmPlay::saveKeyAndTempoRequested, [&] { ++asked; });
    w.play.cmdSaveKey->click();
    EXPECT_EQ(asked, 1);
    w.player.playSong(QString::fromStdString(path), 0);
    EXPECT_EQ(w.player.state().SongTempoChange, 5) << "no saved tempo: the options' tempo";
    EXPECT_EQ(w.player.state().Transpose, 1);
    w.player.transport().cmdStop_Click();
}
