// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Shell.h"

// The shell seam over QDesktopServices.
class CQtShell : public IShell
{
public:
    void openUrl(const QUrl &url) override;
};
