// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/PropertyValue.h"

#include <span>
#include <string_view>

// One setting of the saver: everything about it but the moment it is read, which
// stays with its reader (each part asks the store when it needs the value).
struct Setting {
    enum class Type {
        String,
        Integer,
        Real,
        Boolean,
        Colour
    };
    const char* key;
    Type type;
    // Registered at start when true; otherwise the key is absent until someone
    // stores it, and its reader's answer for nothing (0, black) is its default.
    bool registered;
    // The default of a number or a boolean (1 for YES), registered or not.
    double defaultNumber;
    // The default of a text; a leading "~" stands for the home folder.
    const char* defaultText;
    // The range the settings sheet offers; min > max when any value goes.
    double min;
    double max;
    // The outlet of the settings sheet's control that edits it; nullptr when none does.
    const char* sheetOutlet;
    // Whether xscreensaver's settings dialog passes it (as "-Key value").
    bool inXscreensaverDescription;
};

// The table of every setting the saver reads: the one home of each key's type,
// default, range and controls. The store, the host's warnings, the command line and
// the tests of the sheet, the xscreensaver description and the README read it.
class SettingsTable {
public:
    static std::span<const Setting> all();
    // The setting of key (exact case); nullptr for a key the saver never reads.
    static const Setting* find(std::string_view key);
    // The values the saver registers at start, a text's "~" expanded with home.
    static PropertyDictionary registeredDefaults(const std::string& home);
};
