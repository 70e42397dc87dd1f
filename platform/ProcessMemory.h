// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How a process that converts a queue of files (the window) keeps its memory from growing over
// the queue, and how one that converts a few files one after another and ends (a process of a
// batch run) reuses what each file freed for the next.
//
// libVLC frees multi-megabyte buffers (the input's read cache, codec pictures) on every file,
// from a new set of threads each time. glibc gives each thread that allocates at the same time
// as another a heap (arena) of its own, up to eight per processor, and keeps what is freed in
// them for later; over a long queue these heaps fragmented and grew by tens of megabytes.
// Glibc's own mmap threshold stays: it serves the pictures from the heaps instead of faulting
// in fresh pages for every one, which a fixed threshold cost (7 to 12 % of a 640x360
// conversion's CPU).

// Called first thing in main(), before any other thread starts: libVLC's threads share two
// heaps instead of up to sixteen.
void KeepTheHeapsFew();

// For a process that converts a bounded number of files: two heaps, which keep what is freed,
// and every buffer of a conversion (up to 64 MB) served from them. The next file's conversion
// reuses those pages instead of faulting in fresh ones (7 % of the CPU of 4 s 640x360 clips, for
// about 60 MB more at the peak). Called first, before any other thread starts.
void KeepFreedMemoryForReuse();

// Hands the free pages of every heap back to the system; called when a file's conversion has
// ended and nothing of it is left running. Takes some milliseconds.
void GiveFreedMemoryBack();

// The process's resident memory in kB, or -1 when it cannot be read.
long ResidentKb();
