#pragma once

// Keeps the memory a software OpenGL driver takes for every frame in the
// process between frames.
//
// Mesa's software rasteriser allocates several megabytes in small blocks for
// each draw of a big model and frees them when the frame is done. When those
// blocks lie at the top of the C library's heap, free gives them back to the
// system at once (the heap's trim threshold), and the next frame faults every
// page in again: with a million-vertex model that cost more than the frame
// itself, in the runs where the heap's layout after a load left the top free.
// A fixed trim threshold of tens of megabytes keeps them; blocks up to 32 MB
// stay on the heap, larger ones are still mapped and unmapped on their own.
// Call once, before the first frame; later calls change nothing.
void keepFrameMemory();
