// SPDX-License-Identifier: GPL-3.0-or-later
// Settings files are property lists anyone can edit: any bytes must give a value or
// nothing, and whatever is accepted must survive being written back.
#include "platform/Color.h"
#include "settings/PropertyList.h"

#include <cstdint>
#include <cstdlib>
#include <span>

namespace {

void touchColours(const PropertyValue& value)
{
    if (const PropertyDictionary* dictionary = value.dictionary()) {
        for (const auto& [key, item] : *dictionary) {
            if (const PropertyData* data = item.data())
                (void)Color::unarchiveFromData(*data);
        }
    }
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto value = PropertyList::parse(std::span(reinterpret_cast<const char*>(data), size));
    if (!value)
        return 0;
    touchColours(*value);
    // A write stores what a read gave; the next read must take it back.
    const std::string xml = PropertyList::toXML(*value);
    if (!PropertyList::parse(xml))
        std::abort();
    return 0;
}
