// The player window hands the output's reports to the dispatcher: a short
// song played through the pump moves the position display and the slider.
#include "ControllerTable.h"
#include "Player.h"
#include "SmfWriter.h"
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
    // Note-ons at 0, 100, 200 and 300 ms of a song that lasts 350 ms: the last moves the slider to 85 %.
    test::SmfWriter smf(1, 500);
    test::SmfTrack& t = smf.track().tempo(0, 500000);
    for (int i = 0; i < 4; ++i) t.note(i == 0 ? 0 : 50, 0, 60 + i, 100).noteOff(50, 0, 60 + i);
    t.end();
    const std::string path = test::tempDir() + "reported.mid";
    ASSERT_TRUE(smf.save(path));

    Settings settings;
    settings.AutoStart = false;
    ControllerTable controllers = defaultControllerTable();
    TestDevice device;
    Player player{settings, controllers};
    frmPlay play{player};
    player.output().useTestDevice(&device);
    player.openOutput();
    player.playSong(QString::fromStdString(path), 0);

    // The song's end moves the slider back to 0: note where it went meanwhile.
    int highest = 0;
    QString position;
    QElapsedTimer e;
    e.start();
    while (highest < 85 && e.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        highest = std::max(highest, play.sliOut->value());
        if (!play.picTime[1]->text().isEmpty()) position = play.picTime[1]->text();
    }
    EXPECT_EQ(player.song().SongLength, 350);
    EXPECT_EQ(highest, 85);
    EXPECT_EQ(position, "00:00");
    EXPECT_TRUE(player.channels().ChannelUsed[0]);
    EXPECT_EQ(play.findChild<QLabel*>("picTime(0)")->isVisibleTo(&play), false) << "the clock is a diagnostic";
    player.transport().cmdStop_Click();
}
