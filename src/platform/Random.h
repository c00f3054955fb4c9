// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

// Every random value of the saver comes from the C library's random(), so that
// srandom(seed) gives a reproducible run. Each call consumes exactly one result.

// random() as a float times 2^-31: in [0, 1], exactly 1.0 for the largest results.
float unitRandom();

// a + (b - a) * unitRandom(), in single precision.
float uniformFloat(float a, float b);

// An integer from a to b inclusive (see the .cpp for the exact rounding).
int uniformInteger(int a, int b);

// A copy of random()'s state, taken with initstate and setstate, so that what the
// next results will be can be worked out without using them up. Only the thread
// that owns random() may use it.
class RandomStateCopy {
public:
    // The state random() is at now; the real sequence is left where it was.
    static RandomStateCopy current();

    // Runs draw with random() reading from this copy, which advances; afterwards
    // random() goes on from its own state as if nothing had happened.
    template <class Draw>
    void advance(Draw draw)
    {
        char* real = swapIn();
        draw();
        swapOut(real);
    }

private:
    char* swapIn();
    void swapOut(char* real);
    std::vector<std::int32_t> mState;
};
