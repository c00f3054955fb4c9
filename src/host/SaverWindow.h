// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWindow>

// The window the saver draws in. In a window of its own, Escape or Q closes it.
class SaverWindow : public QWindow {
    Q_OBJECT
public:
    explicit SaverWindow(bool closesOnKeys);

signals:
    void resized();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool mClosesOnKeys { false };
};
