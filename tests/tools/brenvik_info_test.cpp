#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/comma_locale.h"
#include "tests/support/plytexts.h"
#include "tests/support/scratchfolder.h"

namespace {

namespace fs = std::filesystem;

const char kTool[] = BRENVIK_BINARY_DIR "/tools/brenvik-info";

// What the tool writes for kBoxPly with --ply.
const char kWrittenBox[]
    = "ply\nformat ascii 1.0\nelement vertex 8\nproperty float32 x\nproperty float32 y\nproperty float32 z\n"
      "element face 6\nproperty list uint8 int32 vertex_indices\nend_header\n"
      "-0.250000 -0.500000 -1.000000 \n0.250000 -0.500000 -1.000000 \n0.250000 0.500000 -1.000000 \n"
      "-0.250000 0.500000 -1.000000 \n-0.250000 -0.500000 1.000000 \n0.250000 -0.500000 1.000000 \n"
      "0.250000 0.500000 1.000000 \n-0.250000 0.500000 1.000000 \n"
      "4 0 3 2 1\n4 4 5 6 7\n4 0 1 5 4\n4 2 3 7 6\n4 1 2 6 5\n4 0 4 7 3\n";

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class BrenvikInfo : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(dir_.empty()); }

    std::string file(const std::string& name, const std::string& text)
    {
        const fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }

    // Runs the tool with the arguments; its standard output goes to outPath
    // when given (read back only when it is a file of the test).
    Result run(const std::vector<std::string>& args, const std::string& outPath = "",
               const std::vector<std::string>& environment = {})
    {
        const std::string outFile = outPath.empty() ? (dir_ / "stdout").string() : outPath;
        const std::string errFile = (dir_ / "stderr").string();
        const pid_t pid = fork();
        if (pid == 0) {
            const int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (out < 0 || err < 0)
                _exit(127);
            dup2(out, 1);
            dup2(err, 2);
            for (const std::string& setting : environment)
                putenv(const_cast<char*>(setting.c_str()));
            std::vector<char*> argv;
            argv.push_back(const_cast<char*>(kTool));
            for (const std::string& arg : args)
                argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            execv(kTool, argv.data());
            _exit(127);
        }
        Result result;
        int status = 0;
        if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
            result.status = WEXITSTATUS(status);
        if (outPath.empty())
            result.out = readFile(outFile);
        result.err = readFile(errFile);
        return result;
    }

    ScratchFolder scratch_{"brenvik-info-test"};
    const fs::path dir_ = scratch_.path();
};

TEST_F(BrenvikInfo, PrintsCountsAndTheBoxOfTheLoadedModel)
{
    const Result result = run({file("box.ply", kBoxPly)});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out,
              "vertices 8\nfaces 6\ncorners 24\nbbox -0.250000 -0.500000 -1.000000 0.250000 0.500000 1.000000\n");
    EXPECT_EQ(result.err, "");
}

TEST_F(BrenvikInfo, EmptyModelHasNoBoxLine)
{
    const Result result = run({file("empty.ply", "ply\nformat ascii 1.0\nend_header\n")});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "vertices 0\nfaces 0\ncorners 0\n");
}

TEST_F(BrenvikInfo, WritesTheLoadedModelAsPly)
{
    const Result result = run({"--ply", file("box.ply", kBoxPly)});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, kWrittenBox);
    // What it writes loads again to the same model.
    const Result again = run({"--ply", file("again.ply", result.out)});
    EXPECT_EQ(again.out, kWrittenBox);
}

TEST_F(BrenvikInfo, PrintsVertexAndFaceNormals)
{
    const std::string path
        = file("tri.ply", "ply\nelement vertex 4\nelement face 2\nend_header\n0 0 0\n2 0 0\n0 2 0\n0 0 -2\n"
                          "3 0 1 2\n3 0 3 1\n");
    const Result result = run({"--normals", path});
    EXPECT_EQ(result.status, 0);
    // Positions (-1, -1, 1), (1, -1, 1), (-1, 1, 1), (-1, -1, -1) after scaling.
    EXPECT_EQ(result.out, "v 0 0.000000 -0.707107 0.707107\n"
                          "v 1 0.000000 -0.707107 0.707107\n"
                          "v 2 0.000000 0.000000 1.000000\n"
                          "v 3 0.000000 -1.000000 0.000000\n"
                          "f 0 0.000000 -0.000000 1.000000 -0.333333 -0.333333 1.000000\n"
                          "f 1 0.000000 -1.000000 0.000000 -0.333333 -1.000000 0.333333\n");
}

TEST_F(BrenvikInfo, SwapsTheAxesTheGivenNumberOfTimes)
{
    const std::string path = file("box.ply", kBoxPly);
    EXPECT_EQ(run({"--swap", "1", path}).out,
              "vertices 8\nfaces 6\ncorners 24\nbbox -0.500000 -1.000000 -0.250000 0.500000 1.000000 0.250000\n");
    EXPECT_EQ(run({path, "--swap", "2"}).out,
              "vertices 8\nfaces 6\ncorners 24\nbbox -1.000000 -0.250000 -0.500000 1.000000 0.250000 0.500000\n");
    EXPECT_EQ(run({"--swap", "3", path}).out, run({path}).out);
    EXPECT_EQ(run({"--swap", "0", path}).out, run({path}).out);
    EXPECT_EQ(run({"--swap", "1000000000000000000000000000000", path}).out, run({"--swap", "1", path}).out);

    const Result ply = run({"--ply", "--swap", "1", path});
    EXPECT_EQ(ply.status, 0);
    EXPECT_NE(ply.out.find("end_header\n-0.500000 -1.000000 -0.250000 \n-0.500000 -1.000000 0.250000 \n"),
              std::string::npos)
        << ply.out;
    // Normals stay as they were built.
    EXPECT_EQ(run({"--normals", "--swap", "2", path}).out, run({"--normals", path}).out);
}

// --measure: the facts in the file's own coordinates, whatever the format
// and the swaps.
TEST_F(BrenvikInfo, MeasuresTheModelInTheFilesCoordinates)
{
    const auto facts
        = [](std::string size, std::string area, std::string volume, int parts, int boundary, int degenerate) {
              return "size " + size + "\nunit none\narea " + area + "\nvolume " + volume + "\nparts "
                     + std::to_string(parts) + "\nboundary-edges " + std::to_string(boundary)
                     + "\nnon-manifold-edges 0\ndegenerate-faces " + std::to_string(degenerate) + "\n";
          };
    const struct {
        const char* name;
        std::string text;
        std::vector<std::string> options;
        std::string out;
    } rows[] = {
        {"box.ply", kBoxPly, {}, facts("10 20 40", "2800", "8000", 1, 0, 0)},
        {"box.ply", kBoxPly, {"--swap", "1"}, facts("20 40 10", "2800", "8000", 1, 0, 0)},
        {"open.ply", kOpenBoxPly, {}, facts("2 2 2", "20", "open", 1, 4, 0)},
        {"two.off",
         "OFF\n6 2 0\n0 0 0\n3 0 0\n0 4 0\n10 0 0\n10 0 0\n10 4 0.5\n3 0 1 2\n3 3 4 5\n",
         {},
         facts("10 4 0.5", "6", "open", 2, 6, 1)},
        {"cloud.obj", "v 1 2 3\nv 1.5 2 3.25\n", {}, facts("0.5 0 0.25", "0", "open", 0, 0, 0)},
    };
    for (const auto& row : rows) {
        std::vector<std::string> args = row.options;
        args.insert(args.begin(), "--measure");
        args.push_back(file(row.name, row.text));
        const Result result = run(args);
        EXPECT_EQ(result.status, 0) << row.name;
        EXPECT_EQ(result.out, row.out) << row.name;
        EXPECT_EQ(result.err, "") << row.name;
    }
    EXPECT_EQ(run({"--measure", "--ply", file("box.ply", kBoxPly)}).status, 2);
}

TEST_F(BrenvikInfo, EveryFormatLoadsAndSkippedFacesAreCountedOnStandardError)
{
    const struct {
        const char* name;
        const char* text;
        const char* err;
    } rows[] = {
        {"tri.OBJ", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2\nf 1 2 3\nf 3\n",
         "2 faces of fewer than three corners were skipped"},
        {"lib.obj", "mtllib gone.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", "material library gone.mtl was not found"},
        {"tri.off", "OFF\n3 2 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n2 0 1\n",
         "1 face of fewer than three corners was skipped"},
        {"tri.Stl",
         "solid t\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\nendloop\n"
         "endfacet\nendsolid t\n",
         nullptr},
    };
    for (const auto& row : rows) {
        const std::string path = file(row.name, row.text);
        const Result result = run({path});
        EXPECT_EQ(result.status, 0) << row.name;
        EXPECT_EQ(result.out.rfind("vertices 3\nfaces 1\ncorners 3\n", 0), 0u) << row.name;
        EXPECT_EQ(result.err, row.err != nullptr ? "brenvik-info: " + path + ": " + row.err + "\n" : "") << row.name;
    }
}

TEST_F(BrenvikInfo, FileWithoutAModelGivesItsReasonAndStatusOne)
{
    std::string bad = "ply\ncomment eight corners\nelement vertex 8\nelement face 1\nend_header\n";
    for (int i = 0; i < 8; ++i)
        bad += std::to_string(i) + " " + std::to_string(i % 3) + " 1\n";
    bad += "3 0 12 1\n";
    const std::string badPath = file("part.ply", bad);
    Result result = run({badPath});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "brenvik-info: " + badPath + ": line 14: corner index 12 is outside 0..7\n");

    const std::string objPath = file("bunny.dat", kBoxPly);
    result = run({"--ply", objPath});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "brenvik-info: " + objPath + ": no reader for this file type\n");

    const std::string upper = file("BOX.PLY", kBoxPly);
    EXPECT_EQ(run({upper}).status, 0);

    const std::string missing = (dir_ / "missing.ply").string();
    result = run({missing});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "brenvik-info: " + missing + ": No such file or directory\n");

    fs::create_directory(dir_ / "folder.ply");
    result = run({(dir_ / "folder.ply").string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "brenvik-info: " + (dir_ / "folder.ply").string() + ": not a regular file\n");
}

TEST_F(BrenvikInfo, UsageErrorsGiveStatusTwo)
{
    const std::string path = file("box.ply", kBoxPly);
    const std::vector<std::vector<std::string>> wrong = {
        {},
        {path, path},
        {"--bogus", path},
        {"--swap"},
        {path, "--swap"},
        {"--swap", "-1", path},
        {"--swap", "x", path},
        {"--swap", "", path},
        {"--swap", "1", "--swap", "1", path},
        {"--ply", "--normals", path},
    };
    for (const auto& args : wrong) {
        const Result result = run(args);
        std::string joined;
        for (const std::string& arg : args)
            joined += " '" + arg + "'";
        EXPECT_EQ(result.status, 2) << joined;
        EXPECT_EQ(result.out, "") << joined;
        EXPECT_NE(result.err.find("usage: brenvik-info"), std::string::npos) << joined;
    }
    const Result help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: brenvik-info"), std::string::npos);
}

TEST_F(BrenvikInfo, WriteErrorsAreReported)
{
    const std::string path = file("box.ply", kBoxPly);
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{path}, {"--ply", path}, {"--normals", path}}) {
        const Result result = run(args, "/dev/full");
        EXPECT_EQ(result.status, 1) << args[0];
        EXPECT_EQ(result.err, "brenvik-info: cannot write the output: No space left on device\n") << args[0];
    }
}

TEST_F(BrenvikInfo, LoadsEveryBundledSample)
{
    int samples = 0;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(BRENVIK_SAMPLES_DIR, error)) {
        if (entry.path().extension() != ".ply")
            continue;
        ++samples;
        const Result result = run({entry.path().string()});
        EXPECT_EQ(result.status, 0) << entry.path() << ": " << result.err;
        EXPECT_EQ(result.out.rfind("vertices ", 0), 0u) << entry.path();
    }
    if (samples == 0)
        GTEST_SKIP() << "no samples in " << BRENVIK_SAMPLES_DIR;
}

TEST_F(BrenvikInfo, PrintsVertexColoursOrSaysThereAreNone)
{
    const std::string coloured
        = file("rgb.ply", "ply\nelement vertex 2\nproperty float x\nproperty float y\nproperty float z\n"
                          "property uchar red\nproperty uchar green\nproperty uchar blue\nproperty uchar alpha\n"
                          "end_header\n0 0 0 255 0 51 7\n1 1 1 0 128 255 7\n");
    Result result = run({"--colours", coloured});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "c 0 1.000000 0.000000 0.200000\nc 1 0.000000 0.501961 1.000000\n");
    // The summary is the same as for a file without colours.
    EXPECT_EQ(run({coloured}).out, "vertices 2\nfaces 0\ncorners 0\nbbox -1.000000 -1.000000 -1.000000 1.000000 "
                                   "1.000000 1.000000\n");
    // Face colours follow, for the faces that have one.
    result = run({"--colours", file("faces.off", "OFF\n3 2 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n3 0 2 1 255 0 51\n")});
    EXPECT_EQ(result.out, "fc 1 1.000000 0.000000 0.200000\n") << result.err;
    const std::string plain = file("box.ply", kBoxPly);
    result = run({"--colours", plain});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "brenvik-info: " + plain + ": no vertex colours\n");
}

TEST_F(BrenvikInfo, AsciiAndBinarySamplesGiveTheSameNormals)
{
    const std::string samples = BRENVIK_SAMPLES_DIR;
    const Result ascii = run({"--normals", samples + "/torus.ply"});
    ASSERT_EQ(ascii.status, 0) << ascii.err;
    EXPECT_EQ(run({"--normals", samples + "/torus_binary_le.ply"}).out, ascii.out);
    EXPECT_EQ(run({"--normals", samples + "/torus_binary_be.ply"}).out, ascii.out);
}

TEST_F(BrenvikInfo, ReadsBinaryPlyWrittenByAssimp)
{
    const std::string out = (dir_ / "exported.ply").string();
    const std::string command
        = "assimp export '" + std::string(BRENVIK_SAMPLES_DIR) + "/torus.ply' '" + out + "' -fplyb >/dev/null 2>&1";
    if (std::system("command -v assimp >/dev/null 2>&1") != 0 || std::system(command.c_str()) != 0)
        GTEST_SKIP() << "assimp is not installed";
    ASSERT_NE(readFile(out).find("format binary_little_endian"), std::string::npos);
    const Result result = run({out});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.substr(0, result.out.find("bbox")), "vertices 1152\nfaces 1152\ncorners 4608\n");
}

TEST_F(BrenvikInfo, RefusesAFifoWithoutWaitingForAWriter)
{
    const std::string fifo = (dir_ / "pipe.ply").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const Result result = run({fifo});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "brenvik-info: " + fifo + ": not a regular file\n");
}

TEST_F(BrenvikInfo, PrintsPointsWhateverTheLocaleSettings)
{
    // A comma-decimal locale for the tool, through LOCPATH when it had to be made.
    const CommaLocaleSource& comma = commaLocaleSource();
    if (!comma.available())
        GTEST_SKIP() << "no comma-decimal locale could be made";
    const std::vector<std::string> environment = comma.environment();
    const std::string path = file("box.ply", "ply\nelement vertex 2\nend_header\n0.5 1.5 2.5\n1.5 2.5 3.75\n");
    const Result result = run({path}, "", environment);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "vertices 2\nfaces 0\ncorners 0\nbbox -0.800000 -0.800000 -1.000000 0.800000 0.800000 "
                          "1.000000\n");
}

} // namespace
