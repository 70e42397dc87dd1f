// SPDX-License-Identifier: GPL-3.0-or-later
// Files: the summary of the choices, the tool column and the frame of the program's list.
import QtQuick
import QtQuick.Layouts

Panel {
    id: files
    index: 0

    // Where this panel sits in the scene, and so where the program's list lies within it.
    property point origin
    readonly property rect listArea: Qt.rect(link.listRect.x - origin.x, link.listRect.y - origin.y,
                                             link.listRect.width, link.listRect.height)

    Card {
        id: summaryCard
        objectName: "summaryCard"
        x: 0
        y: 10
        width: parent.width
        height: 58

        Rectangle {
            id: targetBadge
            x: 8
            anchors.verticalCenter: parent.verticalCenter
            width: 92
            height: 42
            radius: Theme.radius
            color: Theme.accentSoft
            Text {
                objectName: "summaryTarget"
                anchors.fill: parent
                anchors.margins: 4
                text: files.link.shown(files.link.target)
                font.pixelSize: Theme.display
                font.weight: Font.DemiBold
                color: Theme.accent
                fontSizeMode: Text.HorizontalFit
                minimumPixelSize: Theme.body
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
            }
        }

        GridLayout {
            anchors.left: targetBadge.right
            anchors.leftMargin: 14
            anchors.right: parent.right
            anchors.rightMargin: 12
            anchors.verticalCenter: parent.verticalCenter
            columns: 2
            columnSpacing: 10
            rowSpacing: 3

            CaptionText { text: qsTr("Video") }
            Text {
                objectName: "summaryVideo"
                Layout.fillWidth: true
                text: files.link.shown(files.link.videoCodec) + " · " + files.link.videoBitrate + " kbit/s"
                      + (files.link.videoScale === "1" ? "" : " · " + qsTr("scale %1").arg(files.link.videoScale))
                      + "  ·  " + qsTr("in %1").arg(files.link.shown(files.link.container))
                font.pixelSize: Theme.body
                color: Theme.text
                elide: Text.ElideRight
            }
            CaptionText { text: qsTr("Audio") }
            Text {
                objectName: "summaryAudio"
                Layout.fillWidth: true
                text: files.link.shown(files.link.audioCodec) + " · " + files.link.audioBitrate + " kbit/s · "
                      + (files.link.audioChannels === "1" ? qsTr("mono")
                         : files.link.audioChannels === "2" ? qsTr("stereo")
                         : qsTr("%1 channels").arg(files.link.audioChannels))
                font.pixelSize: Theme.body
                color: Theme.text
                elide: Text.ElideRight
            }
        }

        MouseArea {
            id: summaryHover
            anchors.fill: parent
            hoverEnabled: true
            acceptedButtons: Qt.NoButton
        }
        Hint {
            owner: summaryCard
            text: qsTr("Converting %1. Change it on the Video and Audio tabs.").arg(files.link.summary)
            wanted: summaryHover.containsMouse
        }
    }

    CaptionText {
        x: files.listArea.x
        y: files.listArea.y - 20
        width: files.listArea.width
        text: qsTr("Files to convert")
    }
    CaptionText {
        x: 0
        y: files.listArea.y - 20
        text: qsTr("Queue")
    }

    // The tool column beside the list. Its tips stay left of the list.
    GridLayout {
        x: 0
        y: files.listArea.y
        width: files.listArea.x - 12
        height: files.listArea.height
        columns: 2
        columnSpacing: 5
        rowSpacing: 5

        AppButton {
            objectName: "addButton"
            Layout.columnSpan: 2
            Layout.fillWidth: true
            Layout.fillHeight: true
            primary: true
            text: qsTr("Add files…")
            tip: qsTr("Choose video files to add to the queue")
            tipRightLimit: files.link.listRect.x - 4
            enabled: files.link.buttonsEnabled
            onClicked: files.link.send("IDC_FS_ADD")
        }
        AppButton {
            objectName: "removeButton"
            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.preferredWidth: 1
            text: qsTr("Remove")
            tip: qsTr("Remove the selected files from the queue")
            tipRightLimit: files.link.listRect.x - 4
            enabled: files.link.buttonsEnabled
            onClicked: files.link.send("IDC_FS_REMOVE")
        }
        AppButton {
            objectName: "removeAllButton"
            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.preferredWidth: 1
            text: qsTr("Clear")
            tip: qsTr("Remove all files from the queue")
            tipRightLimit: files.link.listRect.x - 4
            enabled: files.link.buttonsEnabled
            onClicked: files.link.send("IDC_FS_REMOVEALL")
        }
        AppButton {
            objectName: "upButton"
            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.preferredWidth: 1
            text: qsTr("↑ Up")
            tip: qsTr("Move the selected files up: they are converted earlier")
            tipRightLimit: files.link.listRect.x - 4
            enabled: files.link.buttonsEnabled
            onClicked: files.link.send("IDC_FS_UP")
        }
        AppButton {
            objectName: "downButton"
            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.preferredWidth: 1
            text: qsTr("↓ Down")
            tip: qsTr("Move the selected files down: they are converted later")
            tipRightLimit: files.link.listRect.x - 4
            enabled: files.link.buttonsEnabled
            onClicked: files.link.send("IDC_FS_DOWN")
        }
    }

    // Frame of the program's list. Only the frame shows while the list is up; the note is for
    // the moments before the program has shown it.
    Rectangle {
        objectName: "listFrame"
        x: files.listArea.x - 1
        y: files.listArea.y - 1
        width: files.listArea.width + 2
        height: files.listArea.height + 2
        color: Theme.surface
        border.color: Theme.border
        border.width: 1
        Text {
            anchors.centerIn: parent
            text: qsTr("No files yet: use Add files…")
            font.pixelSize: Theme.body
            color: Theme.textSecondary
        }
    }

    Text {
        x: files.listArea.x
        y: files.listArea.y + files.listArea.height + 5
        width: files.listArea.width
        text: qsTr("Shift or Ctrl selects several files; Delete removes them.")
        font.pixelSize: Theme.caption
        color: Theme.textSecondary
        elide: Text.ElideRight
    }
}
