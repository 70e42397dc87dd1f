// SPDX-License-Identifier: GPL-3.0-or-later
// The dark header: the drag area with the name and logo, then help, minimise and close.
import QtQuick

Rectangle {
    id: header
    required property HostLink link
    color: Theme.header

    MouseArea {
        objectName: "dragArea"
        anchors.fill: parent
        acceptedButtons: Qt.LeftButton
        // The program moves the window while the button stays down.
        onPressed: header.link.send("IDC_FS_drag")
    }

    Rectangle {
        id: logo
        x: Theme.gap
        anchors.verticalCenter: parent.verticalCenter
        width: 30
        height: 30
        radius: Theme.cardRadius
        color: Theme.accent
        Canvas {
            anchors.fill: parent
            onPaint: {
                const ctx = getContext("2d")
                ctx.reset()
                ctx.fillStyle = Theme.accentText
                ctx.beginPath()
                ctx.moveTo(11, 8)
                ctx.lineTo(22, 15)
                ctx.lineTo(11, 22)
                ctx.closePath()
                ctx.fill()
                ctx.fillStyle = Theme.logoMark
                ctx.fillRect(6, 8, 2.5, 14)
            }
        }
    }

    Column {
        anchors.left: logo.right
        anchors.leftMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        spacing: 0
        Text {
            text: "Movarin"
            font.pixelSize: Theme.title
            font.weight: Font.DemiBold
            color: Theme.headerText
        }
        Text {
            text: qsTr("Video converter")
            font.pixelSize: Theme.caption
            color: Theme.headerTextSecondary
        }
    }

    Row {
        anchors.right: parent.right
        anchors.rightMargin: 8
        anchors.verticalCenter: parent.verticalCenter
        spacing: 2

        HeaderButton {
            objectName: "helpButton"
            tip: qsTr("Open the help page")
            onClicked: header.link.send("IDC_FS_HELP")
            Text {
                anchors.centerIn: parent
                text: "?"
                font.pixelSize: Theme.title
                font.weight: Font.DemiBold
                color: Theme.headerText
            }
        }
        HeaderButton {
            objectName: "minimizeButton"
            tip: qsTr("Minimise the window")
            onClicked: header.link.send("IDC_FS_MINI")
            Rectangle {
                anchors.centerIn: parent
                width: 12
                height: 2
                color: Theme.headerText
            }
        }
        HeaderButton {
            objectName: "closeButton"
            tip: qsTr("Close Movarin")
            danger: true
            onClicked: header.link.send("IDC_FS_EXIT")
            Rectangle {
                anchors.centerIn: parent
                width: 15
                height: 2
                rotation: 45
                antialiasing: true
                color: Theme.headerText
            }
            Rectangle {
                anchors.centerIn: parent
                width: 15
                height: 2
                rotation: -45
                antialiasing: true
                color: Theme.headerText
            }
        }
    }
}
