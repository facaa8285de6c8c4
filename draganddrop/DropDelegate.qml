// One frame tile of the editor: check mark, header data, thumbnail, scale and centring.
import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Controls 2.15 as CT2
import an.qt.DrawAreaWidget 1.0
import "../qml/controls"

Item {
    id: tileRoot

    property int rowIndex: index
    property int tileSize: 150
    property int warningPoints: 1800
    property int typeNormal: 0

    z: dragArea.drag.active ? 100 : 0

    DropArea {
        anchors.fill: parent
        keys: ["beamdeck-frame"]
        onDropped: {
            var from = drop.source.frameRow
            if (from !== tileRoot.rowIndex)
                frameModel.moveRows_view_data(from, tileRoot.rowIndex, 1)
        }
    }

    Rectangle {
        id: tile
        property int frameRow: tileRoot.rowIndex
        width: tileRoot.width - 8
        height: tileRoot.height - 8
        radius: 3
        color: drawingCheck.checked ? "#2f4256" : "#353535"
        border.color: dragArea.drag.active ? "#ffffff" : "#4a4a4a"

        Drag.active: dragArea.drag.active
        Drag.source: tile
        Drag.keys: ["beamdeck-frame"]
        Drag.hotSpot.x: width / 2
        Drag.hotSpot.y: height / 2

        Column {
            anchors.fill: parent
            anchors.margins: 3
            spacing: 2

            Row {
                spacing: 3
                CheckBox {
                    id: drawingCheck
                    checked: model.h_check
                    onClicked: model.h_check = checked
                }
                Text {
                    text: model.h_index + "/" + model.h_total + " f" + model.h_format
                    color: "#ffffff"
                    font.pixelSize: 11
                }
                Text {
                    text: model.h_count
                    color: model.h_count > tileRoot.warningPoints ? "#ffd400" : "#ffffff"
                    font.pixelSize: 11
                }
                // Projector lint: red for errors, yellow for warnings; the findings in the tooltip.
                Rectangle {
                    objectName: "lintMarker"
                    visible: model.h_lintLevel > 0
                    width: 14
                    height: 14
                    radius: 7
                    color: model.h_lintLevel > 1 ? "#e04040" : "#d0a000"
                    Text {
                        anchors.centerIn: parent
                        text: "!"
                        color: "#ffffff"
                        font.pixelSize: 11
                        font.bold: true
                    }
                    MouseArea {
                        id: lintHover
                        anchors.fill: parent
                        hoverEnabled: true
                    }
                    CT2.ToolTip.visible: lintHover.containsMouse
                    CT2.ToolTip.text: model.h_lint
                }
            }

            Row {
                spacing: 2
                Rectangle {
                    width: tileRoot.tileSize - 22
                    height: tileRoot.tileSize - 22
                    color: "#000000"
                    IldaFrameDraw {
                        id: ildaPainter
                        anchors.fill: parent
                        type: tileRoot.typeNormal
                        index: tileRoot.rowIndex
                        warningPoint: tileRoot.warningPoints
                    }
                    MouseArea {
                        id: dragArea
                        anchors.fill: parent
                        acceptedButtons: Qt.LeftButton | Qt.RightButton
                        drag.target: tile
                        onClicked: {
                            if (mouse.button === Qt.RightButton)
                                model.h_check = !model.h_check
                        }
                        onDoubleClicked: {
                            frameModel.select_start_frame = tileRoot.rowIndex
                            ildaFramePlayer.index = tileRoot.rowIndex
                        }
                        onReleased: {
                            if (drag.active)
                                tile.Drag.drop()
                            tile.x = 0
                            tile.y = 0
                        }
                    }
                }
                CusSlider_vertical {
                    id: scaleSizeSlider_y
                    height: tileRoot.tileSize - 22
                    width: 18
                    from: 10
                    to: 200
                    value: model.h_scaleSize_y
                    onMoved: { model.h_scaleSize_y = value; ildaPainter.update() }
                }
            }
            CusSlider {
                id: scaleSizeSlider_x
                width: tileRoot.tileSize - 22
                height: 18
                from: 10
                to: 200
                value: model.h_scaleSize_x
                onMoved: { model.h_scaleSize_x = value; ildaPainter.update() }
            }
            // Controls 2 buttons: the older ones print a binding error each time a
            // list reset destroys the tile.
            Row {
                spacing: 2
                CT2.Button {
                    id: button_center_x
                    text: "X"
                    width: 30
                    height: 24
                    padding: 2
                    onClicked: { model.h_center = 1; ildaPainter.update() }
                }
                CT2.Button {
                    id: button_center_y
                    text: "Y"
                    width: 30
                    height: 24
                    padding: 2
                    onClicked: { model.h_center = 2; ildaPainter.update() }
                }
                CT2.Button {
                    id: button_center_xy
                    text: "XY"
                    width: 34
                    height: 24
                    padding: 2
                    onClicked: { model.h_center = 3; ildaPainter.update() }
                }
            }
        }
    }
}
