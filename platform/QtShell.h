// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Shell.h"

// The shell seam over QDesktopServices and the desktop's xdg-open.
class CQtShell : public IShell
{
public:
    void openUrl(const QUrl &url) override;
    void openDocument(const QUrl &url, const FailureHandler &onFailure) override;
};
