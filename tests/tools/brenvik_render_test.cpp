// brenvik-render's exit statuses and messages, always run without a display.
// (Its picture is compared with the viewer's own frame in the viewer tests.)
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

const std::string kTool = BRENVIK_BINARY_DIR "/tools/brenvik-render";
const std::string kSamples = BRENVIK_SAMPLES_DIR;

class BrenvikRender : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::exists(kTool))
            GTEST_SKIP() << "brenvik-render is not built (no GUI layers)";
        char pattern[] = "/tmp/brenvik-render-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    // The tool's exit status for the arguments (each quoted), with no
    // display in its environment; its standard error goes to err.
    int run(const std::string& arguments)
    {
        const fs::path errFile = dir / "stderr";
        // The system's OpenGL keeps caches until exit: no leak report for
        // the tool under the sanitizers.
        const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "
                                    "ASAN_OPTIONS=\"$ASAN_OPTIONS:detect_leaks=0\" '" + kTool + "' " +
                                    arguments + " 2>'" + errFile.string() + "' >/dev/null";
        const int status = std::system(command.c_str());
        std::ifstream in(errFile);
        std::ostringstream text;
        text << in.rdbuf();
        err = text.str();
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string out() const { return (dir / "out.png").string(); }

    fs::path dir;
    std::string err;
};

TEST_F(BrenvikRender, WritesAPngOfTheGivenSize)
{
    ASSERT_EQ(run("--size 64x48 --no-grid '" + kSamples + "/cube.ply' '" + out() + "'"), 0) << err;
    std::ifstream png(out(), std::ios::binary);
    unsigned char header[24] = {};
    png.read(reinterpret_cast<char*>(header), sizeof header);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(header) + 1, 3), "PNG");
    EXPECT_EQ((header[16] << 24) | (header[17] << 16) | (header[18] << 8) | header[19], 64);
    EXPECT_EQ((header[20] << 24) | (header[21] << 16) | (header[22] << 8) | header[23], 48);
}

TEST_F(BrenvikRender, FileWithoutAModelGivesItsReasonAndStatusOne)
{
    {
        std::ofstream(dir / "part.ply") << "ply\nformat ascii 1.0\nelement vertex 2\nend_header\n1 2 3\n";
    }
    EXPECT_EQ(run("'" + (dir / "part.ply").string() + "' '" + out() + "'"), 1);
    EXPECT_NE(err.find("part.ply: line "), std::string::npos) << err;
    EXPECT_EQ(run("'" + (dir / "missing.ply").string() + "' '" + out() + "'"), 1);
    EXPECT_NE(err.find("missing.ply: No such file or directory"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(out()));
}

TEST_F(BrenvikRender, UsageErrorsGiveStatusTwo)
{
    const std::string files = " '" + kSamples + "/cube.ply' '" + out() + "'";
    for (const std::string& arguments :
         {std::string(), "'" + kSamples + "/cube.ply'", "--size 0x10" + files, "--size 10" + files,
          "--size 10x" + files, "--shading phong" + files, "--shading" + files, "--fast" + files,
          files + " extra"}) {
        SCOPED_TRACE(arguments);
        EXPECT_EQ(run(arguments), 2);
        EXPECT_NE(err.find("usage: brenvik-render"), std::string::npos) << err;
    }
    EXPECT_FALSE(fs::exists(out()));
}

}  // namespace
