// The channel monitor window: what it shows at load, its meters, the
// instrument chooser, and a real song's strips and mixer rules while it plays.
#include "LiveSong.h"
#include "MonitorWidgets.h"
#include "OutputTestSupport.h" // bytes()
#include "Palette.h"
#include "SmfWriter.h"
#include "frmPrograms.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTableWidget>
#include <QTimer>

using namespace lirmus;
using lirmus::test::bytes;

namespace {

// A player and its monitor on a test device, with no song.
struct Monitor {
    Settings settings;
    ControllerTable table = defaultControllerTable();
    TestDevice device;
    std::unique_ptr<Player> player;
    std::unique_ptr<frmIndic> w;

    explicit Monitor(ControllerTable t = defaultControllerTable()) : table(std::move(t))
    {
        for (int i = 0; i < 128; ++i) settings.ProgramNames[size_t(i)] = "Program " + std::to_string(i);
        settings.DrumKits = {"000 Standard", "008 Room", "025 TR-808", "xx Broken"};
        player = std::make_unique<Player>(settings, table);
        player->output().useTestDevice(&device);
        player->openOutput();
        w = std::make_unique<frmIndic>(*player);
        player->hub().attachMonitor(w.get());
    }
    ~Monitor() { player->hub().attachMonitor(nullptr); }
    std::vector<std::string> take()
    {
        std::vector<std::string> v;
        for (const SentMessage& m : device.messages()) v.push_back(m.bytes);
        device.clear();
        return v;
    }
    /// A song sounding on channel ch at volume, held for a minute: the strip is lit by the player.
    void sounding(int ch, int volume)
    {
        test::SmfWriter smf(1, 480);
        smf.track().control(0, ch, 7, volume).note(0, ch, 60, 100).noteOff(96000, ch, 60).end();
        const std::string path = test::tempDir() + "sounding.mid";
        ASSERT_TRUE(smf.save(path));
        settings.AutoStart = false;
        player->playSong(QString::fromStdString(path), 0);
        QElapsedTimer t;
        t.start();
        while (!player->channels().ChannelUsed[size_t(ch)] && t.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        ASSERT_TRUE(player->channels().ChannelOn[size_t(ch)]);
        take();
    }
};

// A click as the user makes it: press and release in the widget's centre.
void click(QWidget* w, Qt::MouseButton button)
{
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    for (QEvent::Type t : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent e(t, at, w->mapToGlobal(at), button, t == QEvent::MouseButtonPress ? button : Qt::NoButton,
                      Qt::NoModifier);
        QCoreApplication::sendEvent(w, &e);
    }
}

QColor pixel(QWidget* w, int x, int y) { return w->grab().toImage().pixelColor(x, y); }

// Runs f on the modal chooser as soon as it is open.
void onChooser(std::function<void(frmPrograms*)> f)
{
    QTimer::singleShot(0, [f] {
        auto* chooser = qobject_cast<frmPrograms*>(QApplication::activeModalWidget());
        ASSERT_NE(chooser, nullptr);
        f(chooser);
    });
}

ControllerTable tableOf(int rows)
{
    ControllerTable t = defaultControllerTable();
    std::array<int, 16> none;
    none.fill(-1);
    for (int i = 4; i < rows; ++i) {
        t.CtrlNumber.push_back(70 + i), t.CtrlName.push_back("Extra" + std::to_string(i));
        t.CtrlMin.push_back(0), t.CtrlMax.push_back(127), t.CtrlMaster.push_back(127), t.CtrlValue.push_back(none);
    }
    return t;
}

} // namespace

TEST(MonitorWindow, LoadShowsTheControllerTableAndTheDrumLabel)
{
    Monitor m;
    QStringList masters;
    for (int row = 0; row < 8; ++row)
        if (!m.w->lblMast[size_t(row)]->isHidden()) masters << m.w->lblMast[size_t(row)]->text();
    EXPECT_EQ(masters, (QStringList{"Vol", "Pan/Bal", "Chorus", "Reverb"}));
    EXPECT_EQ(m.w->sliMC[0]->value(), 100);
    EXPECT_EQ(m.w->sliMC[1]->minimum(), -100);
    EXPECT_TRUE(m.take().empty()) << "loading sends nothing";
    EXPECT_EQ(m.w->sliC1[4]->toolTip(), "Pan/Balance");
    EXPECT_EQ(m.w->cmdOn[15]->text(), "16");
    EXPECT_TRUE(m.w->lblTrack->isHidden());

    QLabel* drums = m.w->lblProgram[9];
    EXPECT_EQ(drums->text(), "Drum Standard");
    EXPECT_TRUE(drums->font().bold());
    EXPECT_EQ(drums->palette().color(QPalette::WindowText), paletteColor(4));

    for (int rows : {6, 8}) {
        Monitor big(tableOf(rows));
        int shown = 0;
        for (QSlider* s : big.w->sliMC) shown += !s->isHidden();
        EXPECT_EQ(shown, rows);
    }
}

TEST(MonitorWindow, MetersLightTheirSegmentsAndFallWithTheDisplayTimer)
{
    Monitor m;
    m.w->resize(400, 600);
    LevelMeter* meter = m.w->ppgrMidi[2];
    const int seg = meter->width() / 10;
    m.w->setMeter(2, 13);
    EXPECT_EQ(pixel(meter, 1, 2), paletteColor(10));
    EXPECT_NE(pixel(meter, seg + 1, 2), paletteColor(10));
    m.w->setMeter(2, 127);
    EXPECT_EQ(pixel(meter, 5 * seg + 1, 2), paletteColor(14));
    EXPECT_EQ(pixel(meter, 9 * seg + 1, 2), paletteColor(12));

    m.w->ResetChannelSliders();
    EXPECT_EQ(meter->value(), 0);
}

TEST(MonitorWindow, ChooserCaptionsAndProgramNumbers)
{
    Settings s;
    s.DrumKits = {"000 Standard", "025 TR-808", "xx Broken"};
    EXPECT_EQ(frmPrograms(s, 0).windowTitle(), "Program change for channel n.01 - Choice a new Instrument or ESC to exit");
    EXPECT_EQ(frmPrograms(s, 15).windowTitle().mid(0, 33), "Program change for channel n.16 -");

    frmPrograms melodic(s, 4, 53);
    EXPECT_EQ(melodic.grdPrograms->rowCount(), 16);
    EXPECT_EQ(melodic.grdPrograms->columnCount(), 8);
    // The instrument playing now is marked and current; the first cell is not.
    EXPECT_EQ(melodic.grdPrograms->currentRow(), 5);
    EXPECT_EQ(melodic.grdPrograms->currentColumn(), 3);
    EXPECT_TRUE(melodic.grdPrograms->item(5, 3)->font().bold());
    EXPECT_FALSE(melodic.grdPrograms->item(0, 0)->font().bold());
    melodic.grdPrograms_Click(5, 3);
    EXPECT_EQ(melodic.ProgramChoice, 53);

    frmPrograms drums(s, 9, 25);
    EXPECT_EQ(drums.windowTitle(), "DRUMS");
    EXPECT_EQ(drums.grdPrograms->currentRow(), 1);
    EXPECT_TRUE(drums.grdPrograms->item(1, 0)->font().bold());
    EXPECT_EQ(drums.grdPrograms->item(1, 0)->text(), "TR-808");
    drums.grdPrograms_Click(1, 0);
    EXPECT_EQ(drums.ProgramChoice, 25);
    EXPECT_EQ(drums.DrumKitIndex, 1);
    frmPrograms broken(s, 9);
    broken.grdPrograms_Click(2, 0);
    EXPECT_EQ(broken.ProgramChoice, 0) << "a kit line without a number gives program 0";
}

TEST(MonitorWindow, ChoosingAnInstrumentSendsItAndEscSendsNothing)
{
    Monitor m;
    onChooser([](frmPrograms* c) { c->grdPrograms_Click(5, 3); });
    m.w->lblProgram_Click(4);
    EXPECT_EQ(m.take(), std::vector<std::string>{bytes({0xC4, 53})});
    EXPECT_EQ(m.w->lblProgram[4]->text(), "Program 53");

    // Opened again, the chooser starts from the instrument just chosen.
    onChooser([](frmPrograms* c) { EXPECT_EQ(c->grdPrograms->currentRow() + 16 * c->grdPrograms->currentColumn(), 53); c->reject(); });
    m.w->lblProgram_Click(4);
    onChooser([](frmPrograms* c) { c->grdPrograms_Click(2, 0); });
    m.w->lblProgram_Click(9);
    EXPECT_EQ(m.take(), std::vector<std::string>{bytes({0xC9, 25})});
    EXPECT_EQ(m.w->lblProgram[9]->text(), "Drum TR-808");

    onChooser([](frmPrograms* c) { QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(c, &esc); });
    m.w->lblProgram_Click(4);
    onChooser([](frmPrograms* c) { c->close(); });
    m.w->lblProgram_Click(9);
    EXPECT_TRUE(m.take().empty());
    EXPECT_EQ(m.w->lblProgram[4]->text(), "Program 53");
}

TEST(MonitorWindow, ControlsOfTheWindowReachTheMixer)
{
    Monitor m;
    m.sounding(1, 100);
    m.w->show();
    click(m.w->sliC1[1], Qt::RightButton);
    EXPECT_EQ(m.w->sliC1[1]->value(), 64);
    EXPECT_EQ(m.take(), std::vector<std::string>{bytes({0xB1, 10, 64})}) << "the centred pan at once";
    EXPECT_EQ(m.w->sliC1[1]->toolTip(), "Pan/Balance=64");

    // The look of a button's face, away from its number.
    auto face = [](QPushButton* b) { return b->grab().toImage().pixelColor(4, b->height() / 2); };
    const QColor playing = face(m.w->cmdOn[1]), unused = face(m.w->cmdOn[5]);
    m.w->cmdOn[1]->click();
    EXPECT_EQ(m.take(), std::vector<std::string>{bytes({0xB1, 7, 0})});
    EXPECT_EQ(m.w->picBut[1]->palette().color(QPalette::Window), paletteColor(12));
    const QColor muted = face(m.w->cmdOn[1]);
    EXPECT_NE(muted, unused) << "a muted channel does not look like one the song never used";
    EXPECT_NE(muted, playing);
    EXPECT_GT(muted.red(), muted.green() + 100);
    m.w->sliOut[1]->setValue(90);
    EXPECT_TRUE(m.take().empty()) << "a muted channel's slider only changes its tooltip";
    EXPECT_EQ(m.w->sliOut[1]->toolTip(), "Vol=90");
    m.w->cmdOn[1]->click();
    m.take();
    EXPECT_EQ(face(m.w->cmdOn[1]), playing) << "heard again, it looks as before";

    m.w->cmdOn[5]->click(); // a strip no song has used: disabled, nothing happens
    m.w->cmdOn_Click(5);
    EXPECT_TRUE(m.take().empty());

    m.w->cmdGsReset->click();
    m.w->cmdGmReset->click();
    m.w->cmdXgReset->click();
    const std::vector<std::string> resets = m.take();
    ASSERT_EQ(resets.size(), 3u);
    EXPECT_EQ(resets[1], bytes({0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}));
    EXPECT_EQ(resets[2], bytes({0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}));
    for (QPushButton* b : {m.w->cmdGsReset, m.w->cmdGmReset, m.w->cmdXgReset, m.w->cmdPanic})
        for (QPushButton* other : {m.w->cmdGsReset, m.w->cmdGmReset, m.w->cmdXgReset, m.w->cmdPanic})
            EXPECT_TRUE(b == other || !b->geometry().intersects(other->geometry())) << "the buttons overlap";
    EXPECT_FALSE(m.w->cmdXgReset->geometry().intersects(m.w->picMelody->geometry()));
    m.w->cmdPanic->click();
    EXPECT_EQ(m.take().size(), 32u);

    // Tempo: shown, sent and read as one number.
    m.w->showTempoAndKey(10, -3);
    EXPECT_EQ(m.w->lblpTempo->text(), "+10%");
    EXPECT_EQ(m.w->lblTrans->text(), "-3");
    EXPECT_EQ(m.player->output().TempoPercent(), 0) << "the player sets its tempo itself: the window only shows it";
    m.w->udTempo->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(m.w->lblpTempo->text(), "+11%");
    EXPECT_EQ(m.player->output().TempoPercent(), 11);
    click(m.w->lblpTempo, Qt::LeftButton);
    EXPECT_EQ(m.player->output().TempoPercent(), 0);
    EXPECT_EQ(m.w->lblpTempo->text(), "+0%");

    // A new key applies from the next message of the song that plays.
    m.w->udTrans->setValue(5);
    EXPECT_EQ(m.w->lblTrans->text(), "+5");
    EXPECT_EQ(m.player->state().Transpose, 5);
    EXPECT_TRUE(m.w->udTrans->isEnabled());
    click(m.w->lblKey, Qt::LeftButton);
    EXPECT_EQ(m.w->udTrans->value(), 0);

    // Master volume: stored value in the table, sent with the strip slider's position.
    m.take();
    click(m.w->sliMC[0], Qt::RightButton);
    EXPECT_EQ(m.table.CtrlMaster[0], 127);
    // The key changes above restart the output, whose note-offs may still be on their way.
    std::vector<std::string> sent = m.take();
    std::erase_if(sent, [](const std::string& b) { return (uint8_t(b[0]) & 0xF0) == 0x80; });
    EXPECT_EQ(sent, std::vector<std::string>{bytes({0xB1, 7, 90})});
}

TEST(MonitorWindow, ARealSongLightsItsStripsAndTheMixerRulesHoldWhileItPlays)
{
    const std::string dir = test::sharedTestData();
    if (dir.empty()) GTEST_SKIP() << "the shared test songs are absent";
    test::LiveSong s;
    ASSERT_TRUE(s.start(dir + "mozart_konigdernacht.mid"));
    frmIndic& w = *s.monitor;
    for (int ch = 0; ch < 16; ++ch) EXPECT_FALSE(w.picMidi[size_t(ch)]->isEnabled()) << ch;

    s.playTo(2000);
    // Channels 1-9 and 11-13 play; 10 and 14-16 never do.
    for (int ch = 0; ch < 16; ++ch) {
        const bool plays = ch < 9 || (ch >= 10 && ch <= 12);
        EXPECT_EQ(w.picMidi[size_t(ch)]->isEnabled(), plays) << ch;
        EXPECT_EQ(w.picBut[size_t(ch)]->palette().color(QPalette::Window), paletteColor(plays ? 10 : 12)) << ch;
    }
    EXPECT_GT(w.ppgrMidi[0]->value() + w.ppgrMidi[6]->value(), 0) << "meters move";

    // Mute channel 1: the song's later volume changes are answered with 0 at once.
    w.cmdOn_Click(0);
    const size_t mutedAt = s.device.count();
    s.playTo(12000);
    int songVolumes = 0, lastVolume = -1, notes = 0;
    for (const std::string& b : s.sentSince(mutedAt)) {
        if (b.size() == 3 && uint8_t(b[0]) == 0xB0 && b[1] == 7) {
            songVolumes += b[2] != 0;
            lastVolume = b[2];
        }
        notes += uint8_t(b[0]) == 0x90;
    }
    EXPECT_GT(songVolumes, 0) << "the song changes the volume while muted";
    EXPECT_EQ(lastVolume, 0) << "and stays silent";
    EXPECT_GT(notes, 0);

    // Unmute: the song's latest volume, master-scaled.
    const size_t before = s.device.count();
    w.cmdOn_Click(0);
    const int songVolume = s.table.CtrlValue[0][0];
    EXPECT_EQ(s.sentSince(before).front(), bytes({0xB0, 7, songVolume * 100 / 127}));

    // Solo channel 7: every other channel's later volumes come back at the solo level.
    w.cmdSolo_Click(6);
    s.playTo(25000);
    std::array<int, 16> last;
    last.fill(-1);
    const std::vector<std::string> all = s.sentSince(0);
    for (const std::string& b : all)
        if (b.size() == 3 && (uint8_t(b[0]) & 0xF0) == 0xB0 && b[1] == 7) last[size_t(b[0] & 15)] = b[2];
    for (int ch : {0, 1, 7, 8, 10})
        EXPECT_EQ(last[size_t(ch)], soloVolume(32, s.table.CtrlValue[0][size_t(ch)])) << ch;
    EXPECT_FALSE(w.picMidi[0]->isEnabled());
    EXPECT_TRUE(w.picMidi[6]->isEnabled());
    s.player->output().setAction(5);
}
