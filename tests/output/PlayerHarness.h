#pragma once
// The real Player on a manual clock and the recording test device, with its
// window roles played by this object: the player's 20 ms pump timer is ticked
// as the clock moves, and what the windows are shown (slider, buttons,
// messages, beeps) is kept. Songs play faster than real time and the same
// every run.
#include "Clock.h"
#include "ControllerTable.h"
#include "Player.h"
#include "Settings.h"
#include "TestDevice.h"

#include <QStringList>

#include <memory>
#include <string>
#include <vector>

namespace lirmus::test {

class PlayerHarness : public NullDisplays {
public:
    Settings settings;
    ControllerTable controllers = defaultControllerTable();
    ManualClock clock;
    TestDevice device;
    std::unique_ptr<Player> player;

    int slider = 0;                 ///< where the position slider was last shown
    TransportButtons buttons;
    QStringList messages;
    int beeps = 0;

    /// autoStart: the AutoStart setting (songs start cued when on).
    explicit PlayerHarness(bool autoStart = false)
    {
        settings.AutoStart = autoStart;
        player = std::make_unique<Player>(settings, controllers, &clock);
        player->output().useTestDevice(&device);
        DisplayHub& hub = player->hub();
        hub.attachPlayer(this);
        hub.attachMonitor(this);
        hub.attachApp(this);
        player->openOutput();
    }
    ~PlayerHarness() override { player.reset(); }

    Transport& transport() { return player->transport(); }
    const SongQueue& queue() const { return player->song().queue; }
    const PlayerState& state() const { return player->state(); }
    /// The player's timers: the pump's (TimerOut), the display's (Timer1), the external player's (Timer2).
    bool timerOut() const { return player->state().TimerOutOn; }
    bool timer1() const { return player->state().Timer1On; }
    bool timer2() const { return player->state().Timer2On; }

    /// Chooses path and starts it as the browser does; the pump hands everything over.
    void start(const std::string& path, int transpose = 0)
    {
        player->chooseSong(QString::fromStdString(path), transpose);
        transport().Start_Play();
        pump();
    }
    /// Runs the pump's timer until it disarms itself.
    void pump()
    {
        for (int guard = 0; guard < 100000 && timerOut(); ++guard) player->tick(PlayerTimer::Out);
    }
    /// Lets ms of music pass, 20 ms at a time, with the reports delivered and the pump ticked.
    void play(long ms)
    {
        for (long t = 0; t < ms; t += 20) {
            clock.advance(20);
            player->output().deliverPending();
            player->tick(PlayerTimer::Out);
        }
    }
    /// The user sets the position slider to percent (a seek).
    void seek(int percent)
    {
        slider = percent;
        transport().sliOut_Change(percent);
    }
    /// Everything the device received from message n on.
    std::vector<SentMessage> sentFrom(size_t n) const
    {
        std::vector<SentMessage> all = device.messages();
        return n >= all.size() ? std::vector<SentMessage>{} : std::vector<SentMessage>(all.begin() + long(n), all.end());
    }

    // The window roles.
    void showButtons(const TransportButtons& b) override { buttons = b; }
    void setPositionValue(int percent) override { slider = percent; }
    void setPositionSlider(int, int, int value, int) override { slider = value; }
    void messageBox(const QString& text, MessageIcon) override { messages << text; }
    void beep() override { ++beeps; }
};

/// Channels left sounding: note-ons not yet ended by a note-off, velocity 0 or all-notes-off.
inline std::vector<std::pair<int, int>> soundingNotes(const std::vector<SentMessage>& sent)
{
    std::vector<std::pair<int, int>> on; // channel, key
    for (const SentMessage& m : sent) {
        if (m.bytes.size() < 3) continue;
        const int status = uint8_t(m.bytes[0]), ch = status & 0x0F, kind = status & 0xF0;
        const int d1 = uint8_t(m.bytes[1]), d2 = uint8_t(m.bytes[2]);
        if (kind == 0x90 && d2 > 0) {
            on.emplace_back(ch, d1);
        } else if (kind == 0x80 || (kind == 0x90 && d2 == 0)) {
            std::erase(on, std::make_pair(ch, d1));
        } else if (kind == 0xB0 && (d1 == 123 || d1 == 120)) {
            std::erase_if(on, [ch](const std::pair<int, int>& n) { return n.first == ch; });
        }
    }
    return on;
}

} // namespace lirmus::test
