// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The module's settings domain and its keys, spelled once.
inline constexpr const char* kModuleName = "org.skyvanes.Skyvanes";

namespace SettingsKey {
inline constexpr const char* ImageDir = "ImageDir";
inline constexpr const char* ImageLimit = "ImageLimit";
inline constexpr const char* SubDirs = "SubDirs";
inline constexpr const char* Detail = "Detail";
inline constexpr const char* Source = "Source";
inline constexpr const char* Album = "Album";
inline constexpr const char* FrameRate = "FrameRate";
inline constexpr const char* FlightSpeed = "FlightSpeed";
inline constexpr const char* BackColor = "BackColor";
inline constexpr const char* ImageOrder = "ImageOrder";
inline constexpr const char* ImageStyle = "ImageStyle";
}
