// SPDX-License-Identifier: GPL-3.0-or-later
// A tooltip that stays inside the scene, left of rightLimit (in scene coordinates), and never
// over the file list when its owner sits beside it.
import QtQuick
import QtQuick.Controls.Basic

ToolTip {
    id: hint
    property Item owner: parent
    property bool below: false
    property real rightLimit: owner.Window.width
    property bool wanted: false
    visible: wanted && text !== "" && owner.visible
    delay: 600
    timeout: 8000
    font.pixelSize: Theme.note
    padding: 6
    width: Math.min(implicitWidth, Math.min(280, rightLimit - 16))
    onAboutToShow: {
        const origin = owner.mapToItem(null, 0, 0)
        const left = origin.x + (owner.width - width) / 2
        x = Math.max(8, Math.min(left, rightLimit - 8 - width)) - origin.x
        y = below ? owner.height + 6 : -height - 6
    }
    contentItem: Text {
        text: hint.text
        font: hint.font
        color: Theme.tipText
        wrapMode: Text.Wrap
    }
    background: Rectangle {
        color: Theme.tip
        radius: Theme.smallRadius
    }
}
