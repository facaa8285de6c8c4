// One tab (play group) in the main window's list: check mark, name, drag to reorder.
import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Controls.Styles 1.4

Item {
    id: tabRoot
    width: ListView.view ? ListView.view.width : 140
    height: 34
    z: dragArea.drag.active ? 100 : 0

    readonly property bool current: ListView.isCurrentItem

    DropArea {
        anchors.fill: parent
        keys: ["beamdeck-tab"]
        onDropped: {
            var from = drop.source.tabIndex
            if (from !== index)
                FileTab.moveRows_view_data(from, index, 1)
            tabRoot.ListView.view.currentIndex = index
        }
    }

    Rectangle {
        id: tile
        property int tabIndex: index
        width: tabRoot.width
        height: tabRoot.height
        radius: 3
        color: tabRoot.current ? "#2d6cb5" : (dragArea.containsMouse ? "#474747" : "#3c3c3c")
        border.color: dragArea.drag.active ? "#ffffff" : "transparent"

        Drag.active: dragArea.drag.active
        Drag.source: tile
        Drag.keys: ["beamdeck-tab"]
        Drag.hotSpot.x: width / 2
        Drag.hotSpot.y: height / 2

        MouseArea {
            id: dragArea
            anchors.fill: parent
            hoverEnabled: true
            drag.target: tile
            drag.axis: Drag.YAxis
            onClicked: tabRoot.ListView.view.currentIndex = index
            onReleased: {
                if (drag.active)
                    tile.Drag.drop()
                tile.x = 0
                tile.y = 0
            }
        }

        Row {
            anchors.fill: parent
            anchors.leftMargin: 4
            spacing: 4

            CheckBox {
                id: group_check
                anchors.verticalCenter: parent.verticalCenter
                checked: FileTab.get_tab(index).get_group_check()
                onClicked: FileTab.get_tab(index).set_group_check(checked)
            }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                width: tile.width - group_check.width - 12
                text: model.name
                color: "#ffffff"
                font.bold: tabRoot.current
                elide: Text.ElideRight
            }
        }
    }
}
