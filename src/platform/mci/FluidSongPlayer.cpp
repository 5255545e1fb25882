#include "FluidSongPlayer.h"

#include "AudioRing.h"
#include "Clock.h"
#include "OutputErrors.h"
#include "QuietLibraries.h"
#include "SynthDevice.h"
#include "RecordingTakes.h"
#include "WavRecorder.h"

#include <fluidsynth.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <pthread.h>

namespace lirmus {

namespace {

constexpr int kRate = 44100;
constexpr int kBlock = 512;
// Rendered ahead of the sound card: small, so the position we report is
// close to what is heard, yet enough to ride out a busy moment.
constexpr size_t kAheadFrames = 2048;
constexpr size_t kRingFrames = 8192;
constexpr float kSilence = 1.0f / 32768; // below one step of 16-bit audio
constexpr auto kRenderTick = std::chrono::milliseconds(4);
// A card that has taken no audio for this long has lost its sound server.
constexpr int64_t kAudioStalledUs = 1'500'000;

int64_t nowUs() { return SteadyClock::instance().nowUs(); }

bool isFile(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

// The player's event as bytes on the wire; "" for what a port does not take
// (tempo, texts). System exclusive data is read through the text accessor,
// the only public way to reach an event's data.
std::string wireBytes(fluid_midi_event_t* ev)
{
    const int type = fluid_midi_event_get_type(ev);
    const char status = char(type | fluid_midi_event_get_channel(ev));
    switch (type) {
    case 0x80:
    case 0x90:
        return {status, char(fluid_midi_event_get_key(ev)), char(fluid_midi_event_get_velocity(ev))};
    case 0xA0:
        return {status, char(fluid_midi_event_get_key(ev)), char(fluid_midi_event_get_value(ev))};
    case 0xB0:
        return {status, char(fluid_midi_event_get_control(ev)), char(fluid_midi_event_get_value(ev))};
    case 0xC0:
    case 0xD0:
        return {status, char(fluid_midi_event_get_program(ev))};
    case 0xE0: {
        const int bend = fluid_midi_event_get_pitch(ev);
        return {status, char(bend & 0x7F), char((bend >> 7) & 0x7F)};
    }
    case 0xF0: {
        void* data = nullptr;
        int size = 0;
        fluid_midi_event_set_type(ev, 0x01);
        fluid_midi_event_get_text(ev, &data, &size);
        fluid_midi_event_set_type(ev, 0xF0);
        if (!data || size <= 0)
            return {};
        return "\xF0" + std::string(static_cast<const char*>(data), size_t(size)) + "\xF7";
    }
    default:
        return {};
    }
}

} // namespace

FluidSongPlayer::FluidSongPlayer(MciOptions options, DeviceNotice notice)
    : options_(std::move(options)), notice_(std::move(notice))
{
}

FluidSongPlayer::~FluidSongPlayer()
{
    stop();
    if (synth_)
        delete_fluid_synth(synth_);
    if (settings_)
        delete_fluid_settings(settings_);
}

bool FluidSongPlayer::ensureSynth(std::string& error)
{
    quietSoundLibraries();
    if (!settings_)
        settings_ = new_fluid_settings();
    if (settings_ && !synth_) {
        fluid_settings_setnum(settings_, "synth.sample-rate", kRate);
        synth_ = new_fluid_synth(settings_);
    }
    if (!synth_) {
        const std::string why = takeSynthLogError();
        error = "The sequencer's synthesizer cannot be started" + (why.empty() ? std::string(".") : ": " + why);
        return false;
    }
    return true;
}

// The chosen SoundFont, else the first default that loads, as the built-in
// synthesizer chooses; loaded once and kept for the next songs.
void FluidSongPlayer::loadSoundFont()
{
    if (soundFontLoaded_)
        return;
    soundFontLoaded_ = true;
    std::vector<std::string> candidates = defaultSoundFonts();
    if (!options_.soundFont.empty())
        candidates.insert(candidates.begin(), options_.soundFont);
    for (const std::string& path : candidates) {
        if (!isFile(path) || fluid_synth_sfload(synth_, path.c_str(), 1) == FLUID_FAILED)
            continue;
        if (!options_.soundFont.empty() && path != options_.soundFont)
            notice_(kErrorSoundFontMoved, "The SoundFont \"" + options_.soundFont +
                                              "\" cannot be loaded; the sequencer uses \"" + path + "\" instead.");
        return;
    }
    notice_(kErrorNoSoundFont, "No SoundFont could be loaded; the sequencer plays without sound. "
                               "Install a General MIDI SoundFont or choose one in the settings.");
}

void FluidSongPlayer::openAudio()
{
    if (options_.audioDriver == "none")
        return;
    const std::vector<std::string> drivers = audioDriverOrder(options_.audioDriver);
    std::string why;
    takeSynthLogError();
    for (const std::string& name : drivers) {
        fluid_settings_setstr(settings_, "audio.driver", name.c_str());
        driver_ = new_fluid_audio_driver2(settings_, &FluidSongPlayer::audioCallback, this);
        if (driver_)
            return;
        const std::string e = takeSynthLogError();
        why += (why.empty() ? "" : "; ") + name + ": " + (e.empty() ? "not available" : e);
    }
    if (!noAudioSaid_)
        notice_(kErrorNoAudio, "No audio output could be opened for the sequencer (" + why +
                                   "); it plays on without sound.");
    noAudioSaid_ = true;
}

bool FluidSongPlayer::start(std::unique_ptr<OutputDevice> port, std::string& error)
{
    stop();
    if (!ensureSynth(error))
        return false;
    port_ = std::move(port);
    if (!port_) {
        loadSoundFont();
        ring_ = std::make_unique<AudioRing>(kRingFrames);
        openAudio();
    }
    drainTail();
    quit_ = false;
    rendered_ = 0;
    originUs_ = nowUs();
    lastPullUs_ = originUs_.load();
    // After the origin is set: the recorder maps the voice's capture times by it.
    if (!port_ && options_.recording) {
        // Its writer thread opens the file; what goes wrong is told from tick() and stop().
        wav_ = std::make_unique<WavRecorder>(kRate, [this](const std::string& m) {
            std::lock_guard lock(wavErrorM_);
            if (wavError_.empty())
                wavError_ = m;
        });
        // The voice sung at clock time t goes on the frame heard at t.
        wav_->setVoice(options_.recording->voice(),
                       [this](int64_t us) { return (us - originUs_.load()) * kRate / 1'000'000; });
        const RecordingTakes::Take take = options_.recording->next();
        wav_->begin(take.path, 0, take.continues);
    }
    audioLost_ = false;
    renderer_ = std::thread([this] { renderLoop(); });
    return true;
}

// What the last song left ringing must not reach this one, nor its audio
// file: the voices stop at once, but the reverb rings on until rendered away
// (no public call clears it). Faster than real time, as it is only reverb.
void FluidSongPlayer::drainTail()
{
    fluid_synth_all_sounds_off(synth_, -1);
    float left[kBlock], right[kBlock];
    for (int block = 0; block < kRate * 3 / kBlock; ++block) {
        fluid_synth_write_float(synth_, kBlock, left, 0, 1, right, 0, 1);
        float peak = 0;
        for (int i = 0; i < kBlock; ++i)
            peak = std::max({peak, std::abs(left[i]), std::abs(right[i])});
        if (peak < kSilence)
            return;
    }
}

void FluidSongPlayer::renderLoop()
{
    pthread_setname_np(pthread_self(), "lirmus-mci");
    std::unique_lock lock(m_);
    while (!quit_) {
        // A card that takes nothing for long has lost its sound server (the
        // driver's thread has ended): the song goes on silent, on the clock.
        if (driver_ && !audioLost_ && nowUs() - lastPullUs_.load() > kAudioStalledUs) {
            audioLost_ = true;
            originUs_ = nowUs() - rendered_ * 1'000'000 / kRate;
        }
        for (;;) {
            const bool due = driver_ && !audioLost_
                                 ? ring_->size() < kAheadFrames
                                 : rendered_ + kBlock <= (nowUs() - originUs_.load()) * kRate / 1'000'000;
            if (!due || quit_)
                break;
            renderBlock();
            lock.unlock(); // let a command in between blocks
            lock.lock();
        }
        wake_.wait_for(lock, kRenderTick, [this] { return quit_; });
    }
}

void FluidSongPlayer::renderBlock()
{
    float left[kBlock], right[kBlock];
    fluid_synth_write_float(synth_, kBlock, left, 0, 1, right, 0, 1);
    if (wav_)
        wav_->offer(rendered_, kBlock, left, right);
    rendered_ += kBlock;
    pendingTick_.reset();
    if (driver_ && !audioLost_)
        ring_->push(left, right, kBlock);
}

int FluidSongPlayer::audioCallback(void* self, int len, int, float*[], int nout, float* out[])
{
    auto* me = static_cast<FluidSongPlayer*>(self);
    me->lastPullUs_.store(nowUs(), std::memory_order_relaxed);
    if (nout >= 2)
        me->ring_->pop(out[0], out[1], size_t(len));
    return FLUID_OK;
}

int FluidSongPlayer::forward(void* self, fluid_midi_event_t* event)
{
    auto* me = static_cast<FluidSongPlayer*>(self);
    const std::string bytes = wireBytes(event);
    if (!bytes.empty())
        me->port_->send(bytes, nowUs());
    return FLUID_OK;
}

// Called with m_ held: nothing renders meanwhile.
void FluidSongPlayer::silence()
{
    if (!port_) {
        if (synth_)
            fluid_synth_all_sounds_off(synth_, -1);
        return;
    }
    for (int ch = 0; ch < 16; ++ch) {
        const char soundOff[3] = {char(0xB0 | ch), char(120), char(0)};
        const char notesOff[3] = {char(0xB0 | ch), char(123), char(0)};
        port_->send(std::string_view(soundOff, 3), nowUs());
        port_->send(std::string_view(notesOff, 3), nowUs());
    }
}

void FluidSongPlayer::dropPlayer()
{
    if (player_)
        delete_fluid_player(player_);
    player_ = nullptr;
}

void FluidSongPlayer::playFrom(const std::string& smf, int64_t tick)
{
    std::lock_guard lock(m_);
    if (!synth_)
        return;
    silence();
    dropPlayer();
    if (!port_)
        fluid_synth_system_reset(synth_); // the player sets up the channels again up to tick
    player_ = new_fluid_player(synth_);
    if (!player_)
        return;
    if (port_)
        fluid_player_set_playback_callback(player_, &FluidSongPlayer::forward, this);
    smf_ = &smf;
    fluid_player_add_mem(player_, smf.data(), smf.size());
    if (tick > 0)
        fluid_player_seek(player_, int(tick));
    fluid_player_play(player_);
    paused_ = false;
    pendingTick_ = tick;
}

void FluidSongPlayer::pause()
{
    std::lock_guard lock(m_);
    if (!player_ || paused_ || fluid_player_get_status(player_) != FLUID_PLAYER_PLAYING)
        return;
    heldTick_ = pendingTick_.value_or(fluid_player_get_current_tick(player_));
    fluid_player_stop(player_);
    paused_ = true;
    pendingTick_.reset();
    silence();
}

void FluidSongPlayer::resume()
{
    bool again = false;
    {
        std::lock_guard lock(m_);
        again = paused_ && smf_;
    }
    // A fresh player sets every channel up again on the way to the held tick.
    if (again)
        playFrom(*smf_, heldTick_);
}

void FluidSongPlayer::tellProblems()
{
    bool tell = false;
    {
        std::lock_guard lock(m_);
        tell = audioLost_ && !audioLostSaid_;
        audioLostSaid_ = audioLostSaid_ || tell;
    }
    if (tell)
        notice_(kErrorNoAudio, "The sound output of the sequencer has gone; the song plays on without sound.");
    std::string wavError;
    {
        std::lock_guard lock(wavErrorM_);
        wavError.swap(wavError_);
    }
    if (!wavError.empty())
        notice_(kErrorAudioFile, wavError);
}

int64_t FluidSongPlayer::tick()
{
    tellProblems(); // asked for often, on the owner's thread
    std::lock_guard lock(m_);
    if (pendingTick_)
        return *pendingTick_;
    if (paused_)
        return heldTick_;
    return player_ ? fluid_player_get_current_tick(player_) : 0;
}

FluidSongPlayer::State FluidSongPlayer::state()
{
    std::lock_guard lock(m_);
    if (paused_)
        return State::Paused;
    if (pendingTick_)
        return State::Playing;
    // The player lingers a while after the last event for the notes to ring out.
    if (player_ && fluid_player_get_status(player_) == FLUID_PLAYER_PLAYING &&
        fluid_player_get_current_tick(player_) < fluid_player_get_total_ticks(player_))
        return State::Playing;
    return State::Stopped;
}

void FluidSongPlayer::stop()
{
    {
        std::lock_guard lock(m_);
        if (player_)
            fluid_player_stop(player_);
        silence();
        quit_ = true;
    }
    wake_.notify_all();
    if (renderer_.joinable())
        renderer_.join();
    // The sound card's callback reads only the ring, which outlives it.
    if (driver_)
        delete_fluid_audio_driver(driver_);
    driver_ = nullptr;
    dropPlayer();
    port_.reset();
    ring_.reset();
    smf_ = nullptr;
    paused_ = false;
    pendingTick_.reset();
    heldTick_ = 0;
    if (wav_)
        wav_->end(rendered_); // the file is complete and closed when this returns
    wav_.reset();
    tellProblems();
}

} // namespace lirmus
