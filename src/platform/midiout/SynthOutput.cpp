// The built-in synthesizer's device: each message goes to the audio frame of
// the time it was due, so what is heard (and recorded) keeps the song's timing.
// Neither the sending thread nor the audio thread allocates, touches the disk
// or takes a lock the owner's thread holds: messages reach the renderer
// through a preallocated MessageRing, recording goes through WavRecorder's ring.
#include "SynthOutput.h"

#include "Clock.h"
#include "MessageRing.h"
#include "OutputErrors.h"
#include "PiSync.h"
#include "QuietLibraries.h"
#include "RecordingTakes.h"
#include "WavRecorder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <pthread.h>
#include <thread>
#include <vector>

namespace lirmus {

namespace {

constexpr int kBlock = 512;
// Without a sound card we render this far behind the clock, so a message that
// reaches us late (a busy machine can delay a thread that long) still lands on its exact frame.
constexpr int64_t kRenderLagUs = 150'000;
constexpr auto kRenderTick = std::chrono::milliseconds(5);
// Without a card and with nothing recorded the render thread only brings the
// synthesizer's state up to date, this often.
constexpr auto kIdleTick = std::chrono::milliseconds(20);
// Messages on their way to the renderer: far more than the 150 ms it lags
// behind can hold in any song. Longer messages share the byte ring; FluidSynth
// acts on no system exclusive that does not fit in it.
constexpr size_t kRingMessages = 8192;
constexpr size_t kRingLongBytes = 64 * 1024;
// A full ring means the renderer is behind: the sender waits for it rather
// than lose a note-off, and only after this long says it has stopped.
constexpr int kFullWaitMs = 1000;
// A driver that has taken no audio for this long has lost its sound server.
constexpr auto kAudioStalled = std::chrono::milliseconds(1500);
// How far the card's audio may fall behind the clock before the lost time is skipped.
constexpr int64_t kBehindFrames = kSynthRate / 50;
constexpr float kSilence[kBlock] = {};

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
          takes_(opt.recording), originUs_(clock.nowUs())
    {
        if (takes_)
            recorder_ = std::make_unique<WavRecorder>(
                kSynthRate, [this](const std::string& m) { notice_(kErrorAudioFile, m); });
        if (opt.audioOutput)
            openAudio(opt.audioDriver);
        if (!hasAudio()) {
            latencyFrames_ = 0;
            if (opt.audioOutput) {
                soundPath_ = "no sound";
                const std::string why = audioFailures_.empty() ? takeSynthLogError() : audioFailures_;
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
        cardQuit_.store(true);
        if (card_.joinable())
            card_.join();
        {
            std::lock_guard lock(quitM_);
            quit_ = true;
        }
        quitCv_.notify_all();
        if (renderer_.joinable())
            renderer_.join();
        playStopped(); // the recording is complete before we are gone
    }

    // One sender at a time (the output's device lock); the real-time thread's path.
    std::string send(std::string_view bytes, int64_t dueUs) override
    {
        if (!events_.fits(bytes.size()))
            return {}; // a system exclusive FluidSynth would not act on
        const auto wakeRenderer = [this] { quitCv_.notify_all(); }; // one that idles empties it now
        if (!events_.pushWaiting(bytes, frameOf(dueUs), kFullWaitMs, wakeRenderer))
            return "the synthesizer has stopped taking messages";
        return {};
    }

    void playStarted(int64_t startUs) override
    {
        if (!recorder_)
            return;
        playStopped();
        const RecordingTakes::Take take = takes_->next();
        // The voice heard with output frame F was sung when F was played: at the clock time frameOf maps to F.
        recorder_->setVoice(takes_->voice(), [this](int64_t us) { return frameOf(us); });
        if (hasAudio()) {
            recorder_->begin(take.path, std::max(frameOf(startUs), rendered_.load()), take.continues);
        } else {
            std::lock_guard lock(renderM_);
            // What came before the take sets the synthesizer up; voices left
            // from the unrendered time must not sound all at once.
            applyBefore(frameOf(startUs));
            fluid_synth_all_sounds_off(engine_->synth, -1);
            rendered_ = std::min(frameOf(startUs), frameOf(clock_.nowUs() - kRenderLagUs));
            recorder_->begin(take.path, std::max(frameOf(startUs), rendered_.load()), take.continues);
            recording_ = true;
            {
                std::lock_guard wake(quitM_); // so the render thread cannot miss it
            }
            quitCv_.notify_all();
        }
        takeOn_ = true;
    }

    std::string soundPath() const override
    {
        if (audioLost_.load())
            return "no sound";
        return soundPath_;
    }

    // The driver's thread ends for good when its sound server goes away: from
    // then on we render on our own clock, as without a card, and say so once.
    std::string check() override
    {
        if (!driver_ || audioLost_.load())
            return {};
        const int64_t r = rendered_.load();
        const auto now = std::chrono::steady_clock::now();
        if (r != lastRendered_ || lastProgress_ == std::chrono::steady_clock::time_point{}) {
            lastRendered_ = r;
            lastProgress_ = now;
        } else if (now - lastProgress_ > kAudioStalled) {
            loseAudio();
        }
        return {};
    }

    void playStopped() override
    {
        if (!takeOn_)
            return;
        takeOn_ = false;
        if (!hasAudio()) {
            std::lock_guard lock(renderM_);
            renderUpTo(frameOf(clock_.nowUs())); // catch up with the clock first
            applyBefore(INT64_MAX);              // and keep nothing for the next song
            recording_ = false;
        }
        // Every frame rendered so far is in the recorder's ring: it ends the file there.
        recorder_->end(rendered_.load());
    }

private:
    bool hasAudio() const { return (driver_ || card_.joinable()) && !audioLost_.load(); }

    void loseAudio()
    {
        audioLost_.store(true);
        while (inCallback_.load()) // a callback begun before the flag ends its block first
            std::this_thread::yield();
        const std::string why = takeSynthLogError();
        notice_(kErrorNoAudio, "The sound output \"" + soundPath_ + "\" of the built-in synthesizer has gone" +
                                   (why.empty() ? std::string() : " (" + why + ")") + "; it plays on without sound.");
        {
            std::lock_guard lock(renderM_);
            if (takeOn_) {
                recording_ = true; // the take goes on, rendered on our clock
            } else {
                applyBefore(INT64_MAX);
            }
        }
        if (!renderer_.joinable())
            renderer_ = std::thread([this] { renderLoop(); });
        else
            quitCv_.notify_all();
    }

    void openAudio(const std::string& driver)
    {
        int period = 64, periods = 16;
        fluid_settings_getint(engine_->settings, "audio.period-size", &period);
        fluid_settings_getint(engine_->settings, "audio.periods", &periods);
        // The card reads ahead by its buffer: place events that much later
        // so each still lands on its own frame.
        latencyFrames_ = int64_t(period) * periods + kSynthRate / 50;
        if (driver == kTimerAudioDriver) {
            card_ = std::thread([this, period, periods] { timerCard(period, periods); });
            soundPath_ = driver;
            return;
        }
        // The engine outlives this device and keeps the last driver tried.
        // Every driver's refusal is kept: the last one alone would mislead.
        audioFailures_.clear();
        for (const std::string& name : audioDriverOrder(driver)) {
            fluid_settings_setstr(engine_->settings, "audio.driver", name.c_str());
            takeSynthLogError();
            driver_ = new_fluid_audio_driver2(engine_->settings, &SynthOutput::audioCallback, this);
            if (driver_) {
                soundPath_ = name;
                break;
            }
            const std::string why = takeSynthLogError();
            audioFailures_ += (audioFailures_.empty() ? "" : "; ") + name + (why.empty() ? "" : ": " + why);
        }
    }

    int64_t frameOf(int64_t us) const
    {
        const int64_t d = us - originUs_;
        return (d >= 0 ? d * kSynthRate / 1'000'000 : -((-d * kSynthRate + 999'999) / 1'000'000)) +
               latencyFrames_;
    }

    static int audioCallback(void* self, int len, int, float*[], int nout, float* out[])
    {
        auto* me = static_cast<SynthOutput*>(self);
        me->inCallback_.fetch_add(1);
        if (nout >= 2) {
            if (me->audioLost_.load()) {
                std::fill_n(out[0], len, 0.0f);
                std::fill_n(out[1], len, 0.0f);
            } else {
                me->keepUpWithTheClock();
                me->renderFrames(len, out[0], out[1]);
            }
        }
        me->inCallback_.fetch_sub(1);
        return FLUID_OK;
    }

    // A busy machine or sound server can leave the card without audio for a
    // while; it then plays on from where it stopped, later and later. Skipping
    // the frames of that time puts the song back on the clock the lyrics follow.
    void keepUpWithTheClock()
    {
        const int64_t now = frameOf(clock_.nowUs()) - latencyFrames_;
        const int64_t at = rendered_.load(std::memory_order_relaxed);
        if (at >= now - kBehindFrames)
            return;
        if (recorder_ && recorder_->armed()) // the take keeps its length: silence for the lost time
            for (int64_t f = at; f < now; f += kBlock)
                recorder_->offer(f, int(std::min<int64_t>(kBlock, now - f)), kSilence, kSilence);
        rendered_.store(now, std::memory_order_release);
    }

    // A card's pace without a card: the buffer is filled at once, then one
    // period is taken every period's time on the steady clock.
    void timerCard(int period, int periods)
    {
        pthread_setname_np(pthread_self(), "lirmus-card");
        std::vector<float> left(static_cast<size_t>(period)), right(static_cast<size_t>(period));
        float* out[2] = {left.data(), right.data()};
        const auto t0 = std::chrono::steady_clock::now();
        for (int64_t taken = 0; !cardQuit_.load(); taken += period) {
            const int64_t played = taken - int64_t(period) * periods;
            if (played > 0)
                std::this_thread::sleep_until(t0 + std::chrono::microseconds(played * 1'000'000 / kSynthRate));
            audioCallback(this, period, 0, nullptr, 2, out);
        }
    }

    void renderLoop()
    {
        pthread_setname_np(pthread_self(), "lirmus-synth");
        std::unique_lock lock(quitM_);
        while (!quit_) {
            lock.unlock();
            bool rendering;
            {
                std::lock_guard render(renderM_);
                rendering = recording_;
                if (rendering)
                    renderUpTo(frameOf(clock_.nowUs() - kRenderLagUs));
                else // nobody hears it: only the synthesizer's state (programs, controllers) follows
                    applyBefore(INT64_MAX);
            }
            lock.lock();
            if (!quit_)
                quitCv_.wait_for(lock, rendering ? kRenderTick : kIdleTick);
        }
    }

    void renderUpTo(int64_t frame)
    {
        while (rendered_.load() < frame) {
            const int n = int(std::min<int64_t>(kBlock, frame - rendered_.load()));
            renderFrames(n, left_, right_);
        }
    }

    // Applies the messages due before frame end without rendering. Consumer side, as below.
    void applyBefore(int64_t end)
    {
        std::string_view m;
        for (int64_t frame; events_.popBefore(end, m, frame);)
            applyMessage(engine_->synth, m);
    }

    // Renders n frames into l and r, applying each message at its own frame.
    // One thread at a time: the audio driver's, or the others under renderM_.
    void renderFrames(int n, float* l, float* r)
    {
        const int64_t start = rendered_.load(std::memory_order_relaxed), end = start + n;
        int pos = 0;
        std::string_view m;
        for (int64_t frame; events_.popBefore(end, m, frame);) {
            const int at = int(std::clamp<int64_t>(frame - start, pos, n));
            if (at > pos)
                fluid_synth_write_float(engine_->synth, at - pos, l, pos, 1, r, pos, 1);
            pos = at;
            applyMessage(engine_->synth, m);
        }
        if (pos < n)
            fluid_synth_write_float(engine_->synth, n - pos, l, pos, 1, r, pos, 1);
        if (recorder_)
            recorder_->offer(start, n, l, r);
        rendered_.store(end, std::memory_order_release); // after the offer: end() relies on it
    }

    std::shared_ptr<SynthEngine> engine_;
    const Clock& clock_;
    DeviceNotice notice_;
    std::shared_ptr<RecordingTakes> takes_;
    const int64_t originUs_;
    int64_t latencyFrames_ = 0;
    std::unique_ptr<WavRecorder> recorder_;
    bool takeOn_ = false; // owner's thread only
    fluid_audio_driver_t* driver_ = nullptr;
    std::string soundPath_; // the driver playing us, "no sound", or "" when none was asked for
    std::string audioFailures_; // why each audio driver tried refused
    std::atomic<bool> audioLost_{false};
    std::atomic<int> inCallback_{0};
    int64_t lastRendered_ = -1; // owner's thread: the driver's progress at the last check
    std::chrono::steady_clock::time_point lastProgress_{};
    std::thread card_;
    std::atomic<bool> cardQuit_{false};

    MessageRing events_{kRingMessages, kRingLongBytes};

    std::atomic<int64_t> rendered_{0};
    std::atomic<bool> recording_{false}; // without a card: the render thread renders
    PiMutex renderM_; // without a card: the render thread against the owner's thread
    float left_[kBlock];
    float right_[kBlock];

    std::mutex quitM_;
    std::condition_variable quitCv_;
    bool quit_ = false;
    std::thread renderer_;
};

} // namespace

std::unique_ptr<OutputDevice> makeSynthOutput(std::shared_ptr<SynthEngine> engine,
                                              const SynthOptions& options, const Clock& clock,
                                              DeviceNotice notice)
{
    return std::make_unique<SynthOutput>(std::move(engine), options, clock, std::move(notice));
}

} // namespace lirmus
