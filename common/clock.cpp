#include "common/clock.h"

#include <ctime>
#include <random>

static uint32_t (*gClockSource)() = nullptr;   // null: time()
static uint32_t (*gRandomSource)() = nullptr;  // null: gRandom
static std::mt19937 gRandom;
static bool gRandomSeeded = false;  // until seeded, the first draw seeds from the clock

uint32_t Clock_nowSeconds()
{
    if (gClockSource)
        return gClockSource();
    return static_cast<uint32_t>(std::time(nullptr));
}

void Clock_setClockSource(uint32_t (*source)()) { gClockSource = source; }

uint32_t Clock_randomNumber()
{
    if (gRandomSource)
        return gRandomSource();
    // Seeding from the clock gives each run its own sequence (the first
    // transaction identifier must differ between runs), and a test that
    // replaces the clock gets a repeatable one.
    if (!gRandomSeeded)
        seedRandom(Clock_nowSeconds());
    return gRandom() >> 1;  // 0..2^31-1
}

void seedRandom(uint32_t seed)
{
    gRandom.seed(seed);
    gRandomSeeded = true;
}

void setRandomSource(uint32_t (*source)()) { gRandomSource = source; }
