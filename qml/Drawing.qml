// Colour drawing page: pick a colour, draw polylines on the canvas; a channel table below.
import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Layouts 1.15
import QtQuick.Window 2.15
import an.qt.DrawAreaWidget 1.0
import an.qt.DrawPaletteSegment 1.0
import "controls"

Window {
    id: drawingRoot

    property int channelCount: 10
    property color currentColor: "#ff0000"

    width: 1000
    height: 720
    minimumWidth: 760
    minimumHeight: 520
    title: "绘制"
    color: "#2b2b2b"

    function pickColor(clr) {
        currentColor = clr
        painter1.color = clr
        current_color.swatchColor = clr
    }
    function addDevice() {
        var row = {}
        for (var c = 1; c <= channelCount; ++c)
            row["channel" + c] = 0
        libraryModel.append(row)
    }
    function addInDevice(index) {
        var row = {}
        for (var c = 1; c <= channelCount; ++c)
            row["channel" + c] = 0
        libraryModel.insert(Math.max(0, Math.min(index, libraryModel.count)), row)
    }
    function deleteDevice(index) {
        if (index >= 0 && index < libraryModel.count)
            libraryModel.remove(index)
    }
    function updateColumnTable() {
        while (dimTableView.columnCount > 0)
            dimTableView.removeColumn(0)
        for (var c = 1; c <= channelCount; ++c) {
            // created without a parent: a parented column would be added to the view twice
            dimTableView.addColumn(columnComponent.createObject(null, { role: "channel" + c, title: "CH" + c }))
        }
    }

    Component {
        id: columnComponent
        TableViewColumn { width: 64 }
    }

    ListModel {
        id: libraryModel
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 8
        spacing: 6

        RowLayout {
            spacing: 8
            Text { text: "颜色"; color: "#dddddd" }
            Repeater {
                model: ["#ff0000", "#00ff00", "#0000ff", "#808080", "#000000"]
                delegate: Palette_segment {
                    swatchColor: modelData
                    onColorPicked: drawingRoot.pickColor(clr)
                }
            }
            Text { text: "当前"; color: "#dddddd" }
            ColorPick {
                id: current_color
                swatchColor: drawingRoot.currentColor
                onColorPicked: drawingRoot.pickColor(clr)
            }
            Item { Layout.fillWidth: true }
            Text { text: "左键加点, 拖动, 双击结束一笔"; color: "#999999" }
            Button { id: addFrameButton; text: "加入帧"; onClicked: frameModel.addDrawing(painter1) }
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.fillHeight: true
            color: "#111111"
            border.color: "#555555"
            clip: true

            DrawAreaWidget {
                id: painter1
                anchors.fill: parent
            }
        }

        RowLayout {
            spacing: 6
            Button { text: "增加设备"; onClicked: drawingRoot.addDevice() }
            Button { text: "插入设备"; onClicked: drawingRoot.addInDevice(Math.max(0, dimTableView.currentRow)) }
            Button { text: "删除设备"; onClicked: drawingRoot.deleteDevice(dimTableView.currentRow) }
            Item { Layout.fillWidth: true }
        }

        TableView {
            id: dimTableView
            Layout.fillWidth: true
            Layout.preferredHeight: 150
            model: libraryModel
        }
    }

    Component.onCompleted: {
        // after the table has taken its declared columns
        Qt.callLater(updateColumnTable)
        addDevice()
        painter1.color = currentColor
    }

    // "加入帧" must wait while the editor revises or reads the list.
    WorkOverlay {}
}
