// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QUrl>

// Hands a document or link to the desktop ("open" verb): the help page, the support mail link.
class IShell
{
public:
    virtual ~IShell() = default;
    // The result is deliberately not reported: a missing viewer is the desktop's business.
    virtual void openUrl(const QUrl &url) = 0;
};
