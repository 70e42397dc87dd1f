// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUrl>
#include <functional>

// Hands a document or link to the desktop ("open" verb): the help page, the support mail link.
class IShell
{
public:
    using FailureHandler = std::function<void(const QString &why)>;

    virtual ~IShell() = default;
    // The result is not reported: a missing mail program is the desktop's business.
    virtual void openUrl(const QUrl &url) = 0;
    // The same for a document the user asked to see: when no program on the desktop can show
    // it, onFailure is called later, from the event loop, with the reason.
    virtual void openDocument(const QUrl &url, const FailureHandler &onFailure)
    {
        Q_UNUSED(onFailure);
        openUrl(url);
    }
};
