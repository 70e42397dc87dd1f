// SPDX-License-Identifier: GPL-3.0-or-later
// One tab of the panel bar: the label, an underline for the panel shown, a focus ring, a tip.
import QtQuick
import QtQuick.Controls.Basic

TabButton {
    id: tab
    property string tip
    font.pixelSize: Theme.body
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()
    contentItem: Text {
        text: tab.text
        font.pixelSize: Theme.body
        font.weight: tab.checked ? Font.DemiBold : Font.Normal
        color: tab.checked ? Theme.accent : tab.hovered ? Theme.text : Theme.textSecondary
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
    }
    background: Item {
        implicitHeight: 44
        Rectangle {
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            anchors.leftMargin: 10
            anchors.rightMargin: 10
            height: 3
            radius: 1.5
            color: tab.checked ? Theme.accent : tab.hovered ? Theme.border : "transparent"
            Behavior on color { ColorAnimation { duration: 120 } }
        }
        Rectangle {
            anchors.fill: parent
            anchors.margins: 6
            radius: Theme.radius
            color: "transparent"
            border.color: Theme.accent
            border.width: 2
            visible: tab.visualFocus
        }
    }
    Hint {
        owner: tab
        text: tab.tip
        wanted: tab.hovered || tab.visualFocus
    }
}
