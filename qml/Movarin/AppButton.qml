// SPDX-License-Identifier: GPL-3.0-or-later
// The app's push button: plain, primary (the accent fill) or quiet (no frame), with its tip.
import QtQuick
import QtQuick.Controls.Basic

Button {
    id: button
    property string tip
    property bool primary: false
    property bool quiet: false
    property bool tipBelow: false
    // The tip stays left of this x in the scene.
    property real tipRightLimit: Window.width
    font.pixelSize: Theme.body
    font.weight: primary ? Font.DemiBold : Font.Normal
    implicitHeight: Theme.controlHeight
    leftPadding: 12
    rightPadding: 12
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()
    contentItem: Text {
        text: button.text
        font: button.font
        elide: Text.ElideRight
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        color: !button.enabled ? Theme.disabledText
             : button.primary ? Theme.accentText
             : button.quiet ? Theme.accent : Theme.text
    }
    background: Rectangle {
        radius: Theme.radius
        color: !button.enabled ? Theme.disabledFill
             : button.primary ? (button.down ? Theme.accentPressed
                                : button.hovered ? Theme.accentHover : Theme.accent)
             : button.down ? Theme.pressed
             : button.hovered ? Theme.hover
             : button.quiet ? "transparent" : Theme.surface
        border.width: button.primary || button.quiet ? 0 : 1
        border.color: Theme.border
        Behavior on color { ColorAnimation { duration: 90 } }
        FocusRing { control: button }
    }
    Hint {
        owner: button
        text: button.tip
        below: button.tipBelow
        rightLimit: button.tipRightLimit
        wanted: button.hovered || button.visualFocus
    }
}
