#pragma once

// Has the C library back the large blocks it hands out with huge pages.
//
// The software OpenGL driver keeps a big model's buffers (a hundred
// megabytes and more) in blocks from the C library, and a 4 KB page it
// faults in for the first time costs far more than the bytes written to it:
// on a virtual machine, building the buffers of a million-vertex model took
// 220 ms page by page and 140 ms in huge pages, and the first frame after an
// open about half of that again. The kernel gives huge pages only to memory
// advised to take them, and the C library advises its blocks only when its
// glibc.malloc.hugetlb tunable is set, which it reads as the process starts.
// So this restarts the program (the same executable and arguments, the same
// process id) once with the tunable added to GLIBC_TUNABLES. It does nothing
// when the tunable is already set (to anything: "glibc.malloc.hugetlb=0"
// turns the restart off), when the system has no transparent huge pages,
// and when the restart fails. Call first thing in main, before any thread.
void startWithHugePages(char** argv);
