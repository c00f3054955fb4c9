// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Random.h"

#include <cstdlib>

float unitRandom()
{
    return static_cast<float>(random()) * 4.656612873077393e-10f;
}

float uniformFloat(float a, float b)
{
    return a + (b - a) * unitRandom();
}

int uniformInteger(int a, int b)
{
    // The range counts both ends; for a reversed pair it shrinks rather than
    // growing, which keeps old callers' behaviour for b < a.
    const int range = b >= a ? b - a + 1 : b - a - 1;
    const float product = static_cast<float>(range) * unitRandom();
    const int v = static_cast<int>(product);
    // unitRandom() can be exactly 1.0, which would step one past the end.
    return v == range ? a : a + v;
}
