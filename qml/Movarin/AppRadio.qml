// SPDX-License-Identifier: GPL-3.0-or-later
// A round choice with its label and tip.
import QtQuick
import QtQuick.Controls.Basic

RadioButton {
    id: radio
    property string tip
    font.pixelSize: Theme.body
    leftPadding: 0
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()
    indicator: Rectangle {
        x: radio.leftPadding
        y: (radio.height - height) / 2
        implicitWidth: 18
        implicitHeight: 18
        radius: 9
        color: Theme.surface
        border.width: radio.checked ? 2 : 1
        border.color: !radio.enabled ? Theme.disabledText
                    : radio.checked ? Theme.accent : Theme.textSecondary
        Rectangle {
            anchors.centerIn: parent
            width: 8
            height: 8
            radius: 4
            color: radio.enabled ? Theme.accent : Theme.disabledText
            visible: radio.checked
        }
        FocusRing { control: radio; radius: 12 }
    }
    contentItem: Text {
        leftPadding: radio.indicator.width + 10
        text: radio.text
        font: radio.font
        color: radio.enabled ? Theme.text : Theme.disabledText
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }
    Hint {
        owner: radio
        text: radio.tip
        wanted: radio.hovered || radio.visualFocus
    }
}
