// SPDX-License-Identifier: GPL-3.0-or-later
// A window control on the dark header: a drawn glyph (its children), no text.
import QtQuick
import QtQuick.Controls.Basic

AbstractButton {
    id: hb
    property string tip
    property bool danger: false
    default property alias glyph: glyphArea.data
    implicitWidth: 40
    implicitHeight: Theme.controlHeight
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()
    background: Rectangle {
        radius: Theme.radius
        color: hb.down || hb.hovered ? (hb.danger ? Theme.closeHover : Theme.headerHover)
                                     : "transparent"
        Behavior on color { ColorAnimation { duration: 90 } }
        FocusRing { control: hb; border.color: Theme.headerText }
    }
    contentItem: Item { id: glyphArea }
    Hint {
        owner: hb
        text: hb.tip
        below: true
        wanted: hb.hovered || hb.visualFocus
    }
}
