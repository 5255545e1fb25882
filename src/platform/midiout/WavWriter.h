#pragma once
// Writes 16-bit stereo PCM to a WAV file. The header's sizes are brought up to
// date now and then and on close, so the file is valid even if we stop early.
#include <cstdint>
#include <cstdio>
#include <string>

namespace lirmus {

class WavWriter {
public:
    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    /// Creates (or truncates) path; false with error() when it cannot be written.
    bool open(const std::string& path, int sampleRate);
    /// Appends n frames of left and right samples in -1..1 (clipped).
    bool write(const float* left, const float* right, int n);
    /// Fixes the header sizes and closes; false with error() on failure.
    bool close();
    bool isOpen() const { return file_ != nullptr; }
    /// Frames written since open.
    int64_t frames() const { return frames_; }
    /// Why the last operation failed.
    const std::string& error() const { return error_; }

private:
    bool patchHeader();
    bool fail(const std::string& what);

    std::FILE* file_ = nullptr;
    std::string path_;
    int64_t frames_ = 0;
    int64_t patchedAt_ = 0;
    int rate_ = 44100;
    std::string error_;
};

} // namespace lirmus
