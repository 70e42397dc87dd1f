// SPDX-License-Identifier: GPL-3.0-or-later
// Movarin's whole face. It speaks to the program only through `host`: user actions go out as
// host.fsCommand(command, argument), the program's writes arrive through host.variableWritten,
// and the movie keeps its own variables (the output folder text, the naming checks) with
// host.setVariable. Nothing else is needed from the program, so this file can be replaced
// without rebuilding.
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts

Rectangle {
    id: root
    width: 624
    height: 579
    color: theme.window

    // ---- state -------------------------------------------------------------------------------

    // The program lays its native file list over this rectangle whenever it is shown; nothing a
    // user needs may be drawn there while the Files panel is up.
    readonly property rect listRect: Qt.rect(215, 185, 367, 112)

    // Panels in tab order, and the command that shows (Files) or hides (all others) the list.
    readonly property var panelCommands: ["ID_FS_Slider", "IDC_FS_VIDEOSETTING",
        "IDC_FS_AUDIOSETTING", "ID_FS_Slider2", "IDC_FS_ABOUT"]
    property int panel: 0

    // Switches the program writes. They are one-way signals: each write counts.
    property bool buttonsEnabled: true
    property bool convertEnabled: true
    property bool stopEnabled: false
    property bool progressShown: false
    property int progress: 0
    property string status: ""
    property string lastStatus: ""
    property string outputPath: ""
    property string version: ""

    // The choice lists as offered (empty entries are no choice), and what the program holds now.
    // After a cascade the program holds the first entry of each refilled list.
    property var targets: []
    property var containers: []
    property var videoCodecs: []
    property var audioCodecs: []
    property string target: ""
    property string container: ""
    property string videoCodec: ""
    property string videoBitrate: "1024"
    property string videoScale: "1"
    property string audioCodec: ""
    property string audioBitrate: "128"
    property string audioChannels: "2"
    property bool sameFolder: true

    // Per-file clock for the elapsed time and the estimate, driven by the progress writes.
    property double fileClockStart: 0
    property double elapsedAtWrite: 0
    property double lastProgressAt: 0
    property double now: Date.now()

    readonly property string summary: "to " + shown(target) + " · " + shown(videoCodec) + " "
        + videoBitrate + " kbit/s · " + shown(audioCodec) + " " + audioBitrate + " kbit/s · "
        + audioChannels + " ch"

    // ---- talking to the program ---------------------------------------------------------------

    function send(command, argument) {
        host.fsCommand(command, argument === undefined ? "" : argument)
    }

    function shown(value) {
        return value === "" ? qsTr("none") : value
    }

    function showPanel(index) {
        if (index === panel)
            return
        // Hide the list before anything is drawn over it; show it once its frame is up.
        if (index !== 0)
            send(panelCommands[index])
        panel = index
        if (index === 0)
            send(panelCommands[0])
    }

    // A raw catalogue list: entries split at "|". The program takes the first entry, even an
    // empty one, as its choice; an empty entry is not offered as a choice.
    function refreshList(which) {
        const parts = host.variable("_root." + which + "Str").split("|")
        const offered = parts.filter(function (entry) { return entry !== "" })
        const first = parts[0]
        switch (which) {
        case "convertTo":
            targets = offered; target = first; targetCombo.sync(); break
        case "container":
            containers = offered; container = first; containerCombo.sync(); break
        case "videoCodec":
            videoCodecs = offered; videoCodec = first; videoCodecCombo.sync(); break
        case "audioCodec":
            audioCodecs = offered; audioCodec = first; audioCodecCombo.sync(); break
        }
    }

    function resetFileClock(at) {
        fileClockStart = at
        elapsedAtWrite = 0
        lastProgressAt = at
        now = at
    }

    function takeProgress(value) {
        const at = Date.now()
        let percent = parseInt(value, 10)
        if (isNaN(percent))
            percent = 0
        percent = Math.max(0, Math.min(100, percent))
        // A falling value means a new file (or a new attempt) has begun.
        if (percent < progress || fileClockStart === 0)
            resetFileClock(at)
        progress = percent
        lastProgressAt = at
        elapsedAtWrite = at - fileClockStart
        now = at
    }

    function hostWrote(name, value) {
        switch (name) {
        case "_root.disableStop": stopEnabled = false; break
        case "_root.enableStop": stopEnabled = true; break
        case "_root.disableConvert": convertEnabled = false; break
        case "_root.enableConvert": convertEnabled = true; break
        case "_root.disablerAllBtns": buttonsEnabled = false; break
        case "_root.enablerAllBtns": buttonsEnabled = true; break
        case "_root.showProgress":
            progressShown = true
            resetFileClock(Date.now())
            break
        case "_root.hideProgress": progressShown = false; break
        case "_root.progressValue": takeProgress(value); break
        case "_root.convertOutput":
            // The reset after a run clears the line; keep the run's last word on screen.
            if (value === "" && status !== "")
                lastStatus = status
            status = value
            break
        case "_root.path":
            outputPath = value
            pathField.text = value
            break
        case "_root.version": version = value; break
        case "_root.convertToFlag": refreshList("convertTo"); break
        case "_root.containerFlag": refreshList("container"); break
        case "_root.videoCodecFlag": refreshList("videoCodec"); break
        case "_root.audioCodecFlag": refreshList("audioCodec"); break
        }
    }

    function clockText(ms) {
        const total = Math.max(0, Math.round(ms / 1000))
        const h = Math.floor(total / 3600)
        const m = Math.floor(total / 60) % 60
        const s = total % 60
        const two = function (n) { return (n < 10 ? "0" : "") + n }
        return h > 0 ? h + ":" + two(m) + ":" + two(s) : m + ":" + two(s)
    }

    // The estimate uses the rate seen at the last progress write and counts down between writes.
    function timeLeftText(percent, elapsedAtWriteMs, sinceWriteMs) {
        if (percent >= 100)
            return qsTr("finishing")
        if (percent <= 0 || elapsedAtWriteMs <= 0)
            return qsTr("estimating time left…")
        const left = elapsedAtWriteMs * (100 - percent) / percent - sinceWriteMs
        return left < 1000 ? qsTr("almost done") : qsTr("about %1 left").arg(clockText(left))
    }

    Connections {
        target: host
        function onVariableWritten(name, value) { root.hostWrote(name, value) }
    }

    Component.onCompleted: {
        // The program may have written before the movie was up: start from what it holds.
        refreshList("convertTo")
        refreshList("container")
        refreshList("videoCodec")
        refreshList("audioCodec")
        outputPath = host.variable("_root.path")
        pathField.text = outputPath
        version = host.variable("_root.version")
        status = host.variable("_root.convertOutput")
        // Both checks set: when an output already exists and another name is wanted, the save
        // dialog suggests the planned output name rather than one beside the source.
        host.setVariable("_root.audioCheck", "true")
        host.setVariable("_root.videoCheck", "true")
        send(panelCommands[0])
    }

    Timer {
        interval: 500
        repeat: true
        running: root.progressShown
        onTriggered: root.now = Date.now()
    }

    // ---- look ---------------------------------------------------------------------------------

    QtObject {
        id: theme
        readonly property color window: "#f4f6f9"
        readonly property color surface: "#ffffff"
        readonly property color border: "#d3d9e2"
        readonly property color text: "#16202c"
        readonly property color textSecondary: "#4b5563"
        readonly property color accent: "#1d5fd1"
        readonly property color accentHover: "#174fb0"
        readonly property color accentPressed: "#123f8f"
        readonly property color accentSoft: "#e8effc"
        readonly property color hover: "#eef2f7"
        readonly property color pressed: "#e2e8f0"
        readonly property color disabledFill: "#eceff3"
        readonly property color disabledText: "#8b94a1"
        readonly property color header: "#16202c"
        readonly property color headerText: "#ffffff"
        readonly property color headerTextSecondary: "#aab4c3"
        readonly property color headerHover: "#2a3645"
        readonly property color closeHover: "#c42b1c"
        readonly property color track: "#e1e6ed"
        // One type scale.
        readonly property int caption: 11
        readonly property int body: 13
        readonly property int title: 16
        readonly property int display: 20
        readonly property int radius: 6
        readonly property int gap: 16
    }

    // A tooltip that stays inside the scene, left of rightLimit, and never over the file list
    // when its owner sits beside it.
    component Hint: ToolTip {
        id: hint
        property Item owner: parent
        property bool below: false
        property real rightLimit: root.width
        property bool wanted: false
        visible: wanted && text !== "" && owner.visible
        delay: 600
        timeout: 8000
        font.pixelSize: theme.caption + 1
        padding: 6
        width: Math.min(implicitWidth, Math.min(280, rightLimit - 16))
        onAboutToShow: {
            const origin = owner.mapToItem(root, 0, 0)
            const left = origin.x + (owner.width - width) / 2
            x = Math.max(8, Math.min(left, rightLimit - 8 - width)) - origin.x
            y = below ? owner.height + 6 : -height - 6
        }
        contentItem: Text {
            text: hint.text
            font: hint.font
            color: "#ffffff"
            wrapMode: Text.Wrap
        }
        background: Rectangle {
            color: "#1f2937"
            radius: 4
        }
    }

    component FocusRing: Rectangle {
        property Item control: parent
        anchors.fill: parent
        anchors.margins: -3
        radius: theme.radius + 3
        color: "transparent"
        border.color: theme.accent
        border.width: 2
        visible: control.visualFocus
    }

    component AppButton: Button {
        id: button
        property string tip
        property bool primary: false
        property bool quiet: false
        property bool tipBelow: false
        property real tipRightLimit: root.width
        font.pixelSize: theme.body
        font.weight: primary ? Font.DemiBold : Font.Normal
        implicitHeight: 34
        leftPadding: 12
        rightPadding: 12
        Keys.onReturnPressed: clicked()
        Keys.onEnterPressed: clicked()
        contentItem: Text {
            text: button.text
            font: button.font
            elide: Text.ElideRight
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            color: !button.enabled ? theme.disabledText
                 : button.primary ? "#ffffff"
                 : button.quiet ? theme.accent : theme.text
        }
        background: Rectangle {
            radius: theme.radius
            color: !button.enabled ? theme.disabledFill
                 : button.primary ? (button.down ? theme.accentPressed
                                    : button.hovered ? theme.accentHover : theme.accent)
                 : button.down ? theme.pressed
                 : button.hovered ? theme.hover
                 : button.quiet ? "transparent" : theme.surface
            border.width: button.primary || button.quiet ? 0 : 1
            border.color: theme.border
            Behavior on color { ColorAnimation { duration: 90 } }
            FocusRing { control: button }
        }
        Hint {
            owner: button
            text: button.tip
            below: button.tipBelow
            rightLimit: button.tipRightLimit
            wanted: button.hovered || button.visualFocus
        }
    }

    // Window controls on the dark header: a drawn glyph, no text.
    component HeaderButton: AbstractButton {
        id: hb
        property string tip
        property bool danger: false
        default property alias glyph: glyphArea.data
        implicitWidth: 40
        implicitHeight: 34
        Keys.onReturnPressed: clicked()
        Keys.onEnterPressed: clicked()
        background: Rectangle {
            radius: theme.radius
            color: hb.down || hb.hovered ? (hb.danger ? theme.closeHover : theme.headerHover)
                                         : "transparent"
            Behavior on color { ColorAnimation { duration: 90 } }
            FocusRing { control: hb; border.color: "#ffffff" }
        }
        contentItem: Item { id: glyphArea }
        Hint {
            owner: hb
            text: hb.tip
            below: true
            wanted: hb.hovered || hb.visualFocus
        }
    }

    component PanelTab: TabButton {
        id: tab
        property string tip
        property int index: 0
        font.pixelSize: theme.body
        Keys.onReturnPressed: clicked()
        Keys.onEnterPressed: clicked()
        onClicked: root.showPanel(index)
        contentItem: Text {
            text: tab.text
            font.pixelSize: theme.body
            font.weight: tab.checked ? Font.DemiBold : Font.Normal
            color: tab.checked ? theme.accent : tab.hovered ? theme.text : theme.textSecondary
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
        }
        background: Item {
            implicitHeight: 44
            Rectangle {
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.bottom: parent.bottom
                anchors.leftMargin: 10
                anchors.rightMargin: 10
                height: 3
                radius: 1.5
                color: tab.checked ? theme.accent : tab.hovered ? theme.border : "transparent"
                Behavior on color { ColorAnimation { duration: 120 } }
            }
            Rectangle {
                anchors.fill: parent
                anchors.margins: 6
                radius: theme.radius
                color: "transparent"
                border.color: theme.accent
                border.width: 2
                visible: tab.visualFocus
            }
        }
        Hint {
            owner: tab
            text: tab.tip
            wanted: tab.hovered || tab.visualFocus
        }
    }

    component FieldLabel: Label {
        font.pixelSize: theme.body
        font.weight: Font.DemiBold
        color: theme.text
        elide: Text.ElideRight
        Layout.fillWidth: true
    }

    component NoteText: Label {
        font.pixelSize: theme.caption + 1
        color: theme.textSecondary
        wrapMode: Text.Wrap
        Layout.fillWidth: true
    }

    // A choice list. `current` is what the program holds; choosing sends `command` with the
    // entry's exact text. Editable lists also take a typed value, sent on Enter, on leaving the
    // field or on picking a preset.
    component SettingCombo: ComboBox {
        id: combo
        property string tip
        property string command
        property string current
        signal chosen(string value)
        enabled: root.buttonsEnabled
        font.pixelSize: theme.body
        implicitHeight: 34
        Layout.fillWidth: true
        displayText: root.shown(current)

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
            root.send(command, value)
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
            color: combo.enabled ? theme.text : theme.disabledText
            selectionColor: theme.accent
            selectedTextColor: "#ffffff"
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
            font.pixelSize: theme.title
            color: combo.enabled ? theme.textSecondary : theme.disabledText
        }
        background: Rectangle {
            implicitWidth: 140
            radius: theme.radius
            color: combo.enabled ? (combo.hovered && !combo.editable ? theme.hover : theme.surface)
                                 : theme.disabledFill
            border.width: combo.activeFocus ? 2 : 1
            border.color: combo.activeFocus ? theme.accent : theme.border
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
                    color: entry.highlighted ? "#ffffff" : theme.text
                    verticalAlignment: Text.AlignVCenter
                    elide: Text.ElideRight
                }
                background: Rectangle {
                    color: entry.highlighted ? theme.accent : "transparent"
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
                color: theme.surface
                border.color: theme.border
                radius: 4
            }
        }
        Hint {
            owner: combo
            text: combo.tip
            wanted: combo.hovered && !combo.popup.visible
        }
    }

    component AppRadio: RadioButton {
        id: radio
        property string tip
        property string detail
        font.pixelSize: theme.body
        enabled: root.buttonsEnabled
        leftPadding: 0
        Keys.onReturnPressed: clicked()
        Keys.onEnterPressed: clicked()
        indicator: Rectangle {
            x: radio.leftPadding
            y: (radio.height - height) / 2
            implicitWidth: 18
            implicitHeight: 18
            radius: 9
            color: theme.surface
            border.width: radio.checked ? 2 : 1
            border.color: !radio.enabled ? theme.disabledText
                        : radio.checked ? theme.accent : theme.textSecondary
            Rectangle {
                anchors.centerIn: parent
                width: 8
                height: 8
                radius: 4
                color: radio.enabled ? theme.accent : theme.disabledText
                visible: radio.checked
            }
            FocusRing { control: radio; radius: 12 }
        }
        contentItem: Text {
            leftPadding: radio.indicator.width + 10
            text: radio.text
            font: radio.font
            color: radio.enabled ? theme.text : theme.disabledText
            verticalAlignment: Text.AlignVCenter
            elide: Text.ElideRight
        }
        Hint {
            owner: radio
            text: radio.tip
            wanted: radio.hovered || radio.visualFocus
        }
    }

    component Card: Rectangle {
        color: theme.surface
        radius: 8
        border.color: theme.border
        border.width: 1
    }

    // ---- header: drag area, name, help, minimise, close ---------------------------------------

    Rectangle {
        id: header
        x: 0
        y: 0
        width: root.width
        height: 52
        color: theme.header

        MouseArea {
            objectName: "dragArea"
            anchors.fill: parent
            acceptedButtons: Qt.LeftButton
            // The program moves the window while the button stays down.
            onPressed: root.send("IDC_FS_drag")
        }

        Rectangle {
            id: logo
            x: theme.gap
            anchors.verticalCenter: parent.verticalCenter
            width: 30
            height: 30
            radius: 8
            color: theme.accent
            Canvas {
                anchors.fill: parent
                onPaint: {
                    const ctx = getContext("2d")
                    ctx.reset()
                    ctx.fillStyle = "#ffffff"
                    ctx.beginPath()
                    ctx.moveTo(11, 8)
                    ctx.lineTo(22, 15)
                    ctx.lineTo(11, 22)
                    ctx.closePath()
                    ctx.fill()
                    ctx.fillStyle = "#9dbcf2"
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
                font.pixelSize: theme.title
                font.weight: Font.DemiBold
                color: theme.headerText
            }
            Text {
                text: qsTr("Video converter")
                font.pixelSize: theme.caption
                color: theme.headerTextSecondary
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
                onClicked: root.send("IDC_FS_HELP")
                Text {
                    anchors.centerIn: parent
                    text: "?"
                    font.pixelSize: theme.title
                    font.weight: Font.DemiBold
                    color: theme.headerText
                }
            }
            HeaderButton {
                objectName: "minimizeButton"
                tip: qsTr("Minimise the window")
                onClicked: root.send("IDC_FS_MINI")
                Rectangle {
                    anchors.centerIn: parent
                    width: 12
                    height: 2
                    color: theme.headerText
                }
            }
            HeaderButton {
                objectName: "closeButton"
                tip: qsTr("Close Movarin")
                danger: true
                onClicked: root.send("IDC_FS_EXIT")
                Rectangle {
                    anchors.centerIn: parent
                    width: 15
                    height: 2
                    rotation: 45
                    antialiasing: true
                    color: theme.headerText
                }
                Rectangle {
                    anchors.centerIn: parent
                    width: 15
                    height: 2
                    rotation: -45
                    antialiasing: true
                    color: theme.headerText
                }
            }
        }
    }

    // ---- panel tabs ---------------------------------------------------------------------------

    Rectangle {
        x: 0
        y: 52
        width: root.width
        height: 44
        color: theme.surface
        Rectangle {
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            height: 1
            color: theme.border
        }
    }

    TabBar {
        id: tabs
        x: 8
        y: 52
        width: root.width - 16
        height: 44
        currentIndex: root.panel
        background: null

        PanelTab {
            objectName: "filesTab"
            index: 0
            text: qsTr("Files")
            tip: qsTr("The files to convert and a summary of the settings")
        }
        PanelTab {
            objectName: "videoTab"
            index: 1
            text: qsTr("Video")
            tip: qsTr("Target format, container, video codec, bit rate and scale")
        }
        PanelTab {
            objectName: "audioTab"
            index: 2
            text: qsTr("Audio")
            tip: qsTr("Audio codec, bit rate and channels")
        }
        PanelTab {
            objectName: "outputTab"
            index: 3
            text: qsTr("Output")
            tip: qsTr("Where the converted files are saved")
        }
        PanelTab {
            objectName: "aboutTab"
            index: 4
            text: qsTr("About")
            tip: qsTr("Version and support")
        }
    }

    // ---- panels -------------------------------------------------------------------------------

    Item {
        id: panels
        x: theme.gap
        y: 96
        width: root.width - 2 * theme.gap
        height: 222

        // Files: summary of the choices, the tool column and the frame of the native list.
        Item {
            id: filesPanel
            anchors.fill: parent
            visible: root.panel === 0
            onVisibleChanged: if (visible) fadeFiles.restart()
            NumberAnimation on opacity { id: fadeFiles; from: 0; to: 1; duration: 120 }

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
                    radius: theme.radius
                    color: theme.accentSoft
                    Text {
                        objectName: "summaryTarget"
                        anchors.fill: parent
                        anchors.margins: 4
                        text: root.shown(root.target)
                        font.pixelSize: theme.display
                        font.weight: Font.DemiBold
                        color: theme.accent
                        fontSizeMode: Text.HorizontalFit
                        minimumPixelSize: theme.body
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

                    Text {
                        text: qsTr("Video")
                        font.pixelSize: theme.caption
                        font.weight: Font.DemiBold
                        font.capitalization: Font.AllUppercase
                        color: theme.textSecondary
                    }
                    Text {
                        objectName: "summaryVideo"
                        Layout.fillWidth: true
                        text: root.shown(root.videoCodec) + " · " + root.videoBitrate + " kbit/s"
                              + (root.videoScale === "1" ? "" : " · " + qsTr("scale %1").arg(root.videoScale))
                              + "  ·  " + qsTr("in %1").arg(root.shown(root.container))
                        font.pixelSize: theme.body
                        color: theme.text
                        elide: Text.ElideRight
                    }
                    Text {
                        text: qsTr("Audio")
                        font.pixelSize: theme.caption
                        font.weight: Font.DemiBold
                        font.capitalization: Font.AllUppercase
                        color: theme.textSecondary
                    }
                    Text {
                        objectName: "summaryAudio"
                        Layout.fillWidth: true
                        text: root.shown(root.audioCodec) + " · " + root.audioBitrate + " kbit/s · "
                              + (root.audioChannels === "1" ? qsTr("mono")
                                 : root.audioChannels === "2" ? qsTr("stereo")
                                 : qsTr("%1 channels").arg(root.audioChannels))
                        font.pixelSize: theme.body
                        color: theme.text
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
                    text: qsTr("Converting %1. Change it on the Video and Audio tabs.").arg(root.summary)
                    wanted: summaryHover.containsMouse
                }
            }

            Text {
                x: root.listRect.x - panels.x
                y: root.listRect.y - panels.y - 20
                width: root.listRect.width
                text: qsTr("Files to convert")
                font.pixelSize: theme.caption
                font.weight: Font.DemiBold
                font.capitalization: Font.AllUppercase
                color: theme.textSecondary
            }
            Text {
                x: 0
                y: root.listRect.y - panels.y - 20
                text: qsTr("Queue")
                font.pixelSize: theme.caption
                font.weight: Font.DemiBold
                font.capitalization: Font.AllUppercase
                color: theme.textSecondary
            }

            // The tool column beside the list.
            GridLayout {
                id: tools
                x: 0
                y: root.listRect.y - panels.y
                width: root.listRect.x - panels.x - 12
                height: root.listRect.height
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
                    tipRightLimit: root.listRect.x - 4
                    enabled: root.buttonsEnabled
                    onClicked: root.send("IDC_FS_ADD")
                }
                AppButton {
                    objectName: "removeButton"
                    Layout.fillWidth: true
                    Layout.fillHeight: true
                    Layout.preferredWidth: 1
                    text: qsTr("Remove")
                    tip: qsTr("Remove the selected files from the queue")
                    tipRightLimit: root.listRect.x - 4
                    enabled: root.buttonsEnabled
                    onClicked: root.send("IDC_FS_REMOVE")
                }
                AppButton {
                    objectName: "removeAllButton"
                    Layout.fillWidth: true
                    Layout.fillHeight: true
                    Layout.preferredWidth: 1
                    text: qsTr("Clear")
                    tip: qsTr("Remove all files from the queue")
                    tipRightLimit: root.listRect.x - 4
                    enabled: root.buttonsEnabled
                    onClicked: root.send("IDC_FS_REMOVEALL")
                }
                AppButton {
                    objectName: "upButton"
                    Layout.fillWidth: true
                    Layout.fillHeight: true
                    Layout.preferredWidth: 1
                    text: qsTr("↑ Up")
                    tip: qsTr("Move the selected files up: they are converted earlier")
                    tipRightLimit: root.listRect.x - 4
                    enabled: root.buttonsEnabled
                    onClicked: root.send("IDC_FS_UP")
                }
                AppButton {
                    objectName: "downButton"
                    Layout.fillWidth: true
                    Layout.fillHeight: true
                    Layout.preferredWidth: 1
                    text: qsTr("↓ Down")
                    tip: qsTr("Move the selected files down: they are converted later")
                    tipRightLimit: root.listRect.x - 4
                    enabled: root.buttonsEnabled
                    onClicked: root.send("IDC_FS_DOWN")
                }
            }

            // Frame of the native list. Only the frame shows while the list is up; the note is
            // for the moments before the program has shown it.
            Rectangle {
                objectName: "listFrame"
                x: root.listRect.x - panels.x - 1
                y: root.listRect.y - panels.y - 1
                width: root.listRect.width + 2
                height: root.listRect.height + 2
                color: theme.surface
                border.color: theme.border
                border.width: 1
                Text {
                    anchors.centerIn: parent
                    text: qsTr("No files yet: use Add files…")
                    font.pixelSize: theme.body
                    color: theme.textSecondary
                }
            }

            Text {
                x: root.listRect.x - panels.x
                y: root.listRect.y + root.listRect.height - panels.y + 5
                width: root.listRect.width
                text: qsTr("Shift or Ctrl selects several files; Delete removes them.")
                font.pixelSize: theme.caption
                color: theme.textSecondary
                elide: Text.ElideRight
            }
        }

        // Video: target, container, video codec, bit rate, scale.
        Item {
            id: videoPanel
            anchors.fill: parent
            visible: root.panel === 1
            onVisibleChanged: if (visible) fadeVideo.restart()
            NumberAnimation on opacity { id: fadeVideo; from: 0; to: 1; duration: 120 }

            GridLayout {
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.top: parent.top
                anchors.topMargin: 12
                columns: 2
                columnSpacing: theme.gap
                rowSpacing: 12

                ColumnLayout {
                    spacing: 4
                    Layout.fillWidth: true
                    Layout.preferredWidth: 1
                    FieldLabel { text: qsTr("Convert to") }
                    SettingCombo {
                        id: targetCombo
                        objectName: "targetCombo"
                        model: root.targets
                        current: root.target
                        command: "ID-FS-convertTo"
                        tip: qsTr("The kind of file to make; its container and codecs follow")
                        onChosen: function (value) { root.target = value }
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
                        model: root.containers
                        current: root.container
                        command: "ID-FS-container"
                        tip: qsTr("How the streams are packed into the file; the codec lists follow it")
                        onChosen: function (value) { root.container = value }
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
                        model: root.videoCodecs
                        current: root.videoCodec
                        command: "ID-FS-videoCodec"
                        tip: qsTr("How the picture is compressed")
                        onChosen: function (value) { root.videoCodec = value }
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
                        current: root.videoBitrate
                        validator: RegularExpressionValidator { regularExpression: /[1-9][0-9]{0,5}/ }
                        command: "ID-FS-videoBitrate"
                        tip: qsTr("Higher means better picture and bigger files. Pick one or type a number and press Enter.")
                        onChosen: function (value) { root.videoBitrate = value }
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
                        current: root.videoScale
                        validator: RegularExpressionValidator { regularExpression: /[0-9]{1,2}(\.[0-9]{1,3})?/ }
                        command: "ID-FS-videoScale"
                        tip: qsTr("Picture size relative to the source: 1 keeps it, 0.5 halves it. Pick one or type a factor and press Enter.")
                        onChosen: function (value) { root.videoScale = value }
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

        // Audio: codec, bit rate, channels.
        Item {
            id: audioPanel
            anchors.fill: parent
            visible: root.panel === 2
            onVisibleChanged: if (visible) fadeAudio.restart()
            NumberAnimation on opacity { id: fadeAudio; from: 0; to: 1; duration: 120 }

            GridLayout {
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.top: parent.top
                anchors.topMargin: 12
                columns: 2
                columnSpacing: theme.gap
                rowSpacing: 12

                ColumnLayout {
                    spacing: 4
                    Layout.fillWidth: true
                    Layout.preferredWidth: 1
                    FieldLabel { text: qsTr("Audio codec") }
                    SettingCombo {
                        id: audioCodecCombo
                        objectName: "audioCodecCombo"
                        model: root.audioCodecs
                        current: root.audioCodec
                        command: "ID-FS-audioCodec"
                        tip: qsTr("How the sound is compressed; the choices depend on the container")
                        onChosen: function (value) { root.audioCodec = value }
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
                        current: root.audioBitrate
                        validator: RegularExpressionValidator { regularExpression: /[1-9][0-9]{0,4}/ }
                        command: "ID-FS-audioBitrate"
                        tip: qsTr("Higher means better sound and bigger files. Pick one or type a number and press Enter.")
                        onChosen: function (value) { root.audioBitrate = value }
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
                        current: root.audioChannels
                        validator: RegularExpressionValidator { regularExpression: /[1-8]/ }
                        command: "ID-FS-audioChannnel"
                        tip: qsTr("1 is mono, 2 is stereo, 6 is 5.1 surround. Pick one or type a count and press Enter.")
                        onChosen: function (value) { root.audioChannels = value }
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

        // Output: beside the sources, or one folder for all.
        Item {
            id: outputPanel
            anchors.fill: parent
            visible: root.panel === 3
            onVisibleChanged: if (visible) fadeOutput.restart()
            NumberAnimation on opacity { id: fadeOutput; from: 0; to: 1; duration: 120 }

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
                    checked: root.sameFolder
                    onClicked: {
                        root.sameFolder = true
                        root.send("IDC_FS_SAMEDIRECTORY")
                    }
                }
                AppRadio {
                    objectName: "otherFolderRadio"
                    ButtonGroup.group: folderChoice
                    text: qsTr("All in this folder:")
                    tip: qsTr("Every new file goes into the folder below")
                    checked: !root.sameFolder
                    onClicked: {
                        root.sameFolder = false
                        root.send("IDC_FS_OTHERDIRECTORY")
                    }
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
                        implicitHeight: 34
                        enabled: root.buttonsEnabled && !root.sameFolder
                        font.pixelSize: theme.body
                        color: enabled ? theme.text : theme.disabledText
                        placeholderText: qsTr("Type a folder or use Browse…")
                        placeholderTextColor: theme.textSecondary
                        selectionColor: theme.accent
                        selectedTextColor: "#ffffff"
                        selectByMouse: true
                        leftPadding: 10
                        background: Rectangle {
                            radius: theme.radius
                            color: pathField.enabled ? theme.surface : theme.disabledFill
                            border.width: pathField.activeFocus ? 2 : 1
                            border.color: pathField.activeFocus ? theme.accent : theme.border
                        }
                        // The program reads this text back when the folder choice is sent.
                        onTextEdited: {
                            root.outputPath = text
                            host.setVariable("_root.path", text)
                        }
                        onEditingFinished: {
                            if (!root.sameFolder && text !== committed) {
                                committed = text
                                root.send("IDC_FS_OTHERDIRECTORY")
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
                        enabled: root.buttonsEnabled && !root.sameFolder
                        onClicked: root.send("IDC_FS_BROWSE")
                    }
                }
                NoteText {
                    Layout.leftMargin: 28
                    text: !root.sameFolder && root.outputPath === ""
                          ? qsTr("Enter a folder before converting.")
                          : qsTr("When a file of the same name exists, Movarin asks before replacing it.")
                }
            }
        }

        // About: version, help and support.
        Item {
            id: aboutPanel
            anchors.fill: parent
            visible: root.panel === 4
            onVisibleChanged: if (visible) fadeAbout.restart()
            NumberAnimation on opacity { id: fadeAbout; from: 0; to: 1; duration: 120 }

            ColumnLayout {
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.top: parent.top
                anchors.topMargin: 14
                spacing: 6

                Label {
                    text: "Movarin"
                    font.pixelSize: theme.display
                    font.weight: Font.DemiBold
                    color: theme.text
                }
                Label {
                    objectName: "versionText"
                    text: root.version === "" ? "" : qsTr("Version %1").arg(root.version)
                    font.pixelSize: theme.body
                    color: theme.textSecondary
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
                        onClicked: root.send("IDC_FS_support")
                    }
                    AppButton {
                        objectName: "aboutHelpButton"
                        text: qsTr("Open help")
                        tip: qsTr("Open the help page")
                        onClicked: root.send("IDC_FS_HELP")
                    }
                }
            }
        }
    }

    // ---- progress and the main action, on every panel -----------------------------------------

    Rectangle {
        x: 0
        y: 318
        width: root.width
        height: root.height - y
        color: theme.surface
        Rectangle {
            width: parent.width
            height: 1
            color: theme.border
        }
    }

    Item {
        id: progressArea
        x: theme.gap
        y: 334
        width: root.width - 2 * theme.gap
        height: 120

        Text {
            id: statusLine
            objectName: "statusText"
            x: 0
            y: 0
            width: parent.width
            height: 36
            text: root.status
            visible: root.status !== ""
            font.pixelSize: theme.body
            color: theme.text
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
                text: statusLine.truncated ? root.status : ""
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
            visible: root.status === ""
            text: root.lastStatus !== "" ? root.lastStatus : qsTr("Ready to convert.")
            font.pixelSize: theme.body
            color: theme.textSecondary
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
            visible: !root.progressShown
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
                        color: theme.accentSoft
                        Text {
                            anchors.centerIn: parent
                            text: index + 1
                            font.pixelSize: theme.body
                            font.weight: Font.DemiBold
                            color: theme.accent
                        }
                    }
                    Text {
                        anchors.verticalCenter: parent.verticalCenter
                        text: modelData
                        font.pixelSize: theme.body
                        color: theme.text
                    }
                }
            }
        }

        Item {
            id: progressPanel
            objectName: "progressPanel"
            x: 0
            y: 46
            width: parent.width
            height: 60
            visible: root.progressShown

            ProgressBar {
                id: progressBar
                objectName: "progressBar"
                x: 0
                y: 0
                width: parent.width - 56
                height: 10
                from: 0
                to: 100
                value: root.progress
                background: Rectangle {
                    implicitHeight: 10
                    radius: 5
                    color: theme.track
                }
                contentItem: Item {
                    implicitHeight: 10
                    Rectangle {
                        width: progressBar.visualPosition * parent.width
                        height: parent.height
                        radius: 5
                        color: theme.accent
                        Behavior on width { NumberAnimation { duration: 150 } }
                    }
                }
            }
            Text {
                objectName: "percentText"
                anchors.right: parent.right
                anchors.verticalCenter: progressBar.verticalCenter
                text: root.progress + " %"
                font.pixelSize: theme.body
                font.weight: Font.DemiBold
                color: theme.text
            }
            Text {
                objectName: "elapsedText"
                x: 0
                y: 22
                text: qsTr("Elapsed %1").arg(root.clockText(root.now - root.fileClockStart))
                font.pixelSize: theme.caption + 1
                color: theme.textSecondary
            }
            Text {
                objectName: "timeLeftText"
                anchors.right: parent.right
                y: 22
                text: root.timeLeftText(root.progress, root.elapsedAtWrite,
                                        root.now - root.lastProgressAt)
                font.pixelSize: theme.caption + 1
                color: theme.textSecondary
            }
            Text {
                x: 0
                y: 40
                text: qsTr("Times are for the current file.")
                font.pixelSize: theme.caption
                color: theme.textSecondary
            }
        }
    }

    Item {
        id: actionRow
        x: theme.gap
        y: 470
        width: root.width - 2 * theme.gap
        height: 48

        Column {
            anchors.left: parent.left
            anchors.right: actions.left
            anchors.rightMargin: theme.gap
            anchors.verticalCenter: parent.verticalCenter
            spacing: 2
            Text {
                text: qsTr("Save to")
                font.pixelSize: theme.caption
                font.weight: Font.DemiBold
                font.capitalization: Font.AllUppercase
                color: theme.textSecondary
            }
            Text {
                objectName: "destinationText"
                width: parent.width
                text: root.sameFolder ? qsTr("Beside each source file")
                      : root.outputPath === "" ? qsTr("No folder chosen") : root.outputPath
                font.pixelSize: theme.body
                color: theme.text
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
                enabled: root.stopEnabled
                onClicked: root.send("IDC_FS_CANCEL")
            }
            AppButton {
                objectName: "convertButton"
                width: 170
                height: 46
                primary: true
                font.pixelSize: theme.title
                text: qsTr("Convert")
                tip: qsTr("Convert every file in the queue with these settings")
                enabled: root.convertEnabled && root.buttonsEnabled
                onClicked: root.send("IDC_FS_CONVERT")
            }
        }
    }

    Text {
        x: theme.gap
        y: root.height - 34
        width: root.width - 2 * theme.gap
        text: qsTr("Hover over any control to learn what it does. Tab moves between controls; Space or Enter presses them.")
        font.pixelSize: theme.caption
        color: theme.textSecondary
        elide: Text.ElideRight
    }
}
