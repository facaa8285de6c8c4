// Grid of the frames being edited; frames are dragged onto each other to reorder.
import QtQuick 2.15

Rectangle {
    id: viewRoot

    property int cellSize: 150
    property int warningPoints: 1800
    property int typeNormal: 0

    color: "#262626"

    GridView {
        id: segGridView
        objectName: "segGridView"
        // As many tiles as fit across; the spare width is shared between them.
        readonly property int columns: Math.max(1, Math.floor(width / (viewRoot.cellSize + 10)))
        anchors.fill: parent
        anchors.margins: 4
        clip: true
        cellWidth: Math.floor(width / columns)
        cellHeight: viewRoot.cellSize + 74
        model: frameModel
        delegate: DropDelegate {
            width: viewRoot.cellSize + 10
            height: segGridView.cellHeight
            tileSize: viewRoot.cellSize
            warningPoints: viewRoot.warningPoints
            typeNormal: viewRoot.typeNormal
        }
    }

    Text {
        anchors.centerIn: parent
        visible: segGridView.count === 0
        text: "点\"打开\"读入一个 ILDA 文件，或在组页面双击一个文件"
        color: "#777777"
    }
}
