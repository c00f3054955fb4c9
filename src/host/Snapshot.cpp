// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/Snapshot.h"

#include "platform/OffscreenGLSurface.h"
#include "saver/SkyvanesView.h"

#include <QImage>
#include <cstdio>
#include <cstdlib>

int Snapshot::run(const CommandLine& line)
{
    SkyvanesView::initialize();
    const Rect frame { {}, { static_cast<float>(line.width), static_cast<float>(line.height) } };
    SkyvanesView view(frame, line.preview);
    if (line.seed)
        srandom(static_cast<unsigned>(*line.seed));

    LumivelGL* renderer = view.renderer();
    const auto& format = renderer->pixelFormat();
    auto surface = OffscreenGLSurface::create(line.width, line.height, 1.0, format ? format->depthSize : 16);
    if (!surface) {
        std::fprintf(stderr, "skyvanes: cannot make an offscreen OpenGL context (Mesa's EGL is needed)\n");
        return 1;
    }
    renderer->setSurface(surface.get());

    view.startAnimation();
    for (int i = 0; i < line.frames; ++i) {
        view.animateOneFrame();
        view.displayIfNeeded();
    }
    surface->makeCurrent();
    std::vector<std::uint8_t> pixels = surface->readPixels();
    view.stopAnimation();

    // GL rows run bottom to top; the frame is opaque whatever blending left in alpha.
    const QImage frameImage(pixels.data(), line.width, line.height, line.width * 4, QImage::Format_RGBX8888);
    if (!frameImage.mirrored().save(QString::fromStdString(line.snapshotPath), "PNG")) {
        std::fprintf(stderr, "skyvanes: cannot write %s\n", line.snapshotPath.c_str());
        return 1;
    }
    return 0;
}
