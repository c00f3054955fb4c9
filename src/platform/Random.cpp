// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Random.h"

#include <cstdlib>
#include <cstring>

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

namespace {
// glibc's generator types and the words of state each keeps after its type word.
constexpr int kTypes = 5;
constexpr int kDegrees[kTypes] = { 0, 7, 15, 31, 63 };
}

RandomStateCopy RandomStateCopy::current()
{
    // initstate parks the real state and writes its read position into the state's
    // first word, which makes the array a complete copy of the sequence's place.
    std::int32_t scratch[8] {};
    char* real = initstate(1, reinterpret_cast<char*>(scratch), sizeof scratch);
    std::int32_t head = 0;
    std::memcpy(&head, real, sizeof head);
    const int type = head % kTypes;
    RandomStateCopy copy;
    copy.mState.resize(static_cast<std::size_t>(kDegrees[type]) + 1);
    std::memcpy(copy.mState.data(), real, copy.mState.size() * sizeof(std::int32_t));
    setstate(real);
    return copy;
}

char* RandomStateCopy::swapIn()
{
    return setstate(reinterpret_cast<char*>(mState.data()));
}

void RandomStateCopy::swapOut(char* real)
{
    // Leaving the copy stores its advanced position in its own first word.
    setstate(real);
}
