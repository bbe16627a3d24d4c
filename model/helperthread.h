#pragma once

// One helper thread kept for the life of the process, for runInTwo's second
// part: starting a thread for every part costs more than many parts take,
// and a new thread's first use of the heap maps memory of its own, which
// waits for whatever holds the process's address space (a thread filling
// pages ahead of a reader holds it for milliseconds at a time).

namespace helperthread {

using Job = void (*)(void* context);

// Starts job(context) on the kept helper when it is free (made on first
// use); false, with nothing started, when it is busy with another caller's
// job, cannot be made, or belongs to the process this one was forked from.
bool start(Job job, void* context);
// Waits until the job that start() began has finished.
void finish();
// Makes the kept helper now, if it is not yet made: a thread is made by
// changing the address space, which must wait for anyone filling pages.
void make();

} // namespace helperthread
