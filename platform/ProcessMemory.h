// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Called first thing in main(), before any other thread starts, by a process that converts a
// queue of files (the window); a process that converts one file and ends has no need of it.
//
// glibc raises its mmap threshold each time a large mmapped block is freed (up to 32 MB), and
// from then on serves blocks of that size from the heaps of the threads that ask. libVLC frees
// multi-megabyte buffers (the input's read cache, codec pictures) on every file, from a new set
// of threads each time, so a long queue left the heaps fragmented and growing by tens of
// kilobytes per file. A fixed threshold keeps such buffers in mmaps of their own, returned to
// the system as soon as they are freed.
void KeepLargeBuffersOutOfTheHeap();
