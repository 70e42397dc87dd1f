// SPDX-License-Identifier: GPL-3.0-or-later
// The movie's side of the protocol with the program, and everything it knows: the switches and
// values the program writes, the choices and the output folder, the panel shown and the per-file
// clock. The layout only reads this object and calls its functions; it never talks to `host`.
//
//   HostLink { id: hostLink; channel: host }
import QtQuick

Item {
    id: link
    objectName: "hostLink"

    // The `host` object the program gives the movie.
    required property QtObject channel

    // The program lays its native file list over this rectangle of the scene whenever it is
    // shown; nothing a user needs may be drawn there while the Files panel is up. The host says
    // where (empty until the channel is bound).
    readonly property rect listRect: channel ? channel.listRect : Qt.rect(0, 0, 0, 0)

    // Panels in tab order, and the command that shows (Files) or hides (all others) the list.
    readonly property var panelCommands: ["ID_FS_Slider", "IDC_FS_VIDEOSETTING",
        "IDC_FS_AUDIOSETTING", "ID_FS_Slider2", "ID_FS_Slider2", "IDC_FS_ABOUT"]
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
    // A run that stops for nobody: outputs that exist are dealt with as decided once at its
    // start, and what fails is listed at its end.
    property bool unattended: false

    // The files of the current or last run and where each stands, read from the program when
    // the view wants them (roles: name, source, status, percent, output, outputName, reason).
    readonly property var results: channel && channel.results !== undefined ? channel.results : null

    // The command each setting sends with the chosen entry's exact text.
    readonly property var settingCommands: ({
        target: "ID-FS-convertTo",
        container: "ID-FS-container",
        videoCodec: "ID-FS-videoCodec",
        videoBitrate: "ID-FS-videoBitrate",
        videoScale: "ID-FS-videoScale",
        audioCodec: "ID-FS-audioCodec",
        audioBitrate: "ID-FS-audioBitrate",
        audioChannels: "ID-FS-audioChannnel"
    })

    // Per-file clock for the elapsed time and the estimate, driven by the progress writes.
    property double fileClockStart: 0
    property double elapsedAtWrite: 0
    property double lastProgressAt: 0
    property double now: Date.now()

    readonly property string summary: "to " + shown(target) + " · " + shown(videoCodec) + " "
        + videoBitrate + " kbit/s · " + shown(audioCodec) + " " + audioBitrate + " kbit/s · "
        + audioChannels + " ch"

    // A choice list was refilled ("convertTo", "container", "videoCodec" or "audioCodec"); its
    // control shows the program's choice again, even when the list did not change.
    signal listRefreshed(string which)
    // The program wrote the output folder; the folder field shows it.
    signal pathWritten(string path)

    // ---- what the movie says ---------------------------------------------------------------

    function send(command, argument) {
        channel.fsCommand(command, argument === undefined ? "" : argument)
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

    // A setting chosen by the user: the program hears the exact text, then the movie holds it.
    function choose(setting, value) {
        send(settingCommands[setting], value)
        link[setting] = value
    }

    function chooseSameFolder(same) {
        sameFolder = same
        send(same ? "IDC_FS_SAMEDIRECTORY" : "IDC_FS_OTHERDIRECTORY")
    }

    function chooseUnattended(on) {
        unattended = on
        send("IDC_FS_UNATTENDED", on ? "1" : "0")
    }

    // A converted file of the results (by its row): its folder, or the file in the desktop's
    // player.
    function openResultFolder(row) {
        send("IDC_FS_OPENFOLDER", String(row))
    }
    function playResult(row) {
        send("IDC_FS_PLAY", String(row))
    }

    // The program reads this text back when the folder choice is sent.
    function editPath(path) {
        outputPath = path
        channel.setVariable("_root.path", path)
    }

    // ---- what the program writes -----------------------------------------------------------

    // A raw catalogue list: entries split at "|". The program takes the first entry, even an
    // empty one, as its choice; an empty entry is not offered as a choice.
    function refreshList(which) {
        const parts = channel.variable("_root." + which + "Str").split("|")
        const offered = parts.filter(function (entry) { return entry !== "" })
        const first = parts[0]
        switch (which) {
        case "convertTo": targets = offered; link.target = first; break
        case "container": containers = offered; container = first; break
        case "videoCodec": videoCodecs = offered; videoCodec = first; break
        case "audioCodec": audioCodecs = offered; audioCodec = first; break
        default: return
        }
        listRefreshed(which)
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
            pathWritten(value)
            break
        case "_root.version": version = value; break
        case "_root.unattended": unattended = value === "1"; break
        case "_root.convertToFlag": refreshList("convertTo"); break
        case "_root.containerFlag": refreshList("container"); break
        case "_root.videoCodecFlag": refreshList("videoCodec"); break
        case "_root.audioCodecFlag": refreshList("audioCodec"); break
        }
    }

    // ---- the clocks --------------------------------------------------------------------------

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

    readonly property string elapsedText: qsTr("Elapsed %1").arg(clockText(now - fileClockStart))
    readonly property string timeLeft: timeLeftText(progress, elapsedAtWrite, now - lastProgressAt)

    Connections {
        target: link.channel
        function onVariableWritten(name, value) { link.hostWrote(name, value) }
    }

    Component.onCompleted: {
        // The program may have written before the movie was up: start from what it holds.
        refreshList("convertTo")
        refreshList("container")
        refreshList("videoCodec")
        refreshList("audioCodec")
        outputPath = channel.variable("_root.path")
        pathWritten(outputPath)
        version = channel.variable("_root.version")
        unattended = channel.variable("_root.unattended") === "1"
        status = channel.variable("_root.convertOutput")
        // Both checks set: when an output already exists and another name is wanted, the save
        // dialog suggests the planned output name rather than one beside the source.
        channel.setVariable("_root.audioCheck", "true")
        channel.setVariable("_root.videoCheck", "true")
        send(panelCommands[0])
    }

    Timer {
        interval: 500
        repeat: true
        running: link.progressShown
        onTriggered: link.now = Date.now()
    }
}
