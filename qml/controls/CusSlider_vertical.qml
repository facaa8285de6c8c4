// Vertical slider of the pages; top is the upper end of the range.
import QtQuick 2.15
import QtQuick.Controls 2.15 as CT2

CT2.Slider {
    id: control
    property color accent: "#2d8cf0"
    property color trackColor: "#4a4a4a"

    orientation: Qt.Vertical
    implicitWidth: 22
    implicitHeight: 120
    live: true

    background: Rectangle {
        x: control.leftPadding + control.availableWidth / 2 - width / 2
        y: control.topPadding
        width: 4
        height: control.availableHeight
        radius: 2
        color: control.trackColor
        Rectangle {
            y: control.visualPosition * parent.height
            width: parent.width
            height: parent.height - y
            radius: 2
            color: control.enabled ? control.accent : "#777777"
        }
    }
    handle: Rectangle {
        x: control.leftPadding + control.availableWidth / 2 - width / 2
        y: control.topPadding + control.visualPosition * (control.availableHeight - height)
        width: 14
        height: 14
        radius: 7
        color: control.pressed ? "#dddddd" : "#ffffff"
        border.color: control.accent
        border.width: 2
    }
}
