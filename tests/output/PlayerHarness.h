#pragma once
// The real Player on a manual clock and the recording test device, with its
// window roles played by this object: the 20 ms pump timer is ticked as the
// clock moves, the position slider seeks as the widget would, and messages
// and beeps are kept. Songs play faster than real time and the same every run.
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

    bool timerOut = false, timer1 = false, timer2 = false;
    int slider = 0;
    TransportButtons buttons;
    QStringList messages;
    int beeps = 0;
    std::function<void()> onEvents; ///< runs inside processEvents (a click arriving there)
    bool pumpInEvents = false;      ///< the armed pump timer fires when events run, as in the program

    /// autoStart: the AutoStart setting (songs start cued when on).
    explicit PlayerHarness(bool autoStart = false)
    {
        settings.AutoStart = autoStart;
        player = std::make_unique<Player>(settings, controllers, &clock);
        player->MIDIOutput1.useTestDevice(&device);
        DisplayHub& hub = player->hub();
        hub.attachPlayer(this);
        hub.attachLyrics(this);
        hub.attachMonitor(this);
        hub.attachApp(this);
        player->openOutput();
    }
    ~PlayerHarness() override { player.reset(); }

    Transport& transport() { return player->transport(); }
    SongQueue& queue() { return player->song.queue; }

    /// Chooses path and starts it as the browser does; the pump hands everything over.
    void start(const std::string& path, int transpose = 0)
    {
        player->state.SongFile = QString::fromStdString(path);
        player->state.SongTranspose = transpose;
        transport().Start_Play();
        pump();
    }
    /// Runs the pump's timer until it disarms itself.
    void pump()
    {
        for (int guard = 0; guard < 100000 && timerOut; ++guard) player->pump().TimerOut_Timer();
    }
    /// Lets ms of music pass, 20 ms at a time, with the reports delivered and the pump ticked.
    void play(long ms)
    {
        for (long t = 0; t < ms; t += 20) {
            clock.advance(20);
            player->MIDIOutput1.deliverPending();
            if (timerOut) player->pump().TimerOut_Timer();
        }
    }
    /// Everything the device received from message n on.
    std::vector<SentMessage> sentFrom(size_t n) const
    {
        std::vector<SentMessage> all = device.messages();
        return n >= all.size() ? std::vector<SentMessage>{} : std::vector<SentMessage>(all.begin() + long(n), all.end());
    }

    // The window roles.
    void setTimerOutEnabled(bool e) override { timerOut = e; }
    void setTimer1Enabled(bool e) override { timer1 = e; }
    bool timer1Enabled() const override { return timer1; }
    void setTimer2Enabled(bool e) override { timer2 = e; }
    double timerNow() const override { return double(clock.nowUs()) / 1e6; }
    void showButtons(const TransportButtons& b) override { buttons = b; }
    int sliderValue() const override { return slider; }
    void setPositionValue(int percent) override
    {
        // As the widget: only a change is reported, and the handler tells the program's own moves.
        if (percent == slider) return;
        slider = percent;
        transport().sliOut_Change(percent);
    }
    void messageBox(const QString& text, MessageIcon) override { messages << text; }
    void beep() override { ++beeps; }
    void processEvents() override
    {
        if (pumpInEvents && timerOut) player->pump().TimerOut_Timer();
        if (onEvents) onEvents();
    }
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
