#include <cstdio>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "model/regularfile.h"

namespace {

TEST(OpenModelFile, OnlyRegularFilesAreOpenedAndNothingBlocks)
{
    char pattern[] = "/tmp/brenvik-regularfile-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string dir = pattern;
    const std::string fifo = dir + "/pipe.ply";
    const std::string zero = dir + "/zero.ply";
    const std::string socketPath = dir + "/socket.ply";
    const std::string regular = dir + "/mesh.ply";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(symlink("/dev/zero", zero.c_str()), 0);
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    FILE* made = std::fopen(regular.c_str(), "w");
    ASSERT_NE(made, nullptr);
    std::fputs("ply\n", made);
    std::fclose(made);

    std::string reason;
    // A FIFO without a writer would block a plain open.
    for (const std::string& path : {fifo, zero, socketPath, dir, std::string("/dev/null")}) {
        EXPECT_EQ(openRegularFile(path, reason), nullptr) << path;
        EXPECT_EQ(reason, "not a regular file") << path;
    }
    EXPECT_EQ(openRegularFile(dir + "/missing.ply", reason), nullptr);
    EXPECT_EQ(reason, "No such file or directory");
    FILE* stream = openRegularFile(regular, reason);
    ASSERT_NE(stream, nullptr) << reason;
    EXPECT_EQ(reason, "");
    char line[8] = {};
    EXPECT_NE(std::fgets(line, sizeof line, stream), nullptr);
    EXPECT_STREQ(line, "ply\n");
    std::fclose(stream);

    close(sock);
    for (const std::string& path : {fifo, zero, socketPath, regular})
        unlink(path.c_str());
    rmdir(dir.c_str());
}

} // namespace
