// SPDX-License-Identifier: GPL-3.0-or-later
// A white card with a thin frame.
import QtQuick

Rectangle {
    color: Theme.surface
    radius: Theme.cardRadius
    border.color: Theme.border
    border.width: 1
}
