// What the view puts on the screen: background, model in each shading mode,
// culling, stereo; read back from the window after each frame.
#include "viewerwindow.h"

#include "model/meshmodel.h"
#include "model/plyreader.h"
#include "platform/commandids.h"
#include "platform/dialogs.h"
#include "viewer/tavroview.h"
#include "viewer/viewerstate.h"

#include <QTemporaryDir>


#include <gtest/gtest.h>

#include <cstdio>

using namespace viewertest;

namespace {

constexpr int kSize = 256;
const Rgb kBlack{0, 0, 0};

class ViewDrawingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetViewerState();
        window = std::make_unique<ViewerWindow>(kSize, kSize);
        ASSERT_TRUE(window->ready()) << "no OpenGL view";
        view = window->view();
        // Only the model, unless a test asks for more.
        view->m_showAxes = false;
        view->m_showMesh = false;
    }

    void TearDown() override
    {
        window.reset();
        platform::setFileDialogHook({});
        resetViewerState();
    }

    void loadCube()
    {
        ASSERT_TRUE(dir.isValid());
        const QString path = writeFile(dir.path(), QStringLiteral("cube.ply"), cubePly());
        platform::setFileDialogHook([path](CFileDialog& dialog) {
            dialog.SetPathName(path);
            return IDOK;
        });
        ASSERT_TRUE(window->command(ID_FILE_OPEN));
        ASSERT_NE(g_model, nullptr);
    }

    Pixels frame()
    {
        view->RenderScene();
        return window->readFront();
    }

    QTemporaryDir dir;
    std::unique_ptr<ViewerWindow> window;
    CTavroView* view = nullptr;
    const int cx = kSize / 2;
    const int cy = kSize / 2;
};

TEST_F(ViewDrawingTest, BackgroundColourFillsTheWindow)
{
    g_bgColor[0] = 0.0f;
    g_bgColor[1] = 0.5f;
    g_bgColor[2] = 1.0f;
    const Pixels p = frame();
    ASSERT_EQ(p.width(), kSize);
    EXPECT_EQ(p.count(Rgb{0, 128, 255}, 1), kSize * kSize);
}

TEST_F(ViewDrawingTest, LoadedModelIsLitAtTheCentre)
{
    loadCube();
    Pixels p = frame();
    p.savePng(debugImagePath(QStringLiteral("view-flat.png")));
    EXPECT_GT(p.countGrey(40, cx - 5, cy - 5, cx + 5, cy + 5), 90);
    window->command(ID_SHADING_SMOOTH);
    p = window->readFront();
    EXPECT_GT(p.countGrey(40, cx - 5, cy - 5, cx + 5, cy + 5), 90);
    window->command(ID_SHADING_SMOOTH);  // off
    p = window->readFront();
    EXPECT_EQ(p.count(kBlack, 0), kSize * kSize);
}

}  // namespace
