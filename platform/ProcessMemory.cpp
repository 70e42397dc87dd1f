// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProcessMemory.h"

#include <malloc.h>

void KeepTheHeapsFew()
{
    // The main thread's heap and one more.
    mallopt(M_ARENA_MAX, 2);
}

void GiveFreedMemoryBack()
{
    malloc_trim(0);
}
