// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProcessMemory.h"

#include <QByteArray>
#include <QFile>

#include <malloc.h>

void KeepTheHeapsFew()
{
    // The main thread's heap and one more.
    mallopt(M_ARENA_MAX, 2);
}

void KeepFreedMemoryForReuse()
{
    KeepTheHeapsFew();
    mallopt(M_MMAP_THRESHOLD, 64 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
}

void GiveFreedMemoryBack()
{
    malloc_trim(0);
}

long ResidentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}
