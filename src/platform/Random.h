// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Every random value of the saver comes from the C library's random(), so that
// srandom(seed) gives a reproducible run. Each call consumes exactly one result.

// random() as a float times 2^-31: in [0, 1], exactly 1.0 for the largest results.
float unitRandom();

// a + (b - a) * unitRandom(), in single precision.
float uniformFloat(float a, float b);

// An integer from a to b inclusive (see the .cpp for the exact rounding).
int uniformInteger(int a, int b);
