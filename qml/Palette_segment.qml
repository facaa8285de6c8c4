// A rounded swatch; clicking it lets the user choose a colour, starting from its own.
import QtQuick 2.15
import QtQuick.Dialogs 1.3

Rectangle {
    id: segment

    property color swatchColor: "#ffffff"
    signal colorPicked(color clr)

    implicitWidth: 36
    implicitHeight: 36
    radius: 6
    color: "#d3d3d3"

    Rectangle {
        anchors.fill: parent
        anchors.margins: 5
        radius: 4
        color: segment.swatchColor
    }
    MouseArea {
        anchors.fill: parent
        onClicked: {
            colorDialog.color = segment.swatchColor
            colorDialog.open()
        }
    }
    ColorDialog {
        id: colorDialog
        title: "Please choose a color"
        onAccepted: {
            console.log("You chose: " + colorDialog.color)
            segment.swatchColor = colorDialog.color
            segment.colorPicked(colorDialog.color)
        }
        onRejected: console.log("Canceled")
    }
}
