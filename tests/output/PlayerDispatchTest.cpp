// The player window hands the output's reports to the dispatcher: a short
// song played through the pump moves the position display and the slider.
#include "ControllerTable.h"
#include "Player.h"
#include "Settings.h"
#include "TestDevice.h"
#include "frmPlay.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QSlider>
#include <QTimer>

using namespace lirmus;

TEST(PlayerDispatch, ReportsOfTheSongReachTheDisplaysThroughTheWindow)
{
    Settings settings;
    ControllerTable controllers = defaultControllerTable();
    TestDevice device;
    Player player{settings, controllers};
    frmPlay play{player};
    player.MIDIOutput1.useTestDevice(&device);
    player.openOutput();

    SongQueue& q = player.song.queue;
    q.create(8);
    for (int i = 0; i < 4; ++i) q.add(i * 100, 0x90, 60 + i, 100);
    q.add(400, 0x80, 63, 0);
    player.song.SongLength = 400;
    player.state.NextToSend = 1;
    player.state.LastToSend = q.MsgCount;
    player.state.TimerOutOn = true;
    play.TimerOut->start();

    QElapsedTimer t;
    t.start();
    while (player.state.CurrentIndex < 4 && t.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(player.state.CurrentIndex, 4);
    EXPECT_EQ(play.picTime[1]->text(), "00:00");
    EXPECT_EQ(play.sliOut->value(), 75);
    EXPECT_FALSE(player.state.SliderByProgram);
    EXPECT_TRUE(player.channels.ChannelUsed[0]);
    EXPECT_EQ(play.findChild<QLabel*>("picTime(0)")->isVisibleTo(&play), false) << "the clock is a diagnostic";
    player.MIDIOutput1.setAction(5);
}
