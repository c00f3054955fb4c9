// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/PropertyValue.h"

const PropertyValue* PropertyValue::find(std::string_view key) const
{
    const auto* dict = dictionary();
    if (!dict)
        return nullptr;
    auto it = dict->find(key);
    return it == dict->end() ? nullptr : &it->second;
}
