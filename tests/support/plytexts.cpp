#include "tests/support/plytexts.h"

const char kBoxPly[] = "ply\n"
                       "format ascii 1.0\n"
                       "comment a box of 10 x 20 x 40\n"
                       "element vertex 8\n"
                       "property float x\n"
                       "property float y\n"
                       "property float z\n"
                       "element face 6\n"
                       "property list uchar int vertex_indices\n"
                       "end_header\n"
                       "0 0 0\n"
                       "10 0 0\n"
                       "10 20 0\n"
                       "0 20 0\n"
                       "0 0 40\n"
                       "10 0 40\n"
                       "10 20 40\n"
                       "0 20 40\n"
                       "4 0 3 2 1\n"
                       "4 4 5 6 7\n"
                       "4 0 1 5 4\n"
                       "4 2 3 7 6\n"
                       "4 1 2 6 5\n"
                       "4 0 4 7 3\n";

const char kCubePly[] = "ply\nformat ascii 1.0\nelement vertex 8\nproperty float x\nproperty float y\n"
                        "property float z\nelement face 6\nproperty list uchar int vertex_indices\n"
                        "end_header\n"
                        "-1 -1 -1\n1 -1 -1\n1 1 -1\n-1 1 -1\n-1 -1 1\n1 -1 1\n1 1 1\n-1 1 1\n"
                        "4 4 5 6 7\n4 1 0 3 2\n4 5 1 2 6\n4 0 4 7 3\n4 7 6 2 3\n4 0 1 5 4\n";

const char kOpenBoxPly[] = "ply\nformat ascii 1.0\nelement vertex 8\nproperty float x\nproperty float y\n"
                           "property float z\nelement face 5\nproperty list uchar int vertex_indices\n"
                           "end_header\n"
                           "-1 -1 -1\n1 -1 -1\n1 1 -1\n-1 1 -1\n-1 -1 1\n1 -1 1\n1 1 1\n-1 1 1\n"
                           "4 1 0 3 2\n4 5 1 2 6\n4 0 4 7 3\n4 7 6 2 3\n4 0 1 5 4\n";

std::string plyHeader(long long vertices, long long faces)
{
    return "ply\nformat ascii 1.0\nelement vertex " + std::to_string(vertices)
           + "\nproperty float x\nproperty float y\nproperty float z\nelement face " + std::to_string(faces)
           + "\nproperty list uchar int vertex_indices\nend_header\n";
}
