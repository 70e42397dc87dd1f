// SPDX-License-Identifier: GPL-3.0-or-later
// A choice list. `current` is what the program holds, shown as "none" when empty; choosing emits
// `chosen` with the entry's exact text. Editable lists also take a typed value, emitted on Enter,
// on leaving the field or on picking a preset. `sync` shows `current` again after the program
// refilled the list.
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts

ComboBox {
    id: combo
    property string tip
    property string current
    signal chosen(string value)
    font.pixelSize: Theme.body
    implicitHeight: Theme.controlHeight
    Layout.fillWidth: true
    displayText: current === "" ? qsTr("none") : current

    function sync() {
        currentIndex = Array.prototype.indexOf.call(model, current)
        if (editable)
            editText = current
    }
    function commit(value) {
        if (value === "" || (editable && !acceptableInput)) {
            editText = current
            return
        }
        if (editable && value === current)
            return
        // The owner updates what `current` is bound to; assigning it here would cut the
        // binding and the program's later resets would no longer show.
        chosen(value)
    }
    onActivated: function (index) { commit(textAt(index)) }
    onAccepted: commit(editText)
    onActiveFocusChanged: if (!activeFocus && editable) commit(editText)
    Component.onCompleted: sync()

    contentItem: TextField {
        leftPadding: 10
        rightPadding: 4
        text: combo.editable ? combo.editText : combo.displayText
        font: combo.font
        color: combo.enabled ? Theme.text : Theme.disabledText
        selectionColor: Theme.accent
        selectedTextColor: Theme.accentText
        verticalAlignment: Text.AlignVCenter
        enabled: combo.editable
        readOnly: combo.down
        autoScroll: combo.editable
        validator: combo.validator
        inputMethodHints: combo.inputMethodHints
        selectByMouse: true
        background: null
    }
    indicator: Text {
        x: combo.width - width - 10
        y: (combo.height - height) / 2
        text: "▾"
        font.pixelSize: Theme.title
        color: combo.enabled ? Theme.textSecondary : Theme.disabledText
    }
    background: Rectangle {
        implicitWidth: 140
        radius: Theme.radius
        color: combo.enabled ? (combo.hovered && !combo.editable ? Theme.hover : Theme.surface)
                             : Theme.disabledFill
        border.width: combo.activeFocus ? 2 : 1
        border.color: combo.activeFocus ? Theme.accent : Theme.border
    }
    delegate: Component {
        ItemDelegate {
            id: entry
            required property var modelData
            required property int index
            width: ListView.view ? ListView.view.width : implicitWidth
            implicitHeight: 30
            highlighted: combo.highlightedIndex === index
            contentItem: Text {
                text: entry.modelData
                font: combo.font
                color: entry.highlighted ? Theme.accentText : Theme.text
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
            }
            background: Rectangle {
                color: entry.highlighted ? Theme.accent : "transparent"
            }
        }
    }
    popup: Popup {
        y: combo.height + 2
        width: combo.width
        implicitHeight: Math.min(contentItem.implicitHeight + 2, 240)
        padding: 1
        contentItem: ListView {
            clip: true
            implicitHeight: contentHeight
            model: combo.popup.visible ? combo.delegateModel : null
            currentIndex: combo.highlightedIndex
            ScrollIndicator.vertical: ScrollIndicator { }
        }
        background: Rectangle {
            color: Theme.surface
            border.color: Theme.border
            radius: Theme.smallRadius
        }
    }
    Hint {
        owner: combo
        text: combo.tip
        wanted: combo.hovered && !combo.popup.visible
    }
}
