// SPDX-License-Identifier: GPL-3.0-or-later
#include "RendererTest.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>

namespace {

using Paths = std::vector<std::string>;

// A renderer whose picture list the test decides: paths starting "/bad" cannot be
// read, "/empty" is a picture of no size, any other is a 4 x 4 picture. Records the
// paths asked for, on which frame, and the GL names of its textures.
struct ScriptedRenderer {
    explicit ScriptedRenderer(bool preview)
        : renderer(Rect { {}, { 64, 64 } }, preview)
    {
        renderer.setImageListBuilder([this](const auto&) { return paths; });
        renderer.setTextureMaker([this](const std::string& path) -> std::unique_ptr<LVTexture> {
            requested.push_back(path);
            requestFrames.push_back(frames + 1);
            if (path.starts_with("/bad"))
                return nullptr;
            GLuint name = 0;
            glGenTextures(1, &name);
            names.insert(name);
            return std::make_unique<LVTexture>(name, path == "/empty" ? Size {} : Size { 4, 4 }, Size { 1, 1 });
        });
    }
    void draw(int count)
    {
        for (int i = 0; i < count; ++i, ++frames) {
            renderer.setNeedsDisplay(true);
            renderer.displayIfNeeded();
        }
    }
    int liveTextures() const { return int(std::count_if(names.begin(), names.end(), glIsTexture)); }

    LumivelGL renderer;
    Paths paths, requested;
    std::vector<int> requestFrames;
    std::set<GLuint> names;
    int frames { 0 };
};

// Two pixels a point, as on a dense screen.
class LumivelGLTest : public RendererTest<64, 64, 2> {
protected:
    std::unique_ptr<ScriptedRenderer> started(Paths paths, bool preview = false)
    {
        auto view = std::make_unique<ScriptedRenderer>(preview);
        view->paths = std::move(paths);
        RendererTest::started(view->renderer);
        return view;
    }
};

}

TEST_F(LumivelGLTest, FillsOneAFrameToTheLimitReplacesFinishedOnesKeepsNoDeadTexturesAndLeavesNoDrawingState)
{
    for (int style : { 0, 1 }) {
        SCOPED_TRACE(style);
        moduleSettings().setInteger(style, SettingsKey::ImageStyle); // the limit is the default, 8
        srandom(21);
        auto view = started({ "/a", "/b", "/c" });
        for (int n = 1; n <= 400; ++n) {
            view->draw(1);
            const std::size_t live = view->renderer.liveSpriteCount();
            ASSERT_TRUE(n > 8 ? live <= 8 : live == std::size_t(n)) << "the eighth sprite comes in the eighth frame";
            ASSERT_EQ(view->liveTextures(), int(live)) << "a finished sprite's texture goes at the end of its frame " << n;
        }
        EXPECT_GT(view->requested.size(), 8u) << "finished sprites are replaced";
        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_TRUE(viewport[2] == 128 && viewport[3] == 128) << "the viewport counts device pixels";
        for (GLenum state : { GL_TEXTURE_2D, GL_BLEND, GL_DEPTH_TEST, GL_VERTEX_ARRAY, GL_TEXTURE_COORD_ARRAY })
            EXPECT_FALSE(glIsEnabled(state)) << state;
    }
    EXPECT_EQ(mGL->swapCount(), 800) << "each frame is shown by a swap";
}

TEST_F(LumivelGLTest, AtRandomASeedChoosesThePathsAndTheFramesTheyComeOn)
{
    // Worked out by tests/sprites/expected_draws.py from the drawing rules alone: one
    // draw for the choice, then the sprite's own, which also decide when it expires.
    const struct {
        int style;
        unsigned seed;
        std::vector<std::pair<int, std::string>> shown;
    } rows[] = {
        { 0, 5, { { 1, "/1" }, { 252, "/2" }, { 511, "/1" }, { 781, "/2" }, { 1103, "/2" }, { 1327, "/3" } } },
        { 1, 6, { { 1, "/0" }, { 86, "/3" }, { 166, "/2" }, { 246, "/3" }, { 345, "/0" }, { 433, "/4" } } },
    };
    moduleSettings().setInteger(1, SettingsKey::ImageLimit);
    moduleSettings().setInteger(1, SettingsKey::ImageOrder);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.style);
        moduleSettings().setInteger(row.style, SettingsKey::ImageStyle);
        srandom(row.seed);
        auto view = started({ "/0", "/1", "/2", "/3", "/4" });
        view->draw(row.shown.back().first);
        std::vector<std::pair<int, std::string>> shown;
        for (std::size_t i = 0; i < view->requested.size(); ++i)
            shown.emplace_back(view->requestFrames[i], view->requested[i]);
        EXPECT_EQ(shown, row.shown);
    }
}

TEST_F(LumivelGLTest, UnreadablePicturesAreCountedLoggedAndDropped)
{
    const struct {
        std::vector<Paths> starts; // the full view, then the preview, then the full view again
        Paths requested, log;
    } rows[] = {
        // The cursor is not moved back, so C comes next and B after the wrap.
        { { { "/badA", "/B", "/C" } }, { "/badA", "/C", "/B", "/C" }, { "Unable to load /badA." } },
        { { { "/empty", "/B" } }, { "/empty", "/B", "/B", "/B" }, { "Unable to load /empty." } },
        // One count for the process, kept across a stop and a start.
        { { { "/bad1", "/bad2" }, { "/bad3", "/bad4" }, { "/bad5", "/bad6" } }, { "/bad1", "/bad2", "/bad3", "/bad4", "/bad5", "/bad6" },
            { "Unable to load /bad1.", "Unable to load /bad2.", "No readable images.", "Unable to load /bad3.", "Unable to load /bad4.",
                "No readable images.", "Many unreadable images.", "No readable images." } },
    };
    for (const auto& row : rows) {
        LumivelGL::resetUnreadableImageCount();
        LogCapture log;
        auto full = started({}), preview = started({}, true);
        Paths requested;
        for (std::size_t i = 0; i < row.starts.size(); ++i) {
            ScriptedRenderer& view = i == 1 ? *preview : *full;
            view.renderer.stopAnimation();
            view.paths = row.starts[i];
            view.requested.clear();
            view.renderer.startAnimation();
            view.draw(4);
            requested.insert(requested.end(), view.requested.begin(), view.requested.end());
        }
        EXPECT_EQ(requested, row.requested);
        EXPECT_EQ(log.lines(), row.log);
    }
}
