// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/GLView.h"

namespace {
PixelFormat::Availability& availability()
{
    static PixelFormat::Availability instance;
    return instance;
}
}

std::optional<PixelFormat> PixelFormat::pixelFormatWithAttributes(const std::vector<int>& attributes)
{
    PixelFormat format;
    for (std::size_t i = 0; i < attributes.size() && attributes[i] != End; ++i) {
        const auto takesValue = [&](int& field) {
            if (i + 1 < attributes.size())
                field = attributes[++i];
        };
        switch (attributes[i]) {
        case DoubleBuffer:
            format.doubleBuffer = true;
            break;
        case NoRecovery:
            format.noRecovery = true;
            break;
        case ColorSize:
            takesValue(format.colorSize);
            break;
        case AlphaSize:
            takesValue(format.alphaSize);
            break;
        case DepthSize:
            takesValue(format.depthSize);
            break;
        default:
            return std::nullopt;
        }
    }
    if (availability() && !availability()(format))
        return std::nullopt;
    return format;
}

void PixelFormat::setAvailability(Availability test)
{
    availability() = std::move(test);
}

bool GLView::makeCurrent()
{
    return mSurface && mSurface->makeCurrent();
}

void GLView::flushBuffer()
{
    if (mSurface)
        mSurface->swapBuffers();
}

double GLView::devicePixelRatio() const
{
    return mSurface ? mSurface->devicePixelRatio() : 1.0;
}

void GLView::display()
{
    if (!makeCurrent())
        return;
    if (!mPrepared) {
        mPrepared = true;
        prepareOpenGL();
    }
    drawRect(bounds());
}
