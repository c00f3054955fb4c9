// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/ReasonOverlaySurface.h"

#include "host/OverlayImage.h"
#include "render/LumivelGL.h"
#include "sources/ImagePathList.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace {

// A thirtieth of the view: small beside the pictures it stands in for, readable
// from a chair; never below what a small preview can still show.
constexpr double kShareOfHeight = 1.0 / 30.0;
constexpr int kSmallestPixels = 12;

}

ReasonOverlaySurface::ReasonOverlaySurface(GLSurface& inner, LineSource line, Color background)
    : mInner(inner)
    , mLine(std::move(line))
    , mBackground(background)
{
}

int ReasonOverlaySurface::textHeight(int viewHeight)
{
    return std::max(kSmallestPixels, static_cast<int>(viewHeight * kShareOfHeight));
}

void ReasonOverlaySurface::swapBuffers()
{
    if (const auto line = mLine ? mLine() : std::nullopt)
        drawLine(*line);
    mInner.swapBuffers();
}

void ReasonOverlaySurface::render(const std::string& line, int width, int height)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(textHeight(height));
    const QFontMetrics metrics(font);
    const int margin = font.pixelSize();
    const QString text = metrics.elidedText(QString::fromStdString(line), Qt::ElideMiddle, std::max(1, width - 2 * margin));
    QImage image(QSize(std::max(1, metrics.horizontalAdvance(text)), metrics.height()), QImage::Format_RGBA8888_Premultiplied);
    image.fill(Qt::transparent);
    // Light on a dark background, dark on a light one, by perceived brightness.
    const double brightness = 0.2126 * mBackground.red + 0.7152 * mBackground.green + 0.0722 * mBackground.blue;
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(brightness < 0.5 ? QColor(235, 235, 235) : QColor(20, 20, 20));
    painter.drawText(image.rect(), Qt::AlignCenter, text);
    painter.end();
    // GL rows run bottom-up.
    mImage = image.mirrored();
    mImageLine = line;
    mImageWidth = width;
    mImageHeight = height;
}

void ReasonOverlaySurface::drawLine(const std::string& line)
{
    int width = 0, height = 0;
    if (!OverlayImage::viewportSize(width, height))
        return;
    if (mImage.isNull() || line != mImageLine || width != mImageWidth || height != mImageHeight)
        render(line, width, height);
    OverlayImage::draw(mImage, (width - mImage.width()) / 2, (height - mImage.height()) / 2);
}

std::optional<std::string> ReasonOverlaySurface::nothingShowsLine(const LumivelGL& renderer, bool namesFolders, const std::string& noneReadableLine)
{
    // A saved search still gathering may yet give pictures: it says nothing.
    if (!renderer.imagePaths() || renderer.pathCount() > 0 || renderer.liveSpriteCount() > 0 || renderer.liveImageQuery())
        return std::nullopt;
    // The list was empty from the start when its load gave a reason; else the renderer
    // dropped every picture as unreadable.
    if (auto why = ImagePathList::lastWhyEmpty())
        return namesFolders ? *why : "No pictures to show: skyvanes --list says why.";
    return noneReadableLine;
}
