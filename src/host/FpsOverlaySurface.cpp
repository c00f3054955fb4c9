// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/FpsOverlaySurface.h"

#include <GL/gl.h>
#include <QFontDatabase>
#include <QPainter>

void FpsOverlaySurface::setRate(double framesPerSecond, double load)
{
    mText = QString("FPS: %1\nLoad: %2%").arg(framesPerSecond, 0, 'f', 1).arg(load * 100.0, 0, 'f', 1);
    mImage = QImage();
}

void FpsOverlaySurface::swapBuffers()
{
    drawText();
    mInner.swapBuffers();
}

void FpsOverlaySurface::drawText()
{
    if (mImage.isNull()) {
        QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPixelSize(14);
        const QSize size = QFontMetrics(font).size(0, mText) + QSize(8, 6);
        QImage text(size, QImage::Format_RGBA8888_Premultiplied);
        text.fill(QColor(0, 0, 0, 160));
        QPainter painter(&text);
        painter.setFont(font);
        painter.setPen(Qt::yellow);
        painter.drawText(text.rect().adjusted(4, 3, -4, -3), Qt::AlignLeft | Qt::AlignTop, mText);
        painter.end();
        // GL rows run bottom-up.
        mImage = text.mirrored();
    }
    GLint viewport[4] = { 0, 0, 0, 0 };
    glGetIntegerv(GL_VIEWPORT, viewport);
    glPushAttrib(GL_ALL_ATTRIB_BITS);
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
    glRasterPos2i(8, 8);
    glDrawPixels(mImage.width(), mImage.height(), GL_RGBA, GL_UNSIGNED_BYTE, mImage.constBits());
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
}
