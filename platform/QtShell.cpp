// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtShell.h"

#include <QDesktopServices>

void CQtShell::openUrl(const QUrl &url)
{
    QDesktopServices::openUrl(url);
}
