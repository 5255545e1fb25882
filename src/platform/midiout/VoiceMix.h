#pragma once
// Mixes the singer's voice into a take by position: the backing track's frames
// and the voice's samples each carry the output frame they belong to, and
// arrive in any order between the two (the card renders ahead of what is
// heard, the voice arrives after it is sung). Frames are held until the voice
// has reached them, or until the backing has gone a hold's length past them
// (the voice is late or gone), then handed out mixed. Writer thread only.
#include <cstdint>
#include <vector>

namespace lirmus {

class VoiceMix {
public:
    /// holdFrames: how long backing frames wait for a late voice.
    explicit VoiceMix(int holdFrames);

    /// Starts a take at frame from; voice says whether a voice is mixed in at all.
    void start(int64_t from, bool voice);
    /// Backing frames [start, start + n); a gap since the last ones is silence, frames before it are dropped.
    void addBacking(int64_t start, int n, const float* left, const float* right);
    /// Voice samples for frames [start, start + n), added to both channels; those for frames already handed out are dropped.
    void addVoice(int64_t start, int n, const float* mono);
    /// Hands out the frames that are ready (all of them before endFrame when finishing) into left and right; returns how many.
    int64_t take(std::vector<float>& left, std::vector<float>& right, bool finishing, int64_t endFrame = INT64_MAX);
    /// The first frame not yet handed out.
    int64_t handedOut() const { return base_; }
    /// Voice samples dropped for coming too late (or too far ahead).
    int64_t lateVoice() const { return late_; }

private:
    void growTo(int64_t end);

    const int hold_;
    bool voice_ = false;
    int64_t base_ = 0;       // frame of l_[0]
    int64_t backingEnd_ = 0; // the first frame the backing has not given
    int64_t voiceEnd_ = 0;   // the first frame the voice has not reached
    int64_t late_ = 0;
    std::vector<float> l_, r_, v_;
};

} // namespace lirmus
