// SPDX-License-Identifier: GPL-3.0-or-later
#include "XServer.h"

#include "TestSupport.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <xcb/xcb.h>

std::unique_ptr<XServer> XServer::start(int width, int height, int screens)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return nullptr;
    const std::string size = std::to_string(width) + "x" + std::to_string(height) + "x24";
    std::vector<std::string> words { "/usr/bin/Xvfb", "-displayfd", std::to_string(fds[1]), "-nolisten", "tcp", "-noreset" };
    for (int screen = 0; screen < screens; ++screen)
        words.insert(words.end(), { "-screen", std::to_string(screen), size });
    std::unique_ptr<XServer> server(new XServer);
    server->mProcess.emplace(words, std::vector<std::string> {}, [&fds] { ::close(fds[0]); });
    ::close(fds[1]);
    std::string number;
    char c;
    while (::read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    ::close(fds[0]);
    if (number.empty())
        return nullptr;
    server->mDisplay = ":" + number;
    server->mConnection = xcb_connect(server->mDisplay.c_str(), nullptr);
    if (xcb_connection_has_error(server->mConnection))
        return nullptr;
    return server;
}

XServer::~XServer()
{
    if (mConnection)
        xcb_disconnect(mConnection);
    if (mProcess)
        mProcess->signalAndWait(SIGTERM, 10000);
}

std::uint32_t XServer::createWindow(int width, int height)
{
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(mConnection)).data;
    const std::uint32_t window = xcb_generate_id(mConnection);
    const std::uint32_t values[] = { screen->white_pixel };
    xcb_create_window(mConnection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, static_cast<std::uint16_t>(width),
        static_cast<std::uint16_t>(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL, values);
    xcb_map_window(mConnection, window);
    roundTrip();
    return window;
}

void XServer::destroyWindow(std::uint32_t window)
{
    xcb_destroy_window(mConnection, window);
    roundTrip();
}

// Not just a flush: what was sent is done for every client once this returns.
void XServer::roundTrip()
{
    std::free(xcb_get_input_focus_reply(mConnection, xcb_get_input_focus(mConnection), nullptr));
}

void XServer::resizeWindow(std::uint32_t window, int width, int height)
{
    const std::uint32_t values[] = { static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height) };
    xcb_configure_window(mConnection, window, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, values);
    xcb_flush(mConnection);
}

std::vector<std::uint32_t> XServer::children(std::uint32_t window)
{
    std::vector<std::uint32_t> result;
    auto* reply = xcb_query_tree_reply(mConnection, xcb_query_tree(mConnection, window), nullptr);
    if (!reply)
        return result;
    const xcb_window_t* list = xcb_query_tree_children(reply);
    result.assign(list, list + xcb_query_tree_children_length(reply));
    std::free(reply);
    return result;
}

std::vector<std::uint32_t> XServer::shownTopLevels()
{
    std::vector<std::uint32_t> shown;
    for (std::uint32_t window : children(xcb_setup_roots_iterator(xcb_get_setup(mConnection)).data->root)) {
        auto* reply = xcb_get_window_attributes_reply(mConnection, xcb_get_window_attributes(mConnection, window), nullptr);
        if (reply && reply->map_state == XCB_MAP_STATE_VIEWABLE)
            shown.push_back(window);
        std::free(reply);
    }
    return shown;
}

void XServer::closeWindow(std::uint32_t window)
{
    const auto atom = [this](const char* name) {
        auto* reply = xcb_intern_atom_reply(mConnection, xcb_intern_atom(mConnection, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
        const xcb_atom_t value = reply ? reply->atom : xcb_atom_t { XCB_ATOM_NONE };
        std::free(reply);
        return value;
    };
    xcb_client_message_event_t event {};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom("WM_PROTOCOLS");
    event.data.data32[0] = atom("WM_DELETE_WINDOW");
    xcb_send_event(mConnection, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
    xcb_flush(mConnection);
}

std::optional<std::uint32_t> XServer::pixel(std::uint32_t window, int x, int y)
{
    auto cookie = xcb_get_image(mConnection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, static_cast<std::int16_t>(x), static_cast<std::int16_t>(y), 1, 1, ~0u);
    auto* reply = xcb_get_image_reply(mConnection, cookie, nullptr);
    if (!reply)
        return std::nullopt;
    std::uint32_t value = 0;
    const int length = xcb_get_image_data_length(reply);
    if (length >= 4)
        std::memcpy(&value, xcb_get_image_data(reply), 4);
    std::free(reply);
    return value & 0xFFFFFF;
}

bool XServer::shows(std::uint32_t window, const std::function<bool(std::uint32_t)>& colour, int timeoutMs, int x, int y)
{
    return eventually([&] { return showsNow(window, colour, x, y); }, std::chrono::milliseconds(timeoutMs));
}

bool XServer::showsNow(std::uint32_t window, const std::function<bool(std::uint32_t)>& colour, int x, int y)
{
    for (auto child : children(window)) {
        if (const auto rgb = pixel(child, x, y); (rgb && colour(*rgb)) || showsNow(child, colour, x, y))
            return true;
    }
    return false;
}

ProgramRun::ProgramRun(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
    const std::function<void()>& beforeExec)
{
    mPid = ::fork();
    if (mPid == 0) {
        for (const auto& assignment : environment)
            ::putenv(const_cast<char*>(assignment.c_str()));
        std::vector<char*> argv;
        for (const auto& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        if (beforeExec)
            beforeExec();
        ::execv(argv[0], argv.data());
        _exit(127);
    }
}

ProgramRun::~ProgramRun()
{
    if (running()) {
        ::kill(mPid, SIGKILL);
        ::waitpid(mPid, nullptr, 0);
    }
}

std::optional<int> ProgramRun::wait(int timeoutMs)
{
    eventually(
        [this] {
            int status = 0;
            if (!mStatus && ::waitpid(mPid, &status, WNOHANG) == mPid)
                mStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return mStatus.has_value();
        },
        std::chrono::milliseconds(timeoutMs));
    return mStatus;
}

std::optional<int> ProgramRun::signalAndWait(int signal, int timeoutMs)
{
    if (running())
        ::kill(mPid, signal);
    return wait(timeoutMs);
}
