// A swatch that hands its colour on when clicked; light-blue border while it has focus.
import QtQuick 2.15

Rectangle {
    id: pick

    property color swatchColor: "#ffffff"
    signal colorPicked(color clr)

    implicitWidth: 36
    implicitHeight: 36
    radius: 4
    color: swatchColor
    border.width: 3
    border.color: activeFocus ? "#87cefa" : "#555555"
    activeFocusOnTab: true

    MouseArea {
        anchors.fill: parent
        onClicked: {
            pick.forceActiveFocus()
            pick.colorPicked(pick.swatchColor)
        }
    }
    Keys.onSpacePressed: pick.colorPicked(pick.swatchColor)
}
