// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/PropertyValue.h"

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// A reader of XML property lists built for large files: one pass, no recursion, a
// bounded nesting depth, and values that the caller does not want skipped without
// being built. Any input that is not a well-formed property list gives nothing.
class PlistXMLReader {
public:
    // The dictionary keys from the root down to a value (array positions add none).
    using KeyPath = std::vector<std::string_view>;
    // Returns false for a value, reached under the key path, that need not be kept.
    using KeepFilter = std::function<bool(const KeyPath&)>;

    // The value of the document, with every dictionary entry the filter refuses
    // left out (an empty filter keeps everything); nothing on any error or when
    // nesting goes deeper than maxDepth.
    static std::optional<PropertyValue> parse(std::string_view document, const KeepFilter& keep = {}, int maxDepth = kMaxDepth);

    static constexpr int kMaxDepth = 256;
};
