// SPDX-License-Identifier: GPL-3.0-or-later
// The ring around the control that has the keyboard focus.
import QtQuick

Rectangle {
    property Item control: parent
    anchors.fill: parent
    anchors.margins: -3
    radius: Theme.radius + 3
    color: "transparent"
    border.color: Theme.accent
    border.width: 2
    visible: control.visualFocus
}
