#pragma once
// The wall clock and the random source, each behind one replaceable
// function so that tests run timers and identifiers deterministically.
#include <cstdint>

// Seconds since 1 January 1970 (UTC).
uint32_t Clock_nowSeconds();
// Replace the clock; null restores time().
void Clock_setClockSource(uint32_t (*source)());

// The next pseudo-random number, 0..2^31-1.
uint32_t Clock_randomNumber();
void seedRandom(uint32_t seed);
// Replace the random source; null restores the seeded generator.
void setRandomSource(uint32_t (*source)());
