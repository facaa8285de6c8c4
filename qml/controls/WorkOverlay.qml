// Covers a window while long work runs: what is being done, the bar and
// "取消". It takes every pointer event, so nothing else starts meanwhile.
import QtQuick 2.15
import QtQuick.Controls 2.15 as CT2

Rectangle {
    id: overlay
    objectName: "workOverlay"
    anchors.fill: parent
    z: 1000
    visible: workProgress.busy
    color: "#a0000000"

    MouseArea {
        anchors.fill: parent
        hoverEnabled: true
        acceptedButtons: Qt.AllButtons
        onWheel: wheel.accepted = true
    }
    Text {
        anchors.bottom: bar.top
        anchors.bottomMargin: 8
        anchors.left: bar.left
        text: workProgress.label
        color: "white"
        font.pixelSize: 16
    }
    CT2.ProgressBar {
        id: bar
        objectName: "workProgressBar"
        anchors.centerIn: parent
        width: Math.min(overlay.width - 40, 360)
        from: 0
        to: 1
        value: workProgress.value
    }
    CT2.Button {
        objectName: "workCancelButton"
        anchors.top: bar.bottom
        anchors.topMargin: 10
        anchors.horizontalCenter: bar.horizontalCenter
        text: "取消"
        CT2.ToolTip.visible: hovered
        CT2.ToolTip.text: "Esc"
        onClicked: workProgress.cancel()
    }
}
