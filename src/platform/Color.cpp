// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Color.h"

#include "platform/BigEndian.h"
#include "platform/WholeInteger.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {
constexpr std::array<std::uint8_t, 4> kTag { 'S', 'V', 'C', '1' };

void appendFloat(Color::Bytes& out, float value)
{
    const auto bits = std::bit_cast<std::uint32_t>(value);
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(bits >> shift));
}

float readFloat(const std::uint8_t* p)
{
    return std::bit_cast<float>(static_cast<std::uint32_t>(readBigEndian(p, 4)));
}

}

Color::Bytes Color::archivedData() const
{
    Bytes out(kTag.begin(), kTag.end());
    for (float component : { red, green, blue, alpha })
        appendFloat(out, component);
    return out;
}

std::optional<Color> Color::unarchiveFromData(const Bytes& data)
{
    if (data.size() != kTag.size() + 16 || !std::equal(kTag.begin(), kTag.end(), data.begin()))
        return std::nullopt;
    const std::uint8_t* p = data.data() + kTag.size();
    Color color { readFloat(p), readFloat(p + 4), readFloat(p + 8), readFloat(p + 12) };
    for (float component : { color.red, color.green, color.blue, color.alpha }) {
        if (!std::isfinite(component))
            return std::nullopt;
    }
    return color;
}

std::optional<Color> Color::fromHex(std::string_view text)
{
    if (text.size() != 7 && text.size() != 9)
        return std::nullopt;
    if (text[0] != '#')
        return std::nullopt;
    float components[4] = { 0, 0, 0, 1 };
    for (std::size_t i = 0; i < (text.size() - 1) / 2; ++i) {
        const int high = hexDigitValue(text[1 + 2 * i]);
        const int low = hexDigitValue(text[2 + 2 * i]);
        if (high < 0 || low < 0)
            return std::nullopt;
        components[i] = static_cast<float>(high * 16 + low) / 255.0f;
    }
    return Color { components[0], components[1], components[2], components[3] };
}

std::string Color::toHex() const
{
    auto byte = [](float v) {
        const float clamped = v < 0 ? 0 : (v > 1 ? 1 : v);
        return static_cast<unsigned>(std::lround(clamped * 255.0f));
    };
    char buffer[10];
    std::snprintf(buffer, sizeof buffer, "#%02X%02X%02X%02X", byte(red), byte(green), byte(blue), byte(alpha));
    return buffer;
}
