// SPDX-License-Identifier: GPL-3.0-or-later
// The look in one place: the colours, one type scale and the common sizes.
pragma Singleton
import QtQuick

QtObject {
    readonly property color window: "#f4f6f9"
    readonly property color surface: "#ffffff"
    readonly property color border: "#d3d9e2"
    readonly property color text: "#16202c"
    readonly property color textSecondary: "#4b5563"
    readonly property color accent: "#1d5fd1"
    readonly property color accentHover: "#174fb0"
    readonly property color accentPressed: "#123f8f"
    readonly property color accentSoft: "#e8effc"
    // Text and marks on an accent fill or a selection.
    readonly property color accentText: "#ffffff"
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
    readonly property color tip: "#1f2937"
    readonly property color tipText: "#ffffff"
    // How a file of a run ended; each reads at AA contrast on the surface.
    readonly property color success: "#1a7f37"
    readonly property color danger: "#b42318"
    readonly property color caution: "#8a5a00"
    // The second mark of the logo, beside the play sign.
    readonly property color logoMark: "#9dbcf2"

    // One type scale.
    readonly property int caption: 11
    readonly property int note: 12
    readonly property int body: 13
    readonly property int title: 16
    readonly property int display: 20

    readonly property int radius: 6
    readonly property int cardRadius: 8
    readonly property int smallRadius: 4
    readonly property int gap: 16
    // Buttons, fields and choice lists share one height.
    readonly property int controlHeight: 34
    // The fade of a panel coming up; short enough never to delay a click.
    readonly property int fade: 120
}
