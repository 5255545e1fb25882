#pragma once
// Records the synthesizer's output while the audio thread never touches the
// disk, a lock or the heap: it copies frames into a preallocated ring, and a
// writer thread opens the WAV file, drains the ring into it and closes it.
// Frames carry their absolute number, so a take holds exactly the frames
// [from, end) however late the audio thread hands a block over.
#include "SpscRing.h"
#include "VoiceMix.h"
#include "VoiceTap.h"
#include "WavWriter.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace lirmus {

class WavRecorder {
public:
    /// Tells why the file cannot be written (from the writer thread).
    using Notice = std::function<void(const std::string& message)>;

    /// ringSeconds: audio the ring holds while the disk is slow.
    WavRecorder(int rate, Notice onError, int ringSeconds = 8);
    ~WavRecorder();
    WavRecorder(const WavRecorder&) = delete;
    WavRecorder& operator=(const WavRecorder&) = delete;

    /// Owner: the takes begun from now on mix in the voice of tap (none: nullptr), each block
    /// placed on the frame frameOfUs gives for its capture time (steady clock, microseconds).
    void setVoice(std::shared_ptr<VoiceTap> tap, std::function<int64_t(int64_t us)> frameOfUs);
    /// Owner: starts writing into path the frames from fromFrame on, appending to it when
    /// continues (a take that goes on). An empty path is said to have no free name.
    void begin(const std::string& path, int64_t fromFrame, bool continues = false);
    /// Owner: ends the take before endFrame; returns once the file is complete and closed.
    void end(int64_t endFrame);
    /// Audio thread: n frames starting at frame start. Never waits; a full ring loses them (and says so).
    void offer(int64_t start, int n, const float* left, const float* right);
    /// Whether a take wants frames.
    bool armed() const { return armed_.load(std::memory_order_acquire); }

private:
    struct Block {
        int64_t start = 0;
        int frames = 0;
    };
    static constexpr int kChunk = 512;

    void writerMain();
    void drain(int64_t endFrame, bool finishing);
    void takeVoice();

    const int rate_;
    Notice onError_;
    SpscRing<float> samples_; // left and right interleaved
    SpscRing<Block> blocks_;
    std::atomic<bool> armed_{false};
    std::atomic<int64_t> lost_{0};
    float scratch_[2 * kChunk];

    std::mutex m_;
    std::condition_variable cv_;
    bool beginAsked_ = false, endAsked_ = false, quit_ = false;
    std::string path_;
    int64_t askedFrom_ = 0, askedEnd_ = 0;
    bool askedContinue_ = false;
    std::shared_ptr<VoiceTap> askedVoice_;
    std::function<int64_t(int64_t)> askedFrameOfUs_;

    // The writer thread's own.
    WavWriter wav_;
    std::string takePath_;
    int64_t from_ = 0;
    int64_t written_ = 0; // the first frame after those written
    bool take_ = false;
    std::vector<float> buffer_;
    std::shared_ptr<VoiceTap> voice_; // the take's voice, if any
    std::function<int64_t(int64_t)> frameOfUs_;
    VoiceMix mix_;
    std::vector<float> voiceBuffer_, mixedL_, mixedR_;
    std::thread writer_;
};

} // namespace lirmus
