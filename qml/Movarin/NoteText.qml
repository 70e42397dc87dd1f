// SPDX-License-Identifier: GPL-3.0-or-later
// A quiet note that explains, wrapped to the width it is given.
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts

Label {
    font.pixelSize: Theme.note
    color: Theme.textSecondary
    wrapMode: Text.Wrap
    Layout.fillWidth: true
}
