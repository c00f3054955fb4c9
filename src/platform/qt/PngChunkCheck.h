// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QIODevice;

// True unless a chunk other than image data claims to run past the end of the PNG on
// the device. libpng allocates (and zero-fills) a text or profile chunk at the length its
// header claims before it finds the data missing, so a few hundred damaged bytes
// could otherwise cost seconds and gigabytes. Leaves the device at its start.
bool pngChunksFitIn(QIODevice& device);
