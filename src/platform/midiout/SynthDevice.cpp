#include "SynthDevice.h"

#include "Clock.h"
#include "MidiBytes.h"
#include "OutputErrors.h"
#include "QuietLibraries.h"
#include "WavWriter.h"

#include <fluidsynth.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <pthread.h>
#include <thread>

namespace lirmus {

namespace {

constexpr int kRate = 44100;
constexpr int kBlock = 512;
// Without a sound card we render this far behind the clock, so a message that
// reaches us late (a busy machine can delay a thread that long) still lands on its exact frame.
constexpr int64_t kRenderLagUs = 150'000;
constexpr auto kRenderTick = std::chrono::milliseconds(5);

bool isFile(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

} // namespace

/// FluidSynth with its SoundFont loaded.
class SynthEngine {
public:
    SynthEngine()
    {
        settings = new_fluid_settings();
        if (settings) {
            fluid_settings_setnum(settings, "synth.sample-rate", kRate);
            synth = new_fluid_synth(settings);
        }
    }
    ~SynthEngine()
    {
        if (synth)
            delete_fluid_synth(synth);
        if (settings)
            delete_fluid_settings(settings);
    }
    SynthEngine(const SynthEngine&) = delete;
    SynthEngine& operator=(const SynthEngine&) = delete;

    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
};

namespace {

// Loads the chosen SoundFont, else the first default that loads; tells why
// when it had to fall back or found none.
void loadSoundFont(SynthEngine& e, const std::string& setting, const DeviceNotice& notice)
{
    std::vector<std::string> tried;
    std::string failure;
    std::vector<std::string> candidates;
    if (!setting.empty())
        candidates.push_back(setting);
    for (const std::string& d : defaultSoundFonts())
        candidates.push_back(d);
    for (const std::string& path : candidates) {
        if (std::find(tried.begin(), tried.end(), path) != tried.end())
            continue;
        tried.push_back(path);
        if (!isFile(path))
            continue;
        takeSynthLogError();
        if (fluid_synth_sfload(e.synth, path.c_str(), 1) != FLUID_FAILED) {
            if (!setting.empty() && path != setting)
                notice(kErrorSoundFontMoved,
                       "The SoundFont \"" + setting + "\" " +
                           (failure.empty() ? "was not found" : "cannot be loaded (" + failure + ")") +
                           "; the built-in synthesizer uses \"" + path + "\" instead.");
            return;
        }
        if (path == setting)
            failure = takeSynthLogError();
    }
    std::string list;
    for (const std::string& t : tried)
        list += (list.empty() ? "\"" : ", \"") + t + "\"";
    notice(kErrorNoSoundFont, "No SoundFont could be loaded (tried " + list +
                                  "); the built-in synthesizer stays silent. Install a General MIDI "
                                  "SoundFont or choose one in the settings.");
}

void applyMessage(fluid_synth_t* s, std::string_view m)
{
    const auto b = [&](size_t i) { return i < m.size() ? static_cast<unsigned char>(m[i]) : 0; };
    const int status = b(0), ch = status & 15, d1 = b(1), d2 = b(2);
    switch (status & 0xF0) {
    case 0x80: fluid_synth_noteoff(s, ch, d1); break;
    case 0x90: fluid_synth_noteon(s, ch, d1, d2); break;
    case 0xA0: fluid_synth_key_pressure(s, ch, d1, d2); break;
    case 0xB0: fluid_synth_cc(s, ch, d1, d2); break;
    case 0xC0: fluid_synth_program_change(s, ch, d1); break;
    case 0xD0: fluid_synth_channel_pressure(s, ch, d1); break;
    case 0xE0: fluid_synth_pitch_bend(s, ch, d1 | (d2 << 7)); break;
    default:
        if (status == 0xF0 && m.size() >= 2)
            fluid_synth_sysex(s, m.data() + 1, int(m.size()) - 2, nullptr, nullptr, nullptr, 0);
        else if (status == 0xFF)
            fluid_synth_system_reset(s);
        break;
    }
}

class SynthOutput final : public OutputDevice {
public:
    SynthOutput(std::shared_ptr<SynthEngine> engine, const SynthOptions& opt, const Clock& clock,
                DeviceNotice notice)
        : engine_(std::move(engine)), clock_(clock), notice_(std::move(notice)),
          audioFile_(opt.audioFile), originUs_(clock.nowUs())
    {
        if (opt.audioOutput) {
            int period = 64, periods = 16;
            fluid_settings_getint(engine_->settings, "audio.period-size", &period);
            fluid_settings_getint(engine_->settings, "audio.periods", &periods);
            // The card reads ahead by its buffer: place events that much later
            // so each still lands on its own frame.
            latencyFrames_ = int64_t(period) * periods + kRate / 50;
            takeSynthLogError();
            driver_ = new_fluid_audio_driver2(engine_->settings, &SynthOutput::audioCallback, this);
        }
        if (!driver_) {
            latencyFrames_ = 0;
            if (opt.audioOutput) {
                const std::string why = takeSynthLogError();
                notice_(kErrorNoAudio, "No audio output could be opened for the built-in synthesizer" +
                                           (why.empty() ? std::string() : " (" + why + ")") +
                                           "; it plays on without sound.");
            }
            renderer_ = std::thread([this] { renderLoop(); });
        }
    }

    ~SynthOutput() override
    {
        if (driver_)
            delete_fluid_audio_driver(driver_);
        {
            std::lock_guard lock(quitM_);
            quit_ = true;
        }
        quitCv_.notify_all();
        if (renderer_.joinable())
            renderer_.join();
        playStopped();
    }

    std::string send(std::string_view bytes, int64_t dueUs) override
    {
        if (!driver_ && !recording_) {
            // Nobody hears it and nothing is recorded: only the synthesizer's
            // state (programs, controllers) has to follow, so no rendering.
            std::lock_guard lock(renderM_);
            if (!recording_) {
                applyMessage(engine_->synth, bytes);
                return {};
            }
        }
        std::lock_guard lock(eventsM_);
        events_.push_back({MidiBytes(bytes), frameOf(dueUs)});
        return {};
    }

    void playStarted(int64_t startUs) override
    {
        if (audioFile_.empty())
            return;
        std::lock_guard lock(renderM_);
        wav_.close();
        if (!wav_.open(audioFile_, kRate)) {
            notice_(kErrorAudioFile, wav_.error());
            return;
        }
        if (!driver_) {
            // Voices left from the unrendered time must not sound all at once.
            fluid_synth_all_sounds_off(engine_->synth, -1);
            rendered_ = std::min(frameOf(startUs), frameOf(clock_.nowUs() - kRenderLagUs));
        }
        recordFrom_ = std::max(frameOf(startUs), rendered_);
        recording_ = true;
        {
            std::lock_guard wake(quitM_); // so the render thread cannot miss it
        }
        quitCv_.notify_all();
    }

    void playStopped() override
    {
        std::lock_guard lock(renderM_);
        if (!wav_.isOpen())
            return;
        if (!driver_) {
            renderUpTo(frameOf(clock_.nowUs())); // catch up with the clock first
            takeEvents(INT64_MAX);               // and keep nothing for the next song
            for (const Event& ev : due_)
                applyMessage(engine_->synth, ev.bytes.view());
        }
        recording_ = false;
        if (!wav_.close())
            notice_(kErrorAudioFile, wav_.error());
    }

private:
    struct Event {
        MidiBytes bytes;
        int64_t frame;
    };

    int64_t frameOf(int64_t us) const
    {
        const int64_t d = us - originUs_;
        return (d >= 0 ? d * kRate / 1'000'000 : -((-d * kRate + 999'999) / 1'000'000)) + latencyFrames_;
    }

    static int audioCallback(void* self, int len, int, float*[], int nout, float* out[])
    {
        auto* me = static_cast<SynthOutput*>(self);
        if (nout < 2)
            return FLUID_OK;
        std::lock_guard lock(me->renderM_);
        me->renderFrames(len, out[0], out[1]);
        return FLUID_OK;
    }

    void renderLoop()
    {
        pthread_setname_np(pthread_self(), "lirmus-synth");
        std::unique_lock lock(quitM_);
        while (!quit_) {
            if (!recording_) {
                quitCv_.wait(lock);
                continue;
            }
            lock.unlock();
            {
                std::lock_guard render(renderM_);
                if (recording_)
                    renderUpTo(frameOf(clock_.nowUs() - kRenderLagUs));
            }
            lock.lock();
            if (!quit_)
                quitCv_.wait_for(lock, kRenderTick);
        }
    }

    void renderUpTo(int64_t frame)
    {
        while (rendered_ < frame) {
            const int n = int(std::min<int64_t>(kBlock, frame - rendered_));
            renderFrames(n, left_, right_);
        }
    }

    // Moves the events due before frame end from the inbox to due_, in order.
    void takeEvents(int64_t end)
    {
        due_.clear();
        std::lock_guard lock(eventsM_);
        size_t k = 0;
        while (k < events_.size() && events_[k].frame < end)
            ++k;
        for (size_t i = 0; i < k; ++i)
            due_.push_back(std::move(events_[i]));
        events_.erase(events_.begin(), events_.begin() + k);
    }

    // Renders n frames into l and r, applying each message at its own frame.
    void renderFrames(int n, float* l, float* r)
    {
        const int64_t start = rendered_, end = start + n;
        takeEvents(end);
        int pos = 0;
        for (const Event& ev : due_) {
            const int at = int(std::clamp<int64_t>(ev.frame - start, pos, n));
            if (at > pos)
                fluid_synth_write_float(engine_->synth, at - pos, l, pos, 1, r, pos, 1);
            pos = at;
            applyMessage(engine_->synth, ev.bytes.view());
        }
        if (pos < n)
            fluid_synth_write_float(engine_->synth, n - pos, l, pos, 1, r, pos, 1);
        rendered_ = end;
        record(start, n, l, r);
    }

    void record(int64_t start, int n, const float* l, const float* r)
    {
        if (!wav_.isOpen() || start + n <= recordFrom_)
            return;
        const int skip = int(std::max<int64_t>(0, recordFrom_ - start));
        if (!wav_.write(l + skip, r + skip, n - skip)) {
            notice_(kErrorAudioFile, wav_.error());
            wav_.close();
            recording_ = false;
        }
    }

    std::shared_ptr<SynthEngine> engine_;
    const Clock& clock_;
    DeviceNotice notice_;
    std::string audioFile_;
    const int64_t originUs_;
    int64_t latencyFrames_ = 0;
    fluid_audio_driver_t* driver_ = nullptr;

    PiMutex eventsM_; // the scheduler thread must not wait long here
    std::vector<Event> events_;

    std::atomic<bool> recording_{false}; // the audio file is being written
    std::mutex renderM_; // guards everything below
    int64_t rendered_ = 0;
    int64_t recordFrom_ = 0;
    std::vector<Event> due_;
    WavWriter wav_;
    float left_[kBlock];
    float right_[kBlock];

    std::mutex quitM_;
    std::condition_variable quitCv_;
    bool quit_ = false;
    std::thread renderer_;
};

} // namespace

std::vector<std::string> defaultSoundFonts()
{
    return {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/FluidR3_GM.sf2",
            "/usr/share/sounds/sf2/TimGM6mb.sf2"};
}

int synthVersion()
{
    int major = 0, minor = 0, micro = 0;
    fluid_version(&major, &minor, &micro);
    return major * 256 + minor;
}

std::unique_ptr<OutputDevice> openSynth(const SynthOptions& options, SynthCache& cache,
                                        const Clock& clock, DeviceNotice notice,
                                        std::string& error)
{
    quietSoundLibraries();
    if (!cache.engine || cache.soundFontSetting != options.soundFont) {
        cache.engine.reset();
        auto engine = std::make_shared<SynthEngine>();
        if (!engine->synth) {
            const std::string why = takeSynthLogError();
            error = "The built-in synthesizer cannot be started" +
                    (why.empty() ? std::string(".") : ": " + why);
            return nullptr;
        }
        loadSoundFont(*engine, options.soundFont, notice);
        cache.engine = std::move(engine);
        cache.soundFontSetting = options.soundFont;
    } else {
        // A reopen keeps the synthesizer's programs, like a real device would.
        fluid_synth_all_sounds_off(cache.engine->synth, -1);
    }
    return std::make_unique<SynthOutput>(cache.engine, options, clock, std::move(notice));
}

} // namespace lirmus
