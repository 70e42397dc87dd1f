// SPDX-License-Identifier: GPL-3.0-or-later
// Video: target, container, video codec, bit rate, scale.
import QtQuick
import QtQuick.Layouts

Panel {
    id: video
    index: 1

    Connections {
        target: video.link
        function onListRefreshed(which) {
            if (which === "convertTo")
                targetCombo.sync()
            else if (which === "container")
                containerCombo.sync()
            else if (which === "videoCodec")
                videoCodecCombo.sync()
        }
    }

    GridLayout {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.topMargin: 12
        columns: 2
        columnSpacing: Theme.gap
        rowSpacing: 12

        ColumnLayout {
            spacing: 4
            Layout.fillWidth: true
            Layout.preferredWidth: 1
            FieldLabel { text: qsTr("Convert to") }
            SettingCombo {
                id: targetCombo
                objectName: "targetCombo"
                model: video.link.targets
                current: video.link.target
                enabled: video.link.buttonsEnabled
                tip: qsTr("The kind of file to make; its container and codecs follow")
                onChosen: function (value) { video.link.choose("target", value) }
            }
        }
        ColumnLayout {
            spacing: 4
            Layout.fillWidth: true
            Layout.preferredWidth: 1
            FieldLabel { text: qsTr("Container") }
            SettingCombo {
                id: containerCombo
                objectName: "containerCombo"
                model: video.link.containers
                current: video.link.container
                enabled: video.link.buttonsEnabled
                tip: qsTr("How the streams are packed into the file; the codec lists follow it")
                onChosen: function (value) { video.link.choose("container", value) }
            }
        }
        ColumnLayout {
            spacing: 4
            Layout.fillWidth: true
            Layout.preferredWidth: 1
            FieldLabel { text: qsTr("Video codec") }
            SettingCombo {
                id: videoCodecCombo
                objectName: "videoCodecCombo"
                model: video.link.videoCodecs
                current: video.link.videoCodec
                enabled: video.link.buttonsEnabled
                tip: qsTr("How the picture is compressed")
                onChosen: function (value) { video.link.choose("videoCodec", value) }
            }
        }
        ColumnLayout {
            spacing: 4
            Layout.fillWidth: true
            Layout.preferredWidth: 1
            FieldLabel { text: qsTr("Video bit rate (kbit/s)") }
            SettingCombo {
                objectName: "videoBitrateCombo"
                editable: true
                model: ["256", "512", "768", "1024", "1536", "2048", "3000", "4000", "6000", "8000"]
                current: video.link.videoBitrate
                enabled: video.link.buttonsEnabled
                validator: RegularExpressionValidator { regularExpression: /[1-9][0-9]{0,5}/ }
                tip: qsTr("Higher means better picture and bigger files. Pick one or type a number and press Enter.")
                onChosen: function (value) { video.link.choose("videoBitrate", value) }
            }
        }
        ColumnLayout {
            spacing: 4
            Layout.fillWidth: true
            Layout.preferredWidth: 1
            FieldLabel { text: qsTr("Scale") }
            SettingCombo {
                objectName: "scaleCombo"
                editable: true
                model: ["0.25", "0.5", "0.75", "1", "1.5", "2"]
                current: video.link.videoScale
                enabled: video.link.buttonsEnabled
                validator: RegularExpressionValidator { regularExpression: /[0-9]{1,2}(\.[0-9]{1,3})?/ }
                tip: qsTr("Picture size relative to the source: 1 keeps it, 0.5 halves it. Pick one or type a factor and press Enter.")
                onChosen: function (value) { video.link.choose("videoScale", value) }
            }
        }
        NoteText {
            Layout.alignment: Qt.AlignBottom
            Layout.bottomMargin: 2
            Layout.preferredWidth: 1
            text: qsTr("Choosing a format or container resets the codecs below it to their first choice.")
        }
    }
}
