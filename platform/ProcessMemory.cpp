// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProcessMemory.h"

#include <malloc.h>

void KeepLargeBuffersOutOfTheHeap()
{
    // glibc's own starting value; setting it at all turns the raising off.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
}
