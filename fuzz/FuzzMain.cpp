// libFuzzer entry point.
#include "FuzzOne.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    lirmus::fuzz::fuzzOne(data, size);
    return 0;
}
