// One ILDA file of a play group: live preview, frame slider, play parameters.
import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Controls 2.15 as CT2
import QtQuick.Controls.Styles 1.4
import an.qt.DrawAreaWidget 1.0
import "../qml/controls"

Item {
    id: delegateRoot

    property var fileModel: null
    property bool hidePreview: false
    readonly property bool current: GridView.isCurrentItem
    // The row's own values: inside the parameter controls `model` and
    // `index` name the controls' entries, not this file.
    readonly property int fileRow: index
    readonly property int storedColorType: model.colorType
    readonly property int storedRepeater: model.repeater

    z: dragArea.drag.active ? 100 : 0

    DropArea {
        anchors.fill: parent
        keys: ["beamdeck-file"]
        onDropped: {
            var from = drop.source.fileIndex
            if (from !== index)
                delegateRoot.fileModel.moveRows_view_data(from, index, 1)
        }
    }

    Rectangle {
        id: tile
        property int fileIndex: index
        width: delegateRoot.width - 6
        height: delegateRoot.height - 6
        radius: 4
        color: delegateRoot.current ? "#3b4a5c" : "#353535"
        border.color: dragArea.drag.active ? "#ffffff" : (ildaItem_check.checked ? "#2d8cf0" : "#4a4a4a")

        Drag.active: dragArea.drag.active
        Drag.source: tile
        Drag.keys: ["beamdeck-file"]
        Drag.hotSpot.x: width / 2
        Drag.hotSpot.y: 20

        Column {
            anchors.fill: parent
            anchors.margins: 5
            spacing: 3

            Row {
                width: parent.width
                spacing: 4
                CheckBox {
                    id: ildaItem_check
                    checked: model.check
                    onClicked: delegateRoot.fileModel.setCheck(index, checked)
                }
                Text {
                    width: parent.width - ildaItem_check.width - 8
                    text: model.name
                    color: "#ffffff"
                    font.bold: delegateRoot.current
                    elide: Text.ElideMiddle
                }
            }

            Rectangle {
                width: parent.width
                height: width * 0.72
                color: "#000000"

                IldaFrameSetDraw {
                    id: ildaPainterSet
                    objectName: "ildaPainterSet"
                    anchors.fill: parent
                    visible: !delegateRoot.hidePreview
                    source: model.path
                    warning_maxPoint: root.frameset_show_max_points.value
                    showBlanking: root.framing.checked
                }
                // A file that gives no frames, or is cut short: marked, with the reason on hover.
                Text {
                    objectName: "noFramesMark"
                    anchors.centerIn: parent
                    visible: model.problem !== ""
                    text: model.problem.indexOf("truncated") === 0 ? "truncated" : "无帧"
                    color: "#ff6060"
                    font.pixelSize: 12
                    CT2.ToolTip.visible: visible && dragArea.containsMouse
                    CT2.ToolTip.text: model.problem
                }

                // Drag handle and pointer area for the preview.
                MouseArea {
                    id: dragArea
                    anchors.fill: parent
                    hoverEnabled: true
                    drag.target: tile
                    onClicked: delegateRoot.GridView.view.currentIndex = index
                    onDoubleClicked: {
                        delegateRoot.GridView.view.currentIndex = index
                        player_left.setSource(model.path)
                        frameWindow.openFile(model.path)
                    }
                    onReleased: {
                        if (drag.active)
                            tile.Drag.drop()
                        tile.x = 0
                        tile.y = 0
                    }
                }
            }

            CusSlider {
                id: ildSlider
                width: parent.width
                from: 0
                to: Math.max(1, ildaPainterSet.fileFrames - 1)
                stepSize: 1
                value: ildaPainterSet.frameIndex
                onMoved: ildaPainterSet.frameIndex = Math.round(value)
            }

            // The file's own frame count from the start, not that of the
            // first-frame preview; a file without frames says so.
            Text {
                objectName: "frameLabel"
                width: parent.width
                color: "#cccccc"
                font.pixelSize: 11
                text: ildaPainterSet.fileFrames > 0
                      ? "帧 " + ildaPainterSet.frameIndex + "/" + (ildaPainterSet.fileFrames - 1)
                        + "  总 " + ildaPainterSet.frameTotal + "  格式 " + ildaPainterSet.format
                      : "无帧"
            }
            Text {
                width: parent.width
                font.pixelSize: 11
                color: ildaPainterSet.countP_max > root.frameset_show_max_points.value ? "#ffd400" : "#cccccc"
                text: "点 " + ildaPainterSet.countP + " MP: " + ildaPainterSet.countP_max
            }

            Column {
                width: parent.width
                spacing: 2
                visible: model.show

                Row {
                    spacing: 4
                    ComboBox {
                        id: color_type
                        objectName: "color_type"
                        width: 96
                        model: ["RGB", "单色", "RtoG三色", "RtoB三色"]
                        currentIndex: Math.max(0, Math.min(3, delegateRoot.storedColorType))
                        onActivated: delegateRoot.fileModel.setColorType(delegateRoot.fileRow, index)
                    }
                    Text { text: "重复次数"; color: "#cccccc"; anchors.verticalCenter: parent.verticalCenter }
                    SpinBox {
                        id: repeater_Box
                        objectName: "repeater_Box"
                        width: 56
                        minimumValue: 0
                        maximumValue: 255
                        value: delegateRoot.storedRepeater
                        // arrows, wheel and typing all land here, not only Enter
                        onValueChanged: if (delegateRoot.fileModel) delegateRoot.fileModel.setRepeater(delegateRoot.fileRow, value)
                    }
                }
                Row {
                    spacing: 4
                    Text { text: "速度"; color: "#cccccc"; anchors.verticalCenter: parent.verticalCenter }
                    CusSlider {
                        id: speed_Slider
                        width: tile.width - 90
                        from: 0
                        to: 255
                        stepSize: 1
                        value: model.playSpeed
                        onMoved: delegateRoot.fileModel.setPlaySpeed(delegateRoot.fileRow, Math.round(value))
                    }
                    Text { text: speed_Slider.value.toFixed(0); color: "#cccccc"; anchors.verticalCenter: parent.verticalCenter }
                }
            }
        }
    }

    // Steps the preview only under the pointer: a show's worth of tiles
    // playing at once keeps a core busy for nothing.
    Timer {
        id: painterTimer
        interval: 60
        repeat: true
        running: delegateRoot.visible && !delegateRoot.hidePreview && dragArea.containsMouse
        onTriggered: ildaPainterSet.frameIndex = ildaPainterSet.frameIndex + 1
    }

    // A still preview repaints when the colours or the centre cross change.
    Connections {
        target: FileTab
        function onPalette_table_Change() { ildaPainterSet.update() }
        function onCenter_HV_line_Change() { ildaPainterSet.update() }
    }
}
