// SPDX-License-Identifier: GPL-3.0-or-later
// Audio: codec, bit rate, channels.
import QtQuick
import QtQuick.Layouts

Panel {
    id: audio
    index: 2

    Connections {
        target: audio.link
        function onListRefreshed(which) {
            if (which === "audioCodec")
                audioCodecCombo.sync()
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
            FieldLabel { text: qsTr("Audio codec") }
            SettingCombo {
                id: audioCodecCombo
                objectName: "audioCodecCombo"
                model: audio.link.audioCodecs
                current: audio.link.audioCodec
                enabled: audio.link.buttonsEnabled
                tip: qsTr("How the sound is compressed; the choices depend on the container")
                onChosen: function (value) { audio.link.choose("audioCodec", value) }
            }
        }
        ColumnLayout {
            spacing: 4
            Layout.fillWidth: true
            Layout.preferredWidth: 1
            FieldLabel { text: qsTr("Audio bit rate (kbit/s)") }
            SettingCombo {
                objectName: "audioBitrateCombo"
                editable: true
                model: ["64", "96", "128", "160", "192", "256", "320"]
                current: audio.link.audioBitrate
                enabled: audio.link.buttonsEnabled
                validator: RegularExpressionValidator { regularExpression: /[1-9][0-9]{0,4}/ }
                tip: qsTr("Higher means better sound and bigger files. Pick one or type a number and press Enter.")
                onChosen: function (value) { audio.link.choose("audioBitrate", value) }
            }
        }
        ColumnLayout {
            spacing: 4
            Layout.fillWidth: true
            Layout.preferredWidth: 1
            FieldLabel { text: qsTr("Channels") }
            SettingCombo {
                objectName: "channelsCombo"
                editable: true
                model: ["1", "2", "6"]
                current: audio.link.audioChannels
                enabled: audio.link.buttonsEnabled
                validator: RegularExpressionValidator { regularExpression: /[1-8]/ }
                tip: qsTr("1 is mono, 2 is stereo, 6 is 5.1 surround. Pick one or type a count and press Enter.")
                onChosen: function (value) { audio.link.choose("audioChannels", value) }
            }
        }
        NoteText {
            Layout.alignment: Qt.AlignBottom
            Layout.bottomMargin: 2
            Layout.preferredWidth: 1
            text: qsTr("Not every codec takes every channel count: stereo is the safe choice.")
        }
    }
}
