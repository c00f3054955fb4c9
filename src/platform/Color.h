// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// An RGBA colour, each component 0.0 to 1.0, in the one RGB space the saver draws in.
struct Color {
    float red { 0.0f };
    float green { 0.0f };
    float blue { 0.0f };
    float alpha { 1.0f };

    // The stored form's bytes (the same type as a property list's data).
    using Bytes = std::vector<std::uint8_t>;

    friend bool operator==(const Color&, const Color&) = default;

    // The stored form: a tag and the four components as big-endian IEEE floats, so
    // that a colour comes back bit for bit.
    Bytes archivedData() const;
    // The colour held by data from archivedData(); nothing for any other bytes.
    static std::optional<Color> unarchiveFromData(const Bytes& data);

    // "#RRGGBB" or "#RRGGBBAA"; nothing for anything else.
    static std::optional<Color> fromHex(std::string_view text);
    std::string toHex() const;
};
