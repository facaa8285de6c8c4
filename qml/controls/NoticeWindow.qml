// The program's notices in one window that blocks nothing: every file that
// could not be read or was cut short, and why, however many came at once.
// It comes up with the first notice and takes later ones in; closing it
// clears the list.
import QtQuick 2.15
import QtQuick.Controls 2.15 as CT2
import QtQuick.Window 2.15

Window {
    id: noticeWindow
    objectName: "noticeWindow"
    width: 560
    height: 320
    minimumWidth: 320
    minimumHeight: 160
    modality: Qt.NonModal
    title: noticeBoard.title
    color: "#2b2b2b"

    function follow() {
        if (noticeBoard.count > 0 && !visible)
            show()
        else if (noticeBoard.count === 0 && visible)
            hide()
    }
    Connections {
        target: noticeBoard
        function onLinesChanged() { noticeWindow.follow() }
    }
    Component.onCompleted: follow()
    onClosing: noticeBoard.dismiss()

    CT2.ScrollView {
        anchors.fill: parent
        anchors.margins: 10
        anchors.bottomMargin: closeButton.height + 20
        clip: true

        Column {
            width: noticeWindow.width - 20
            spacing: 8
            Repeater {
                model: noticeBoard.lines
                // Selectable, so that a path can be copied.
                delegate: TextEdit {
                    objectName: "noticeLine"
                    width: parent.width
                    text: modelData
                    readOnly: true
                    selectByMouse: true
                    wrapMode: TextEdit.Wrap
                    color: "#dddddd"
                    font.pixelSize: 13
                }
            }
        }
    }
    CT2.Button {
        id: closeButton
        objectName: "noticeClose"
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.margins: 10
        text: "关闭"
        onClicked: noticeBoard.dismiss()
    }
}
