// SPDX-License-Identifier: GPL-3.0-or-later
// About: version, help and support.
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts

Panel {
    id: about
    index: 5

    ColumnLayout {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.topMargin: 14
        spacing: 6

        Label {
            text: "Movarin"
            font.pixelSize: Theme.display
            font.weight: Font.DemiBold
            color: Theme.text
        }
        Label {
            objectName: "versionText"
            text: about.link.version === "" ? "" : qsTr("Version %1").arg(about.link.version)
            font.pixelSize: Theme.body
            color: Theme.textSecondary
        }
        NoteText {
            Layout.topMargin: 4
            text: qsTr("Converts video files from one format to another, a whole queue in one run. Conversion is done by libVLC. Free software under the GNU GPL, version 3 or later.")
        }
        RowLayout {
            Layout.topMargin: 8
            spacing: 8
            AppButton {
                objectName: "supportButton"
                text: qsTr("Contact support…")
                tip: qsTr("Write to the support team with your mail program")
                onClicked: about.link.send("IDC_FS_support")
            }
            AppButton {
                objectName: "aboutHelpButton"
                text: qsTr("Open help")
                tip: qsTr("Open the help page")
                onClicked: about.link.send("IDC_FS_HELP")
            }
        }
    }
}
