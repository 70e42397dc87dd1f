// SPDX-License-Identifier: GPL-3.0-or-later
// One panel under the tabs: shown while its tab is chosen, fading in as it comes up.
import QtQuick

Item {
    required property HostLink link
    // The panel's place in the tab order, which is also the command the program hears.
    property int index: 0
    anchors.fill: parent
    visible: link.panel === index
    onVisibleChanged: if (visible) fade.restart()
    NumberAnimation on opacity { id: fade; from: 0; to: 1; duration: Theme.fade }
}
