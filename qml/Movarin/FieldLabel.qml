// SPDX-License-Identifier: GPL-3.0-or-later
// The name above a setting.
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts

Label {
    font.pixelSize: Theme.body
    font.weight: Font.DemiBold
    color: Theme.text
    elide: Text.ElideRight
    Layout.fillWidth: true
}
