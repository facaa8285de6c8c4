// Horizontal slider of the pages: a thin track with a filled part and a round handle.
import QtQuick 2.15
import QtQuick.Controls 2.15 as CT2

CT2.Slider {
    id: control
    property color accent: "#2d8cf0"
    property color trackColor: "#4a4a4a"

    orientation: Qt.Horizontal
    implicitWidth: 160
    implicitHeight: 22
    live: true

    background: Rectangle {
        x: control.leftPadding
        y: control.topPadding + control.availableHeight / 2 - height / 2
        width: control.availableWidth
        height: 4
        radius: 2
        color: control.trackColor
        Rectangle {
            width: control.visualPosition * parent.width
            height: parent.height
            radius: 2
            color: control.enabled ? control.accent : "#777777"
        }
    }
    handle: Rectangle {
        x: control.leftPadding + control.visualPosition * (control.availableWidth - width)
        y: control.topPadding + control.availableHeight / 2 - height / 2
        width: 14
        height: 14
        radius: 7
        color: control.pressed ? "#dddddd" : "#ffffff"
        border.color: control.accent
        border.width: 2
    }
}
