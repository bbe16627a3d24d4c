#pragma once

// The numbers that tune the readers for speed, in one place, a line each on
// why. None of them changes what a file loads to: the tests hold every fast
// path to the plain one. A fuzzing build lowers those marked (fuzz), so that
// small inputs reach the paths they guard.

#include <cstddef>
#include <cstdint>

#ifndef BRENVIK_SPLIT_READ_BYTES
#define BRENVIK_SPLIT_READ_BYTES (std::size_t{256} << 10)
#endif
#ifndef BRENVIK_PARALLEL_ITEMS
#define BRENVIK_PARALLEL_ITEMS 65536
#endif
#ifndef BRENVIK_BINARY_RUN_BYTES
#define BRENVIK_BINARY_RUN_BYTES (std::size_t{1} << 20)
#endif
#ifndef BRENVIK_RUN_BYTES
#define BRENVIK_RUN_BYTES (std::size_t{4} << 20)
#define BRENVIK_CHUNK_BYTES (std::size_t{1} << 18)
#endif
#ifndef BRENVIK_STL_SPLIT_TRIANGLES
#define BRENVIK_STL_SPLIT_TRIANGLES 65536
#define BRENVIK_STL_RUN_TRIANGLES 65536
#endif

namespace tuning {

// Reading the file
// A block read from the stream is one huge page: one read call and no
// copying for most of a file.
constexpr std::size_t kBlockBytes = std::size_t{2} << 20;
// Streams of unknown size (pipes) start with a small buffer: most are small.
constexpr std::size_t kSmallBlockBytes = std::size_t{1} << 16;
// Reads of a regular file from this size on are shared by two cores, a
// half each: below it a second thread costs more than it saves. (fuzz)
constexpr std::size_t kSplitReadBytes = BRENVIK_SPLIT_READ_BYTES;
// The look through a whole file (counting OBJ lines, checking an OFF body)
// reads it in pieces of one huge page.
constexpr std::size_t kScanPieceBytes = std::size_t{2} << 20;

// Reading on two cores
// Text files from this size on are counted (OBJ) or checked (OFF) first,
// so that their arrays get their final size at once and runs can be read on
// two cores: smaller files load faster line by line.
constexpr long long kCountedBytes = std::size_t{1} << 20;
// PLY elements of at least this many items in a regular file are read on
// two cores: fewer finish before a second thread would start. (fuzz)
constexpr uint32_t kParallelItems = BRENVIK_PARALLEL_ITEMS;
// A binary PLY run is about this many bytes of the buffer, halved between
// the cores: large enough that the hand-over is rare. (fuzz)
constexpr std::size_t kBinaryRunBytes = BRENVIK_BINARY_RUN_BYTES;
// A run of text lines is about this many bytes, shared out in chunks of
// about kLineChunkBytes, so that the two cores end a run together. (fuzz)
constexpr std::size_t kLineRunBytes = BRENVIK_RUN_BYTES;
constexpr std::size_t kLineChunkBytes = BRENVIK_CHUNK_BYTES;
// Binary STL files of at least this many triangles are welded on two cores,
// a run of this many triangles at a time. (fuzz)
constexpr uint32_t kStlSplitTriangles = BRENVIK_STL_SPLIT_TRIANGLES;
constexpr uint32_t kStlRunTriangles = BRENVIK_STL_RUN_TRIANGLES;
// Models with at least this many vertices (centring) or faces and vertices
// (normals) are worked on by two threads: smaller ones are done sooner alone.
constexpr uint32_t kShareFrom = 200000;

// Batches
// Faces read one line at a time go to the model in batches of about this
// many corners: one reservation a batch instead of one a face.
constexpr std::size_t kFaceBatchCorners = 65536;
// Vertices or faces between looks at whether the load is to stop while the
// normals are built: a look costs little, and a fifth of a second is never
// reached between two.
constexpr uint32_t kCancelStretch = 65536;

// Memory
// Arrays whose final size is not known start at this many elements and
// double: a small file takes little, a large one moves its arrays seldom.
constexpr std::size_t kFirstCapacity = 4096;
// Pages are filled ahead of the reader on a thread of their own at most this
// far beyond what it has written: far enough that the reader seldom waits
// for a fresh page, near enough that a file refused early holds little.
constexpr std::size_t kFillWindowBytes = std::size_t{64} << 20;
// Arrays smaller than this are left to fill as they are written: the thread
// would cost more than the pages.
constexpr std::size_t kWorthFillingBytes = std::size_t{4} << 20;
// Working arrays from this size on are mapped on their own and take huge
// pages; smaller ones come from the C library.
constexpr std::size_t kMappedBytes = std::size_t{1} << 20;

// Drawing while the camera moves
// Models of more triangles than this get a reduced copy for the frames
// drawn while the camera moves: below it a software driver still draws
// several frames a second.
constexpr uint64_t kReduceAboveTriangles = 1000000;
// The reduced copy has at most this many triangles: a software driver draws
// it at twenty or more frames a second in a window of about 900 x 700.
constexpr uint32_t kReducedTriangles = 300000;
// Models of more triangles than this show their reduced copy as soon as they
// are read, the whole model following once its buffers are filled: a
// software driver's first frame of the whole model takes a second or more
// beyond this.
constexpr uint64_t kShowCopyFirstAboveTriangles = 4000000;

} // namespace tuning
