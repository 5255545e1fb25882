#pragma once
// FluidSynth's own MIDI file player, driven by our render thread: the thread
// renders the synthesizer in fixed blocks, paced by the sound card (through a
// lock-free ring its callback reads) or, with no sound card, by the steady
// clock. The player's position moves only as audio is rendered, so it keeps
// real time either way. With a MIDI port the player's events go to the port
// and the synthesizer only keeps time. The render thread never touches the
// disk: the audio file is written through WavRecorder's ring.
#include "OutputDevice.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

struct _fluid_hashtable_t;
struct _fluid_synth_t;
struct _fluid_player_t;
struct _fluid_audio_driver_t;
struct _fluid_midi_event_t;

namespace lirmus {

class AudioRing;
class RecordingTakes;
class WavRecorder;

/// Settings of the MCI sequencer's synthesizer.
struct MciOptions {
    std::string soundFont;   ///< "" = the first of defaultSoundFonts() that loads
    /// The WAV files of what the synthesizer plays, one take per song; null = none.
    std::shared_ptr<RecordingTakes> recording;
    std::string audioDriver; ///< FluidSynth audio driver; "" = pulseaudio, else alsa, else jack; "none" = no sound card
};

class FluidSongPlayer {
public:
    enum class State { Stopped, Playing, Paused };

    /// notice receives problems it plays on with (no sound card, SoundFont, audio file).
    FluidSongPlayer(MciOptions options, DeviceNotice notice);
    ~FluidSongPlayer();
    FluidSongPlayer(const FluidSongPlayer&) = delete;
    FluidSongPlayer& operator=(const FluidSongPlayer&) = delete;

    /// Starts the output: the synthesizer when port is null, else that MIDI port. False with error.
    bool start(std::unique_ptr<OutputDevice> port, std::string& error);
    /// True between start() and stop().
    bool started() const { return renderer_.joinable(); }
    /// Plays smf (kept alive by the caller until stop) afresh from tick, silencing what sounded.
    void playFrom(const std::string& smf, int64_t tick);
    /// Holds the position and silences every channel.
    void pause();
    /// Goes on from the held position.
    void resume();
    /// The player's position in ticks.
    int64_t tick();
    /// Playing, paused, or stopped (never played, or at the song's end).
    State state();
    /// Silences every channel, ends the output and frees the player; the SoundFont stays loaded.
    void stop();

private:
    bool ensureSynth(std::string& error);
    void loadSoundFont();
    void openAudio();
    void drainTail();
    void renderLoop();
    void renderBlock();
    void silence();
    void dropPlayer();
    void tellProblems();
    static int audioCallback(void* self, int len, int nfx, float* fx[], int nout, float* out[]);
    static int forward(void* self, _fluid_midi_event_t* event);

    MciOptions options_;
    DeviceNotice notice_;
    _fluid_hashtable_t* settings_ = nullptr;
    _fluid_synth_t* synth_ = nullptr;
    bool soundFontLoaded_ = false;
    bool noAudioSaid_ = false;

    std::mutex m_; // everything the render thread touches, except the ring
    std::condition_variable wake_;
    bool quit_ = false;
    std::thread renderer_;
    std::unique_ptr<OutputDevice> port_;
    _fluid_player_t* player_ = nullptr;
    _fluid_audio_driver_t* driver_ = nullptr;
    std::unique_ptr<AudioRing> ring_;
    std::atomic<int64_t> lastPullUs_{0}; // when the card last took audio
    bool audioLost_ = false;             // its sound server went away: rendered on the clock
    bool audioLostSaid_ = false;
    std::unique_ptr<WavRecorder> wav_;
    std::mutex wavErrorM_; // the recorder's writer thread against the owner's
    std::string wavError_;
    const std::string* smf_ = nullptr;
    std::atomic<int64_t> originUs_{0}; // clock time of frame 0 (read by the recorder's writer thread)
    int64_t rendered_ = 0;
    bool paused_ = false;
    int64_t heldTick_ = 0;
    std::optional<int64_t> pendingTick_; // a start not yet rendered
};

} // namespace lirmus
