// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

// The unsigned number held most significant byte first in the count bytes at
// bytes (count from 0 to 8; the caller has checked that they are there).
inline std::uint64_t readBigEndian(const std::uint8_t* bytes, std::size_t count)
{
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < count; ++i)
        value = value << 8 | bytes[i];
    return value;
}
