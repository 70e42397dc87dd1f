// SPDX-License-Identifier: GPL-3.0-or-later
// Results: each file of the current or last run and where it stands, with the converted ones
// ready to play or to find in their folder. The queue on the Files panel stays as it is.
import QtQuick
import QtQuick.Controls.Basic

Panel {
    id: panel
    index: 4

    readonly property var results: link.results
    readonly property int total: list.count

    function stateLabel(state) {
        switch (state) {
        case "waiting": return qsTr("Waiting")
        case "converting": return qsTr("Converting")
        case "converted": return qsTr("Converted")
        case "failed": return qsTr("Failed")
        case "skipped": return qsTr("Skipped")
        case "stopped": return qsTr("Stopped")
        }
        return ""
    }
    function stateColor(state) {
        switch (state) {
        case "converting": return Theme.accent
        case "converted": return Theme.success
        case "failed": return Theme.danger
        case "skipped": return Theme.caution
        }
        return Theme.textSecondary
    }
    // The line under a file's name.
    function detail(state, percent, outputName, reason) {
        switch (state) {
        case "waiting": return qsTr("Waiting for its turn")
        case "converting": return qsTr("%1 % converted").arg(percent)
        case "converted": return qsTr("Saved as %1").arg(outputName)
        case "skipped": return reason.replace(/^skipped: /, "")
        }
        return reason
    }

    CaptionText {
        x: 0
        y: 12
        text: qsTr("Files of the last run")
    }
    Text {
        objectName: "resultsSummary"
        anchors.right: parent.right
        y: 10
        visible: panel.total > 0
        text: panel.results === null ? ""
              : qsTr("%1 of %2 converted").arg(panel.results.converted).arg(panel.total)
                + (panel.results.failed > 0 ? " · " + qsTr("%1 failed").arg(panel.results.failed) : "")
                + (panel.results.skipped > 0 ? " · " + qsTr("%1 skipped").arg(panel.results.skipped) : "")
        font.pixelSize: Theme.note
        color: Theme.textSecondary
    }

    Card {
        x: 0
        y: 32
        width: parent.width
        height: parent.height - y - 4

        Text {
            objectName: "resultsEmpty"
            anchors.centerIn: parent
            width: parent.width - 40
            visible: panel.total === 0
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            text: qsTr("Nothing converted yet. When you press Convert, each file's progress and result appear here.")
            font.pixelSize: Theme.body
            color: Theme.textSecondary
        }

        ListView {
            id: list
            objectName: "resultsList"
            anchors.fill: parent
            anchors.margins: 1
            clip: true
            model: panel.results
            boundsBehavior: Flickable.StopAtBounds
            ScrollBar.vertical: ScrollBar { policy: list.contentHeight > list.height ? ScrollBar.AlwaysOn : ScrollBar.AsNeeded }

            delegate: Item {
                id: row
                required property int index
                required property string name
                required property string source
                required property string status
                required property int percent
                required property string outputName
                required property string reason
                readonly property string detail: panel.detail(status, percent, outputName, reason)
                objectName: "resultRow" + index
                width: ListView.view.width - 10
                height: 46

                Rectangle {
                    x: 10
                    anchors.verticalCenter: parent.verticalCenter
                    width: 86
                    height: 22
                    radius: 11
                    color: "transparent"
                    border.width: 1
                    border.color: panel.stateColor(row.status)
                    Text {
                        anchors.centerIn: parent
                        text: panel.stateLabel(row.status)
                        font.pixelSize: Theme.caption
                        font.weight: Font.DemiBold
                        color: panel.stateColor(row.status)
                    }
                }

                Column {
                    x: 108
                    anchors.verticalCenter: parent.verticalCenter
                    width: (row.status === "converted" ? actions.x : row.width) - x - 8
                    spacing: 2
                    Text {
                        width: parent.width
                        text: row.name
                        font.pixelSize: Theme.body
                        font.weight: Font.DemiBold
                        color: Theme.text
                        elide: Text.ElideMiddle
                    }
                    Text {
                        id: detailText
                        width: parent.width
                        text: row.detail
                        font.pixelSize: Theme.note
                        color: row.status === "failed" ? Theme.danger : Theme.textSecondary
                        elide: Text.ElideRight
                        visible: row.status !== "converting"
                        MouseArea {
                            id: detailHover
                            anchors.fill: parent
                            hoverEnabled: true
                            acceptedButtons: Qt.NoButton
                        }
                        Hint {
                            owner: detailText
                            text: detailText.truncated ? row.detail : ""
                            wanted: detailHover.containsMouse
                        }
                    }
                    Item {
                        width: parent.width
                        height: 15
                        visible: row.status === "converting"
                        Rectangle {
                            anchors.verticalCenter: parent.verticalCenter
                            width: parent.width - 60
                            height: 6
                            radius: 3
                            color: Theme.track
                            Rectangle {
                                width: parent.width * row.percent / 100
                                height: parent.height
                                radius: 3
                                color: Theme.accent
                            }
                        }
                        Text {
                            anchors.right: parent.right
                            anchors.verticalCenter: parent.verticalCenter
                            text: row.percent + " %"
                            font.pixelSize: Theme.note
                            color: Theme.text
                        }
                    }
                }

                Row {
                    id: actions
                    anchors.right: parent.right
                    anchors.verticalCenter: parent.verticalCenter
                    spacing: 6
                    visible: row.status === "converted"
                    AppButton {
                        objectName: "playButton"
                        height: 30
                        text: qsTr("Play")
                        tip: qsTr("Play %1 with the desktop's video player").arg(row.outputName)
                        onClicked: panel.link.playResult(row.index)
                    }
                    AppButton {
                        objectName: "showFolderButton"
                        height: 30
                        text: qsTr("Show folder")
                        tip: qsTr("Open the folder that holds %1").arg(row.outputName)
                        onClicked: panel.link.openResultFolder(row.index)
                    }
                }

                Rectangle {
                    anchors.left: parent.left
                    anchors.right: parent.right
                    anchors.bottom: parent.bottom
                    anchors.leftMargin: 10
                    height: 1
                    color: Theme.border
                    visible: row.index < list.count - 1
                }
            }
        }
    }
}
