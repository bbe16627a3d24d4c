// brenvik-render's exit statuses and messages, always run without a display.
// (Its pictures are compared with the viewer's own frames in the viewer
// tests; the packaged program draws in scripts/check_package.sh.)
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/meshshapes.h"
#include "tests/support/scratchfolder.h"

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
        ASSERT_FALSE(dir.empty());
    }

    // The tool's exit status for the arguments (each quoted), with no
    // display in its environment (and the variables of `environment`,
    // NAME=value words); its standard error goes to err.
    int run(const std::string& arguments, const std::string& environment = std::string())
    {
        const fs::path errFile = dir / "stderr";
        // The system's OpenGL keeps caches until exit: no leak report for
        // the tool under the sanitizers.
        const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "
                                    "ASAN_OPTIONS=\"$ASAN_OPTIONS:detect_leaks=0\" "
                                    + environment + " '" + kTool + "' " + arguments + " 2>'" + errFile.string()
                                    + "' >/dev/null";
        const int status = std::system(command.c_str());
        std::ifstream in(errFile);
        std::ostringstream text;
        text << in.rdbuf();
        err = text.str();
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string out() const { return (dir / "out.png").string(); }
    std::string quoted(const fs::path& path) const { return "'" + path.string() + "'"; }

    ScratchFolder scratch{"brenvik-render-test"};
    const fs::path dir = scratch.path();
    std::string err;
};

TEST_F(BrenvikRender, FileWithoutAModelGivesItsReasonAndStatusOne)
{
    {
        std::ofstream(dir / "part.ply") << "ply\nformat ascii 1.0\nelement vertex 2\nend_header\n1 2 3\n";
    }
    EXPECT_EQ(run(quoted(dir / "part.ply") + " " + quoted(out())), 1);
    EXPECT_NE(err.find("part.ply: line "), std::string::npos) << err;
    EXPECT_EQ(run(quoted(dir / "missing.ply") + " " + quoted(out())), 1);
    EXPECT_NE(err.find("missing.ply: No such file or directory"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(out()));
}

TEST_F(BrenvikRender, UsageErrorsGiveStatusTwo)
{
    const std::string files = " " + quoted(kSamples + "/cube.ply") + " " + quoted(out());
    for (const std::string& arguments :
         {std::string(), quoted(kSamples + "/cube.ply"), "--size 0x10" + files, "--size 10" + files,
          "--size 10x" + files, "--shading phong" + files, "--shading" + files, "--fast" + files, files + " extra",
          "--time-limit 0" + files, "--time-limit -1" + files, "--time-limit 1e3" + files, "--time-limit" + files}) {
        SCOPED_TRACE(arguments);
        EXPECT_EQ(run(arguments), 2);
        EXPECT_NE(err.find("usage: brenvik-render"), std::string::npos) << err;
    }
    EXPECT_FALSE(fs::exists(out()));
}

TEST_F(BrenvikRender, GivesUpAfterItsTimeLimitLeavingNoPicture)
{
    // One polygon of 100,000 corners: far more than a millisecond's work.
    {
        std::ofstream file(dir / "big.ply");
        file << "ply\nformat ascii 1.0\nelement vertex 100000\nelement face 1\nend_header\n";
        for (int i = 0; i < 100000; ++i)
            file << (i % 317) << ' ' << (i % 211) << ' ' << (i % 97) << '\n';
        file << 100000;
        for (int i = 0; i < 100000; ++i)
            file << ' ' << i;
        file << '\n';
    }
    EXPECT_EQ(run("--time-limit 0.001 " + quoted(dir / "big.ply") + " " + quoted(out())), 1);
    EXPECT_NE(err.find("big.ply: gave up after 0.001 s"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(out()));
}

std::string bytesOf(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// A picture of at most 512 pixels a side shows a large model's reduced copy
// (here the sheet of 6962 triangles counts as large above 1000, its copy of
// at most 500 triangles), a larger
// picture, or a model below the threshold, the model itself.
TEST_F(BrenvikRender, SmallPicturesOfLargeModelsShowTheReducedCopy)
{
    const struct {
        const char* size;
        const char* above; // triangles of a large model
        bool asTheModel;
    } rows[] = {
        {"256x256", "1000", false},
        {"512x300", "1000", false},
        {"513x513", "1000", true},
        {"256x256", "10000", true},
    };
    {
        std::ofstream(dir / "sheet.ply") << plyOf(wavySheet(60));
    }
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.size) + " above " + row.above);
        const std::string files = " " + quoted(dir / "sheet.ply") + " " + quoted(out());
        ASSERT_EQ(run(std::string("--size ") + row.size + files, "BRENVIK_REDUCE_ABOVE=1000000000"), 0) << err;
        const std::string model = bytesOf(out());
        ASSERT_EQ(run(std::string("--size ") + row.size + files,
                      std::string("BRENVIK_REDUCED_TRIANGLES=500 BRENVIK_REDUCE_ABOVE=") + row.above),
                  0)
            << err;
        EXPECT_EQ(bytesOf(out()) == model, row.asTheModel);
    }
}

} // namespace
