// SPDX-License-Identifier: GPL-3.0-or-later
// Movarin's face: the scene the program plays from the file beside it. Replace this file to give
// the program another face; no rebuild is needed.
//
// The pieces come from the Movarin module, compiled into the program: the look (Theme), the
// controls (AppButton, SettingCombo, Hint, ...), the panels and the progress area. HostLink is
// the movie's whole side of the protocol: it sends the commands, follows every variable the
// program writes through `host`, and holds what the panels show. This file only lays them out.
import QtQuick
import QtQuick.Controls.Basic
import Movarin

Rectangle {
    id: root
    width: 624
    height: 579
    color: Theme.window

    HostLink {
        id: hostLink
        channel: host
    }

    // ---- header: drag area, name, help, minimise, close ---------------------------------------

    WindowHeader {
        x: 0
        y: 0
        width: root.width
        height: 52
        link: hostLink
    }

    // ---- panel tabs ---------------------------------------------------------------------------

    Rectangle {
        x: 0
        y: 52
        width: root.width
        height: 44
        color: Theme.surface
        Rectangle {
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            height: 1
            color: Theme.border
        }
    }

    TabBar {
        x: 8
        y: 52
        width: root.width - 16
        height: 44
        currentIndex: hostLink.panel
        background: null

        PanelTab {
            objectName: "filesTab"
            text: qsTr("Files")
            tip: qsTr("The files to convert and a summary of the settings")
            onClicked: hostLink.showPanel(0)
        }
        PanelTab {
            objectName: "videoTab"
            text: qsTr("Video")
            tip: qsTr("Target format, container, video codec, bit rate and scale")
            onClicked: hostLink.showPanel(1)
        }
        PanelTab {
            objectName: "audioTab"
            text: qsTr("Audio")
            tip: qsTr("Audio codec, bit rate and channels")
            onClicked: hostLink.showPanel(2)
        }
        PanelTab {
            objectName: "outputTab"
            text: qsTr("Output")
            tip: qsTr("Where the converted files are saved")
            onClicked: hostLink.showPanel(3)
        }
        PanelTab {
            objectName: "resultsTab"
            text: qsTr("Results")
            tip: qsTr("How each file of the run went; play what was converted")
            onClicked: hostLink.showPanel(4)
        }
        PanelTab {
            objectName: "aboutTab"
            text: qsTr("About")
            tip: qsTr("Version and support")
            onClicked: hostLink.showPanel(5)
        }
    }

    // ---- panels, one shown at a time ------------------------------------------------------------

    Item {
        id: panels
        x: Theme.gap
        y: 96
        width: root.width - 2 * Theme.gap
        height: 222

        FilesPanel {
            link: hostLink
            origin: Qt.point(panels.x, panels.y)
        }
        VideoPanel { link: hostLink }
        AudioPanel { link: hostLink }
        OutputPanel { link: hostLink }
        ResultsPanel { link: hostLink }
        AboutPanel { link: hostLink }
    }

    // ---- progress and the main action, on every panel -----------------------------------------

    Rectangle {
        x: 0
        y: 318
        width: root.width
        height: root.height - y
        color: Theme.surface
        Rectangle {
            width: parent.width
            height: 1
            color: Theme.border
        }
    }

    ProgressArea {
        x: Theme.gap
        y: 334
        width: root.width - 2 * Theme.gap
        height: 120
        link: hostLink
    }

    Item {
        x: Theme.gap
        y: 470
        width: root.width - 2 * Theme.gap
        height: 48

        Column {
            anchors.left: parent.left
            anchors.right: actions.left
            anchors.rightMargin: Theme.gap
            anchors.verticalCenter: parent.verticalCenter
            spacing: 2
            CaptionText { text: qsTr("Save to") }
            Text {
                objectName: "destinationText"
                width: parent.width
                text: hostLink.sameFolder ? qsTr("Beside each source file")
                      : hostLink.outputPath === "" ? qsTr("No folder chosen") : hostLink.outputPath
                font.pixelSize: Theme.body
                color: Theme.text
                elide: Text.ElideMiddle
            }
        }

        Row {
            id: actions
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            spacing: 10
            AppButton {
                objectName: "stopButton"
                width: 110
                height: 46
                text: qsTr("Stop")
                tip: qsTr("Stop the run now; files already converted are kept")
                enabled: hostLink.stopEnabled
                onClicked: hostLink.send("IDC_FS_CANCEL")
            }
            AppButton {
                objectName: "convertButton"
                width: 170
                height: 46
                primary: true
                font.pixelSize: Theme.title
                text: qsTr("Convert")
                tip: qsTr("Convert every file in the queue with these settings")
                enabled: hostLink.convertEnabled && hostLink.buttonsEnabled
                onClicked: hostLink.send("IDC_FS_CONVERT")
            }
        }
    }

    Text {
        x: Theme.gap
        y: root.height - 34
        width: root.width - 2 * Theme.gap
        text: qsTr("Hover over any control to learn what it does. Tab moves between controls; Space or Enter presses them.")
        font.pixelSize: Theme.caption
        color: Theme.textSecondary
        elide: Text.ElideRight
    }
}
