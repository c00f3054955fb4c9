// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

// The user's home folder as HOME names it; empty when HOME is unset, so a path
// built on it ("/Music/...") stays a path rather than an error.
std::string homeFolder();

// The pictures folder the XDG user-dirs file (${XDG_CONFIG_HOME:-$HOME/.config}/user-dirs.dirs)
// names as XDG_PICTURES_DIR, without a trailing '/'; nothing without such an entry,
// and nothing when it names the home folder itself (xdg-user-dirs points a removed
// folder there, and the whole home folder is no pictures folder).
std::optional<std::string> userDirsPicturesFolder();

// The image folder xscreensaver's photo hacks use (imageDirectory in $HOME/.xscreensaver),
// without a trailing '/'; nothing when unset, a URL, or not an existing folder.
std::optional<std::string> xscreensaverImageFolder();
