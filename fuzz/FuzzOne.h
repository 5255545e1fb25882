#pragma once
// The work done on one fuzzer input, kept apart from the libFuzzer entry point
// so that more readers of song files can be added in one place.
#include <cstddef>
#include <cstdint>

namespace lirmus::fuzz {

/// Reads the bytes as a song file and touches every property of every event.
void fuzzOne(const uint8_t* data, size_t size);

} // namespace lirmus::fuzz
