// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/Snapshot.h"

#include "host/StandardOutput.h"
#include "platform/OffscreenGLSurface.h"
#include "query/MetadataQuery.h"
#include "saver/SkyvanesView.h"

#include <QBuffer>
#include <QImage>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[nodiscard]] bool writeAll(int fd, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    std::size_t left = static_cast<std::size_t>(bytes.size());
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

// Writes into a temporary file beside the target and renames it into place, so a
// full disk leaves the old file (or none), never a truncated picture. A target that
// exists and is no regular file (/dev/stdout, a pipe) is written straight through.
[[nodiscard]] bool writeFile(const std::string& path, const QByteArray& bytes)
{
    struct stat existing { };
    const bool direct = ::stat(path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode);
    if (direct && StandardOutput::namesHeldDescriptor(path)) {
        errno = EBADF;
        return false;
    }
    const std::string written = direct ? path : path + ".tmp-" + std::to_string(::getpid());
    const int fd = ::open(written.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | (direct ? 0 : O_NOFOLLOW), 0666);
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, bytes);
    ok = (direct || ::fsync(fd) == 0) && ok;
    const int savedErrno = errno;
    ok = ::close(fd) == 0 && ok;
    if (ok && !direct && ::rename(written.c_str(), path.c_str()) == 0)
        return true;
    if (!direct) {
        const int failure = ok ? errno : savedErrno;
        ::unlink(written.c_str());
        errno = failure;
    }
    return ok && direct;
}

}

int Snapshot::run(const CommandLine& line, std::shared_ptr<const ImageDecoder> decoder)
{
    SkyvanesView::initialize();
    const Rect frame { {}, { static_cast<float>(line.width), static_cast<float>(line.height) } };
    SkyvanesView view(frame, line.preview);
    if (line.seed)
        srandom(static_cast<unsigned>(*line.seed));

    LumivelGL* renderer = view.renderer();
    renderer->setImageDecoder(std::move(decoder));
    const auto& format = renderer->pixelFormat();
    auto surface = OffscreenGLSurface::create(line.width, line.height, 1.0, format ? format->depthSize : 16);
    if (!surface) {
        std::fprintf(stderr, "skyvanes: cannot make an offscreen OpenGL context (Mesa's EGL is needed)\n");
        return 1;
    }
    renderer->setSurface(surface.get());

    view.startAnimation();
    for (int i = 0; i < line.frames; ++i) {
        MetadataQuery::deliverPendingUpdates();
        view.animateOneFrame();
        view.displayIfNeeded();
    }
    surface->makeCurrent();
    std::vector<std::uint8_t> pixels = surface->readPixels();
    view.stopAnimation();

    // GL rows run bottom to top; the frame is opaque whatever blending left in alpha.
    const QImage frameImage(pixels.data(), line.width, line.height, static_cast<qsizetype>(line.width) * 4, QImage::Format_RGBX8888);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    errno = 0;
    if (!frameImage.mirrored().save(&buffer, "PNG") || !writeFile(line.snapshotPath, png)) {
        std::fprintf(stderr, "skyvanes: cannot write %s%s%s\n", line.snapshotPath.c_str(), errno ? ": " : "", errno ? std::strerror(errno) : "");
        return 1;
    }
    return 0;
}
