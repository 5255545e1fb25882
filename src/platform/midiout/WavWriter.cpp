#include "WavWriter.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace lirmus {

namespace {

void put16(unsigned char* p, uint32_t v)
{
    p[0] = v & 0xFF;
    p[1] = (v >> 8) & 0xFF;
}

void put32(unsigned char* p, uint32_t v)
{
    put16(p, v & 0xFFFF);
    put16(p + 2, v >> 16);
}

int16_t toPcm(float x)
{
    const float c = std::clamp(x, -1.0f, 1.0f);
    return static_cast<int16_t>(std::lrint(c * 32767.0f));
}

constexpr int kHeaderSize = 44;

// Samples are written as they lie in memory; WAV wants little-endian.
static_assert(std::endian::native == std::endian::little);

} // namespace

WavWriter::~WavWriter() { close(); }

bool WavWriter::fail(const std::string& what)
{
    error_ = what + " \"" + path_ + "\": " + std::strerror(errno);
    return false;
}

bool WavWriter::open(const std::string& path, int sampleRate, Mode mode)
{
    close();
    path_ = path;
    rate_ = sampleRate;
    frames_ = patchedAt_ = openedWith_ = 0;
    error_.clear();
    if (mode == Mode::Continue) {
        file_ = std::fopen(path.c_str(), "r+b");
        if (file_)
            return openToContinue();
        if (errno != ENOENT)
            return fail("Cannot open the audio file");
    }
    file_ = std::fopen(path.c_str(), "wbx"); // never over a file that exists
    if (!file_)
        return fail(errno == EEXIST ? "Will not write over the existing audio file" : "Cannot create the audio file");
    if (!patchHeader()) {
        std::fclose(file_);
        file_ = nullptr;
        return false;
    }
    return true;
}

// A file we wrote holds our 44-byte header and whole frames; after a crash
// its header may lag behind, so the file's length counts.
bool WavWriter::openToContinue()
{
    unsigned char h[kHeaderSize];
    const auto refuse = [this](const std::string& why) {
        std::fclose(file_);
        file_ = nullptr;
        error_ = "The audio file \"" + path_ + "\" " + why + "; it is left as it is.";
        return false;
    };
    if (std::fread(h, 1, kHeaderSize, file_) != size_t(kHeaderSize))
        return refuse("is not a recording of this program");
    unsigned char want[kHeaderSize];
    makeHeader(want);
    // Everything but the two sizes must be as we write it.
    if (std::memcmp(h, want, 4) != 0 || std::memcmp(h + 8, want + 8, 32) != 0)
        return refuse("is not a recording of this program at " + std::to_string(rate_) + " Hz");
    if (std::fseek(file_, 0, SEEK_END) != 0)
        return refuse("cannot be read");
    const long size = std::ftell(file_);
    frames_ = openedWith_ = size < kHeaderSize ? 0 : (size - kHeaderSize) / 4;
    // A half frame left by a crash goes: the frames written next stay aligned.
    if (::ftruncate(fileno(file_), kHeaderSize + frames_ * 4) != 0 ||
        std::fseek(file_, kHeaderSize + frames_ * 4, SEEK_SET) != 0)
        return refuse("cannot be written");
    if (!patchHeader()) {
        std::fclose(file_);
        file_ = nullptr;
        return false;
    }
    return true;
}

bool WavWriter::keepFirst(int64_t n)
{
    if (!file_ || n < 0 || openedWith_ + n >= frames_)
        return file_ != nullptr;
    frames_ = openedWith_ + n;
    if (std::fflush(file_) != 0 || ::ftruncate(fileno(file_), kHeaderSize + frames_ * 4) != 0 ||
        std::fseek(file_, kHeaderSize + frames_ * 4, SEEK_SET) != 0)
        return fail("Cannot write the audio file");
    return patchHeader();
}

void WavWriter::makeHeader(unsigned char* h) const
{
    const uint64_t dataBytes = uint64_t(frames_) * 4;
    const uint32_t data = dataBytes > 0xFFFFFFF0u - kHeaderSize ? 0xFFFFFFF0u - kHeaderSize
                                                                : uint32_t(dataBytes);
    std::memcpy(h, "RIFF", 4);
    put32(h + 4, 36 + data);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    put32(h + 16, 16);        // fmt chunk size
    put16(h + 20, 1);         // PCM
    put16(h + 22, 2);         // stereo
    put32(h + 24, rate_);
    put32(h + 28, rate_ * 4); // bytes per second
    put16(h + 32, 4);         // bytes per frame
    put16(h + 34, 16);        // bits per sample
    std::memcpy(h + 36, "data", 4);
    put32(h + 40, data);
}

bool WavWriter::patchHeader()
{
    unsigned char h[kHeaderSize];
    makeHeader(h);
    const long end = std::ftell(file_);
    if (std::fseek(file_, 0, SEEK_SET) != 0 || std::fwrite(h, 1, kHeaderSize, file_) != kHeaderSize)
        return fail("Cannot write the audio file");
    if (end > kHeaderSize && std::fseek(file_, end, SEEK_SET) != 0)
        return fail("Cannot write the audio file");
    patchedAt_ = frames_;
    return std::fflush(file_) == 0 || fail("Cannot write the audio file");
}

bool WavWriter::write(const float* left, const float* right, int n)
{
    if (!file_ || n <= 0)
        return file_ != nullptr;
    std::vector<int16_t> pcm(size_t(n) * 2);
    for (int i = 0; i < n; ++i) {
        pcm[2 * i] = toPcm(left[i]);
        pcm[2 * i + 1] = toPcm(right[i]);
    }
    if (std::fwrite(pcm.data(), sizeof(int16_t), pcm.size(), file_) != pcm.size())
        return fail("Cannot write the audio file");
    frames_ += n;
    // Keep the header roughly current so a crash still leaves a playable file.
    if (frames_ - patchedAt_ >= rate_)
        return patchHeader();
    return true;
}

bool WavWriter::close()
{
    if (!file_)
        return true;
    bool ok = patchHeader();
    if (std::fclose(file_) != 0 && ok)
        ok = fail("Cannot close the audio file");
    file_ = nullptr;
    return ok;
}

} // namespace lirmus
