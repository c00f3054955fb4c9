// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/SaverWindow.h"

#include <QKeyEvent>

SaverWindow::SaverWindow(bool closesOnKeys)
    : mClosesOnKeys(closesOnKeys)
{
    setSurfaceType(QSurface::OpenGLSurface);
}

void SaverWindow::keyPressEvent(QKeyEvent* event)
{
    if (mClosesOnKeys && (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Q))
        close();
    else
        QWindow::keyPressEvent(event);
}

void SaverWindow::resizeEvent(QResizeEvent* event)
{
    QWindow::resizeEvent(event);
    emit resized();
}
