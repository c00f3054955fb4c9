// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/FpsOverlaySurface.h"

#include "host/OverlayImage.h"

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
    OverlayImage::draw(mImage, 8, 8);
}
