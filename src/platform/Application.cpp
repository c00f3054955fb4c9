// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Application.h"

namespace {
Application* gShared = nullptr;
}

Application* Application::shared()
{
    return gShared;
}

void Application::setShared(Application* application)
{
    gShared = application;
}
