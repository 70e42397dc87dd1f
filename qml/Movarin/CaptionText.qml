// SPDX-License-Identifier: GPL-3.0-or-later
// A small upper-case heading over a group ("Queue", "Save to").
import QtQuick

Text {
    font.pixelSize: Theme.caption
    font.weight: Font.DemiBold
    font.capitalization: Font.AllUppercase
    color: Theme.textSecondary
}
