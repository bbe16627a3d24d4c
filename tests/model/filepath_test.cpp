// The parts of a path that choose the reader: the file name and its
// extension, as strings and into fixed buffers of any size.
#include <string>

#include <gtest/gtest.h>

#include "model/filepath.h"

namespace {

TEST(FilePath, NamePartAndExtension)
{
    EXPECT_EQ(fileNamePart("C:\\meshes\\bunny.ply"), "bunny.ply");
    EXPECT_EQ(fileNamePart("/home/me/mesh.v2/bunny.ply"), "bunny.ply");
    EXPECT_EQ(fileNamePart("bunny.ply"), "bunny.ply");
    EXPECT_EQ(fileNamePart("dir/"), "");
    EXPECT_EQ(fileExtension("/home/me/mesh.v2/bunny.ply"), "ply");
    EXPECT_EQ(fileExtension("/home/me/mesh.v2/bunny"), "");
    EXPECT_EQ(fileExtension("C:\\data.old\\bunny"), "");
    EXPECT_EQ(fileExtension("scan.tar.PLY"), "PLY");
    EXPECT_EQ(fileExtension("name."), "");
    EXPECT_EQ(fileExtension(""), "");
    EXPECT_EQ(folderPart("/home/me/mesh.v2/scene.gltf"), "/home/me/mesh.v2");
    EXPECT_EQ(folderPart("/scene.gltf"), "/");
    EXPECT_EQ(folderPart("scene.gltf"), ".");
    EXPECT_EQ(folderPart("parts/scene.gltf"), "parts");
}

TEST(FilePath, PathsAndExtensionsOfAnyLengthFitTheirBuffers)
{
    const std::string longDir = "/" + std::string(5000, 'd') + ".x/";
    const std::string longExtension = "ply" + std::string(300, 'z');
    const std::string path = longDir + "model." + longExtension;
    EXPECT_EQ(fileExtension(path), longExtension);
    EXPECT_EQ(fileNamePart(path), "model." + longExtension);

    char small[8];
    fileExtension(small, sizeof small, path.c_str());
    EXPECT_STREQ(small, "plyzzzz");
    char name[6];
    fileNamePart(name, sizeof name, path.c_str());
    EXPECT_STREQ(name, "model");
    fileNamePart(name, 0, path.c_str()); // nothing to write into
    char one[1] = {'x'};
    fileExtension(one, sizeof one, path.c_str());
    EXPECT_EQ(one[0], '\0');
}

} // namespace
