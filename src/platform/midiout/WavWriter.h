#pragma once
// Writes 16-bit stereo PCM to a WAV file, a new one or one it wrote before.
// The header's sizes are brought up to date at least once a second of sound
// and on close, so the file is valid even if we stop early.
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

    enum class Mode {
        New,      ///< create the file; one that exists is left alone (an error)
        Continue, ///< append to a file this class wrote at the same rate, or create it
    };
    /// Opens path for writing; false with error() when it cannot be written.
    bool open(const std::string& path, int sampleRate, Mode mode = Mode::New);
    /// Appends n frames of left and right samples in -1..1 (clipped).
    bool write(const float* left, const float* right, int n);
    /// Drops all but the first n frames written since open (nothing when fewer were written).
    bool keepFirst(int64_t n);
    /// Fixes the header sizes and closes; false with error() on failure.
    bool close();
    bool isOpen() const { return file_ != nullptr; }
    /// Frames written since open.
    int64_t frames() const { return frames_ - openedWith_; }
    /// Why the last operation failed.
    const std::string& error() const { return error_; }

private:
    bool patchHeader();
    bool openToContinue();
    void makeHeader(unsigned char* h) const;
    bool fail(const std::string& what);

    std::FILE* file_ = nullptr;
    std::string path_;
    int64_t frames_ = 0;     // in the file
    int64_t openedWith_ = 0; // in the file when it was opened
    int64_t patchedAt_ = 0;
    int rate_ = 44100;
    std::string error_;
};

} // namespace lirmus
