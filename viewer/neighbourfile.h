#pragma once

#include <QString>

// The files beside the open one, for View > Next File and Previous File:
// the files of its folder that a reader reads (loadModel's extensions, in
// any letter case), in the order a file manager shows names.

// Natural name order: letter case ignored, runs of digits compared as
// numbers ("part2" before "part10", "Part3" between them); names equal in
// that order fall back to their plain text order, so the order is total.
bool naturalNameLess(const QString& a, const QString& b);

// The readable file after (step > 0) or before (step < 0) path in its
// folder, as an absolute path; empty when there is none. Path itself need
// not exist any more: the files are placed around where its name would be.
QString neighbourModelFile(const QString& path, int step);
