#pragma once

// Lets another thread follow a load and stop it. The reader adds the bytes it
// has taken from the stream to bytesRead as it goes, and looks at cancel in
// every phase (between blocks of the file, every few thousand header lines,
// every 65536 faces or vertices while the normals are built): once cancel
// is set, the load gives no model, with the reason "loading was cancelled",
// well within a fifth of a second. After a load, skippedFaces holds how many
// faces the reader left out (faces of fewer than three corners in the
// formats that allow them), and note what else the user should know about the
// model the reader gave ("the file holds 2 triangles more than its count"),
// one sentence a line; note is written by the loading thread and read once
// the load is over.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

struct MeshModel;

struct LoadControl {
    std::atomic<uint64_t> bytesRead{0};
    std::atomic<bool> cancel{false};
    std::atomic<uint64_t> skippedFaces{0};
    std::string note;
    // When set, called on the loading thread once the model's positions are
    // centred and its faces' corners known, before the normals are built
    // (the longest part of a large load): shape has no normals yet and,
    // with packedTriangles, no faces' records either, its corners lying
    // three a face in its corner block. A reduced copy made from it can be
    // shown while the load goes on.
    std::function<void(const MeshModel& shape, bool packedTriangles)> onShape;

    // Adds a sentence to note.
    void addNote(const std::string& sentence)
    {
        if (!note.empty())
            note += "; ";
        note += sentence;
    }
};
