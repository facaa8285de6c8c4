// Grid of the ILDA files of one play group; files are dragged onto each other to reorder.
import QtQuick 2.15
import QtQml.Models 2.15

Item {
    id: viewRoot

    property var fileModel: null
    property bool hidePreview: false
    property real scrollPosition: 0
    readonly property int count: ildaList.count
    readonly property bool contentOverflow: ildaList.contentHeight > ildaList.height

    DelegateModel {
        id: visualModel
        model: viewRoot.fileModel
        delegate: DropFrameSetDelegate {
            fileModel: viewRoot.fileModel
            hidePreview: viewRoot.hidePreview
            width: ildaList.cellWidth
            height: ildaList.cellHeight
        }
    }

    GridView {
        id: ildaList
        anchors.fill: parent
        clip: true
        cellWidth: 236
        cellHeight: 300
        model: visualModel
        currentIndex: -1
        contentY: viewRoot.contentOverflow ? viewRoot.scrollPosition * (contentHeight - height) + originY : originY
    }
}
