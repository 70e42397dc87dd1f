// SPDX-License-Identifier: GPL-3.0-or-later
#include "CConverterApp.h"
#include "batch/Batch.h"
#include "platform/ProcessMemory.h"

#include <QQuickWindow>

int main(int argc, char **argv)
{
    // Without a window: no display is needed, and nothing of the window is made. The batch
    // command sets its own memory policy: its processes convert a bounded number of files.
    if (Batch::Wanted(argc, argv))
        return Batch::Run(argc, argv);
    KeepTheHeapsFew();
    // The movie is small: the software renderer draws it on every X server, Xvfb included.
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    CConverterApp app(argc, argv);
    return app.InitInstance() ? app.exec() : 0;
}
