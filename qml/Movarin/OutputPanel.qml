// SPDX-License-Identifier: GPL-3.0-or-later
// Output: beside the sources, or one folder for all.
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts

Panel {
    id: output
    index: 3

    Connections {
        target: output.link
        function onPathWritten(path) { pathField.text = path }
    }

    ButtonGroup { id: folderChoice }

    ColumnLayout {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.topMargin: 12
        spacing: 6

        FieldLabel { text: qsTr("Save the converted files") }
        AppRadio {
            objectName: "sameFolderRadio"
            ButtonGroup.group: folderChoice
            text: qsTr("Beside each source file")
            tip: qsTr("Each new file goes into the folder of the file it was made from")
            enabled: output.link.buttonsEnabled
            checked: output.link.sameFolder
            onClicked: output.link.chooseSameFolder(true)
        }
        AppRadio {
            objectName: "otherFolderRadio"
            ButtonGroup.group: folderChoice
            text: qsTr("All in this folder:")
            tip: qsTr("Every new file goes into the folder below")
            enabled: output.link.buttonsEnabled
            checked: !output.link.sameFolder
            onClicked: output.link.chooseSameFolder(false)
        }
        RowLayout {
            Layout.fillWidth: true
            Layout.leftMargin: 28
            spacing: 8
            TextField {
                id: pathField
                objectName: "pathField"
                property string committed: ""
                Layout.fillWidth: true
                implicitHeight: Theme.controlHeight
                enabled: output.link.buttonsEnabled && !output.link.sameFolder
                font.pixelSize: Theme.body
                color: enabled ? Theme.text : Theme.disabledText
                placeholderText: qsTr("Type a folder or use Browse…")
                placeholderTextColor: Theme.textSecondary
                selectionColor: Theme.accent
                selectedTextColor: Theme.accentText
                selectByMouse: true
                leftPadding: 10
                background: Rectangle {
                    radius: Theme.radius
                    color: pathField.enabled ? Theme.surface : Theme.disabledFill
                    border.width: pathField.activeFocus ? 2 : 1
                    border.color: pathField.activeFocus ? Theme.accent : Theme.border
                }
                onTextEdited: output.link.editPath(text)
                onEditingFinished: {
                    if (!output.link.sameFolder && text !== committed) {
                        committed = text
                        output.link.send("IDC_FS_OTHERDIRECTORY")
                    }
                }
                Hint {
                    owner: pathField
                    text: qsTr("The folder that receives the converted files")
                    wanted: pathField.hovered
                }
            }
            AppButton {
                objectName: "browseButton"
                text: qsTr("Browse…")
                tip: qsTr("Pick the folder in a dialog")
                enabled: output.link.buttonsEnabled && !output.link.sameFolder
                onClicked: output.link.send("IDC_FS_BROWSE")
            }
        }
        NoteText {
            Layout.leftMargin: 28
            text: !output.link.sameFolder && output.link.outputPath === ""
                  ? qsTr("Enter a folder before converting.")
                  : output.link.unattended
                    ? qsTr("Files of the same name: you decide once, when the run starts.")
                    : qsTr("When a file of the same name exists, Movarin asks before replacing it.")
        }
        CheckBox {
            id: unattendedBox
            objectName: "unattendedCheck"
            text: qsTr("Run without stopping for questions")
            font.pixelSize: Theme.body
            leftPadding: 0
            enabled: output.link.buttonsEnabled
            checked: output.link.unattended
            onClicked: output.link.chooseUnattended(checked)
            Hint {
                owner: unattendedBox
                text: qsTr("Nothing waits for you during the run: failures are listed at its end")
                wanted: unattendedBox.hovered
            }
        }
    }
}
