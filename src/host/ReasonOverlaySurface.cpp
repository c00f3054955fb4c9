// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/ReasonOverlaySurface.h"

#include <GL/gl.h>
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
    GLint viewport[4] = { 0, 0, 0, 0 };
    glGetIntegerv(GL_VIEWPORT, viewport);
    if (viewport[2] <= 0 || viewport[3] <= 0)
        return;
    if (mImage.isNull() || line != mImageLine || viewport[2] != mImageWidth || viewport[3] != mImageHeight)
        render(line, viewport[2], viewport[3]);
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, viewport[2], 0, viewport[3], -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelZoom(1.0f, 1.0f);
    glRasterPos2i((viewport[2] - mImage.width()) / 2, (viewport[3] - mImage.height()) / 2);
    glDrawPixels(mImage.width(), mImage.height(), GL_RGBA, GL_UNSIGNED_BYTE, mImage.constBits());
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopClientAttrib();
    glPopAttrib();
}
