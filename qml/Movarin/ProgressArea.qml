// SPDX-License-Identifier: GPL-3.0-or-later
// The program's status line, and under it the three steps while nothing runs or the progress of
// the current file (bar, percentage, elapsed time and time left) while a run goes on.
import QtQuick
import QtQuick.Controls.Basic

Item {
    id: area
    required property HostLink link

    Text {
        id: statusLine
        objectName: "statusText"
        x: 0
        y: 0
        width: parent.width
        height: 36
        text: area.link.status
        visible: area.link.status !== ""
        font.pixelSize: Theme.body
        color: Theme.text
        wrapMode: Text.WrapAnywhere
        maximumLineCount: 2
        elide: Text.ElideRight
        MouseArea {
            id: statusHover
            anchors.fill: parent
            hoverEnabled: true
            acceptedButtons: Qt.NoButton
        }
        Hint {
            owner: statusLine
            text: statusLine.truncated ? area.link.status : ""
            below: true
            wanted: statusHover.containsMouse
        }
    }
    Text {
        objectName: "idleText"
        x: 0
        y: 0
        width: parent.width
        height: 36
        visible: area.link.status === ""
        text: area.link.lastStatus !== "" ? area.link.lastStatus : qsTr("Ready to convert.")
        font.pixelSize: Theme.body
        color: Theme.textSecondary
        wrapMode: Text.WrapAnywhere
        maximumLineCount: 2
        elide: Text.ElideRight
    }

    // While nothing runs, the three steps of a conversion.
    Row {
        objectName: "stepsRow"
        x: 0
        y: 46
        spacing: 28
        visible: !area.link.progressShown
        Repeater {
            model: [qsTr("Add files to the queue"), qsTr("Check the settings"), qsTr("Press Convert")]
            Row {
                required property string modelData
                required property int index
                spacing: 8
                Rectangle {
                    width: 24
                    height: 24
                    radius: 12
                    color: Theme.accentSoft
                    Text {
                        anchors.centerIn: parent
                        text: index + 1
                        font.pixelSize: Theme.body
                        font.weight: Font.DemiBold
                        color: Theme.accent
                    }
                }
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: modelData
                    font.pixelSize: Theme.body
                    color: Theme.text
                }
            }
        }
    }

    Item {
        objectName: "progressPanel"
        x: 0
        y: 46
        width: parent.width
        height: 60
        visible: area.link.progressShown

        ProgressBar {
            id: progressBar
            objectName: "progressBar"
            x: 0
            y: 0
            width: parent.width - 56
            height: 10
            from: 0
            to: 100
            value: area.link.progress
            background: Rectangle {
                implicitHeight: 10
                radius: 5
                color: Theme.track
            }
            contentItem: Item {
                implicitHeight: 10
                Rectangle {
                    width: progressBar.visualPosition * parent.width
                    height: parent.height
                    radius: 5
                    color: Theme.accent
                    Behavior on width { NumberAnimation { duration: 150 } }
                }
            }
        }
        Text {
            objectName: "percentText"
            anchors.right: parent.right
            anchors.verticalCenter: progressBar.verticalCenter
            text: area.link.progress + " %"
            font.pixelSize: Theme.body
            font.weight: Font.DemiBold
            color: Theme.text
        }
        Text {
            objectName: "elapsedText"
            x: 0
            y: 22
            text: area.link.elapsedText
            font.pixelSize: Theme.note
            color: Theme.textSecondary
        }
        Text {
            objectName: "timeLeftText"
            anchors.right: parent.right
            y: 22
            text: area.link.timeLeft
            font.pixelSize: Theme.note
            color: Theme.textSecondary
        }
        Text {
            x: 0
            y: 40
            text: qsTr("Times are for the current file.")
            font.pixelSize: Theme.caption
            color: Theme.textSecondary
        }
    }
}
