// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QIODevice;

// True when the PNG's chunks follow each other whole up to its end chunk. libpng
// allocates (and zero-fills) a text or profile chunk at the length its header claims
// before it finds the data missing, so a few hundred damaged bytes could otherwise cost
// seconds and gigabytes; and a PNG cut short anywhere gives no picture through Qt,
// after libpng has printed its complaint on standard error, which is a saver's log.
// Leaves the device at its start.
bool pngChunksFitIn(QIODevice& device);
