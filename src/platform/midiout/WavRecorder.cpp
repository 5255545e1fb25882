#include "WavRecorder.h"

#include <algorithm>
#include <pthread.h>

namespace lirmus {

namespace {

// How often the writer empties the ring while a take goes on.
constexpr auto kWriteEvery = std::chrono::milliseconds(20);
// How long the take's frames wait for the voice sung to them: the card's
// buffer plus the microphone's, with room to spare.
constexpr int kVoiceHoldMs = 1000;

} // namespace

WavRecorder::WavRecorder(int rate, Notice onError, int ringSeconds)
    : rate_(rate), onError_(std::move(onError)), samples_(size_t(rate) * 2 * size_t(ringSeconds)),
      blocks_(size_t(rate) * size_t(ringSeconds) / 32), buffer_(2 * kChunk), mix_(rate * kVoiceHoldMs / 1000),
      voiceBuffer_(VoiceTap::kChunk)
{
    writer_ = std::thread([this] { writerMain(); });
}

WavRecorder::~WavRecorder()
{
    {
        std::lock_guard lock(m_);
        quit_ = true;
    }
    cv_.notify_all();
    writer_.join();
}

void WavRecorder::setVoice(std::shared_ptr<VoiceTap> tap, std::function<int64_t(int64_t us)> frameOfUs)
{
    std::lock_guard lock(m_);
    askedVoice_ = std::move(tap);
    askedFrameOfUs_ = std::move(frameOfUs);
}

void WavRecorder::begin(const std::string& path, int64_t fromFrame, bool continues)
{
    {
        std::lock_guard lock(m_);
        path_ = path;
        askedFrom_ = fromFrame;
        askedContinue_ = continues;
        beginAsked_ = true;
    }
    armed_.store(true, std::memory_order_release);
    cv_.notify_all();
}

void WavRecorder::end(int64_t endFrame)
{
    armed_.store(false, std::memory_order_release);
    std::unique_lock lock(m_);
    askedEnd_ = endFrame;
    endAsked_ = true;
    cv_.notify_all();
    cv_.wait(lock, [&] { return !endAsked_ && !beginAsked_; });
}

void WavRecorder::offer(int64_t start, int n, const float* left, const float* right)
{
    if (!armed())
        return;
    for (int done = 0; done < n;) {
        const int m = std::min(kChunk, n - done);
        for (int i = 0; i < m; ++i) {
            scratch_[2 * i] = left[done + i];
            scratch_[2 * i + 1] = right[done + i];
        }
        // Samples first, then the block that points at them: the writer reads
        // a block only once its samples are there.
        if (blocks_.room() == 0 || !samples_.push(scratch_, size_t(2 * m)))
            lost_.fetch_add(m, std::memory_order_relaxed);
        else
            blocks_.push(Block{start + done, m});
        done += m;
    }
}

void WavRecorder::drain(int64_t endFrame, bool finishing)
{
    const bool writing = take_ && wav_.isOpen();
    for (Block b; blocks_.pop(b);) {
        samples_.pop(buffer_.data(), size_t(2 * b.frames));
        if (!writing)
            continue;
        // Only the frames of the take: [from_, endFrame).
        const int64_t first = std::max(b.start, from_);
        const int64_t last = std::min(b.start + b.frames, endFrame);
        if (first >= last)
            continue;
        float l[kChunk], r[kChunk];
        const int skip = int(first - b.start), n = int(last - first);
        for (int i = 0; i < n; ++i) {
            l[i] = buffer_[size_t(2 * (skip + i))];
            r[i] = buffer_[size_t(2 * (skip + i) + 1)];
        }
        mix_.addBacking(first, n, l, r);
    }
    takeVoice();
    if (!writing)
        return;
    mix_.take(mixedL_, mixedR_, finishing, endFrame);
    written_ = mix_.handedOut();
    if (!mixedL_.empty() && !wav_.write(mixedL_.data(), mixedR_.data(), int(mixedL_.size()))) {
        onError_(wav_.error());
        wav_.close();
    }
}

void WavRecorder::takeVoice()
{
    if (!voice_)
        return;
    int64_t us = 0;
    for (int n; (n = voice_->pop(us, voiceBuffer_.data(), int(voiceBuffer_.size()))) > 0;)
        if (take_)
            mix_.addVoice(frameOfUs_(us), n, voiceBuffer_.data());
}

void WavRecorder::writerMain()
{
    pthread_setname_np(pthread_self(), "lirmus-wav");
    std::unique_lock lock(m_);
    for (;;) {
        if (beginAsked_) {
            // Frames of an earlier take still in the ring are older than from_.
            takePath_ = path_;
            from_ = written_ = askedFrom_;
            const auto mode = askedContinue_ ? WavWriter::Mode::Continue : WavWriter::Mode::New;
            if (voice_)
                voice_->setWanted(false);
            voice_ = askedVoice_;
            frameOfUs_ = askedFrameOfUs_;
            lock.unlock();
            mix_.start(from_, voice_ != nullptr);
            take_ = true;
            if (voice_) { // sung before the take's first frame: the mix drops it
                voice_->setWanted(true);
                takeVoice();
            }
            lost_.store(0);
            if (takePath_.empty())
                onError_("No free file name is left for the recording beside the audio file.");
            else if (!wav_.open(takePath_, rate_, mode))
                onError_(wav_.error());
            lock.lock();
            beginAsked_ = false;
            continue;
        }
        if (endAsked_) {
            const int64_t endFrame = askedEnd_;
            lock.unlock();
            drain(endFrame, true); // every frame before the end is in the ring by now
            if (voice_)
                voice_->setWanted(false);
            // The periodic drain may have written frames the end came before.
            if (wav_.isOpen() && written_ > endFrame && !wav_.keepFirst(wav_.frames() - (written_ - endFrame)))
                onError_(wav_.error());
            const int64_t lost = lost_.exchange(0);
            if (wav_.isOpen() && lost > 0)
                onError_("The audio file \"" + takePath_ + "\" misses " + std::to_string(lost * 1000 / rate_) +
                         " ms of sound: the disk could not keep up.");
            if (!wav_.close())
                onError_(wav_.error());
            take_ = false;
            lock.lock();
            endAsked_ = false;
            cv_.notify_all();
            continue;
        }
        if (quit_)
            break;
        // Between takes the ring is left alone: frames offered once the next
        // take is armed, before this thread has started it, belong to that take.
        if (take_) {
            lock.unlock();
            drain(INT64_MAX, false);
            lock.lock();
        }
        cv_.wait_for(lock, kWriteEvery, [&] { return beginAsked_ || endAsked_ || quit_; });
    }
    lock.unlock();
    wav_.close();
}

} // namespace lirmus
