// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QImage;

// A picture the host lays over the renderer's frame, in the current GL context.
class OverlayImage {
public:
    // The current viewport's size in pixels; false when it is empty.
    static bool viewportSize(int& width, int& height);
    // Blends image (premultiplied RGBA, rows bottom-up as GL counts them) with its
    // lower-left corner at pixel (x, y) of the viewport, leaving every GL state and
    // matrix as it found them, so the renderer's next frame is unchanged.
    static void draw(const QImage& image, int x, int y);
};
