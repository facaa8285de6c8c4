// Frame editor: the frames of one or more files, selection, revise and saving.
import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Controls 1.4 as CT1
import QtQuick.Controls 2.15 as CT2
import QtQuick.Controls.Styles 1.4
import QtQuick.Dialogs 1.3
import QtQuick.Layouts 1.15
import QtQuick.Window 2.15
import an.qt.DrawAreaWidget 1.0
import "controls"
import "../draganddrop"

Window {
    id: frameRoot

    property int init_size: 150
    property int c_height: 720
    property int c_width: 1180
    property int top_height: 34
    property bool noMouseArea: false
    property color c_color: "#555555"
    readonly property int type_normal: 0
    readonly property int type_revise: 1
    readonly property int type_scale: 2
    readonly property int type_Palette: 3
    property string c_file_name_frame: ""
    property bool select_flag: false
    property bool select_circle_play: true
    property int play_index: 0
    property bool prev_run: false

    property int frameCount: 0
    property int point_count: 0

    width: Qt.platform.os === "android" ? Screen.width : c_width
    height: Qt.platform.os === "android" ? Screen.height : c_height
    minimumWidth: 980
    minimumHeight: 600
    title: "帧编辑 " + c_file_name_frame
    color: "#2b2b2b"

    function refreshCounts() {
        frameCount = frameModel.rowCount()
        point_count = frameModel.get_count_max(show_max_points.value)
    }
    function loadFile(path) {
        if (frameModel.setIldFileName(path))
            c_file_name_frame = path
        refreshCounts()
        // show the first selected frame in the selection player
        play_index = Math.max(0, frameModel.select_start_frame)
        ildaFramePlayer.index = play_index
    }
    function openFile(path) {
        loadFile(path)
        show()
        raise()
    }
    // While a close waits for the save dialog: the window to close once saved.
    property var closeAfterSave: null
    // Whether the editor may go now: an edited working list is saved or
    // dropped first, or the close waits for a name in the save dialog.
    function confirmClose(window) {
        var answer = frameModel.ask_save_changes()
        if (answer === "name") {
            closeAfterSave = window
            frameModel.selectAll() // the save keeps the checked frames: here all of them
            segfileDialog.openFor(true)
        }
        return answer === "close"
    }
    onClosing: close.accepted = confirmClose(frameRoot)

    // First checked row and the run of checked rows that follows it.
    function selectedBlock() {
        var start = -1, count = 0
        for (var i = 0; i < frameCount; ++i) {
            var checked = frameModel.data(frameModel.index(i, 0), 1)
            if (checked && start < 0)
                start = i
            if (start >= 0) {
                if (!checked)
                    break
                ++count
            }
        }
        return { start: start, count: count }
    }

    Connections {
        target: frameModel
        function onModelReset() { frameRoot.refreshCounts() }
        function onLayoutChanged() { frameRoot.refreshCounts() }
        function onRowsRemoved() { frameRoot.refreshCounts() }
        function onRowsInserted() { frameRoot.refreshCounts() }
    }

    IldaFile {
        id: ildaFileIO
    }

    // Keys: each does what its button does.
    Shortcut { sequence: "Ctrl+O"; onActivated: openButtom.clicked() }
    Shortcut { sequences: ["Ctrl+S", "Ctrl+Shift+S"]; enabled: saveButtom.enabled; onActivated: saveButtom.clicked() }
    Shortcut { sequence: "Delete"; onActivated: deleteButtom.clicked() }
    Shortcut { sequence: "Space"; onActivated: selectPlayButton.clicked() }
    Shortcut { sequence: "Ctrl+A"; onActivated: selectALLButtom.clicked() }
    Shortcut { sequence: "Ctrl+Z"; onActivated: frameModel.undo() }
    Shortcut { sequences: ["Ctrl+Shift+Z", "Ctrl+Y"]; onActivated: frameModel.redo() }
    Shortcut { sequence: "F1"; onActivated: { keyHelpWindow.show(); keyHelpWindow.raise() } }

    component Caption: Text {
        color: "#dddddd"
        font.pixelSize: 12
        Layout.alignment: Qt.AlignVCenter
    }
    // One line's height for every group of tools, so labels line up with their controls.
    component ToolGroup: RowLayout {
        spacing: 6
        height: frameRoot.top_height
    }

    // Files dropped from a file manager join the working list.
    DropArea {
        anchors.fill: parent
        keys: ["text/uri-list"]
        onDropped: fileOpener.openUrls(drop.urls)
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 6
        spacing: 4

        // The tools wrap onto more lines on a narrow window; each group keeps
        // its label beside its control.
        Flow {
            id: toolBar
            Layout.fillWidth: true
            spacing: 8

            ToolGroup {
            Button {
                id: openButtom
                text: "打开"
                tooltip: "打开 (Ctrl+O)"
                onClicked: segfileDialog.openFor(false)
            }
            Button {
                id: saveButtom
                text: "保存"
                enabled: frameRoot.frameCount > 0
                tooltip: "保存 (Ctrl+S, Ctrl+Shift+S)"
                onClicked: segfileDialog.openFor(true)
            }
            ComboBox {
                id: savefile_type
                implicitWidth: 96
                model: ["正常", "加点优化", "缩放中心", "调色表"]
            }
            }
            ToolGroup {
            Button {
                id: deleteButtom
                text: "删除"
                tooltip: "删除选中的帧 (Delete, 撤销 Ctrl+Z)"
                onClicked: frameModel.askDeleteFrame()
            }
            Button {
                id: selectALLButtom
                text: "全选"
                tooltip: "全选 (Ctrl+A)"
                onClicked: frameModel.selectAll()
            }
            Button {
                id: inverseBottom
                text: "反选"
                onClicked: frameModel.inverse()
            }
            Button {
                id: frushBottom
                text: "刷新"
                onClicked: frameModel.refrushModel()
            }
            Button {
                text: "绘制"
                onClicked: { drawingWindow.show(); drawingWindow.raise() }
            }
            }
            // Making frames: SVG files, a line of text, optimising the checked frames.
            ToolGroup {
            Button { id: importButtom; text: "导入"; onClicked: svgDialog.open() }
            TextField { id: textInput; implicitWidth: 110; placeholderText: "激光秀 Laser" }
            CheckBox { id: strokeTextCheck; text: "单线" }
            Button {
                id: textButtom
                text: "文字"
                enabled: textInput.text.length > 0
                onClicked: frameModel.addText(textInput.text, "", strokeTextCheck.checked)
            }
            Button { id: optimizeButtom; text: "优化"; onClicked: frameModel.optimizeFrames() }
            }
            ToolGroup {
            Caption { text: "警告点数" }
            SpinBox {
                id: show_max_points
                minimumValue: 1
                maximumValue: 65535
                value: 1800
                implicitWidth: 76
                onValueChanged: frameRoot.refreshCounts()
            }
                Caption {
                    id: show_points_item
                    text: "points > " + show_max_points.value + ": " + frameRoot.point_count + " / " + frameRoot.frameCount
                }
            }
            ToolGroup {
            Button {
                id: move_frame_item
                text: "move"
                tooltip: "把选中的连续帧移到右边的位置"
                onClicked: {
                    var block = frameRoot.selectedBlock()
                    if (block.start >= 0)
                        frameModel.moveRows(block.start, moveFrameBox.value, block.count)
                }
            }
            CT2.SpinBox {
                id: moveFrameBox
                from: 0
                to: Math.max(0, frameRoot.frameCount - 1)
                editable: true
                implicitWidth: 110
                implicitHeight: 26
            }
            }
            ToolGroup {
            Caption { text: "大小" }
            CusSlider {
                id: sizeSlider
                implicitWidth: 110
                from: 100
                to: 300
                value: frameRoot.init_size
            }
            }
            ToolGroup {
            Caption { text: "blanking" }
            SpinBox { id: blankValue; minimumValue: 0; maximumValue: 100; value: 2; implicitWidth: 52 }
            Caption { text: "between" }
            SpinBox { id: betweenValue; minimumValue: 1; maximumValue: 1000; value: 1; implicitWidth: 58 }
            Caption { text: "highLight" }
            SpinBox { id: highLightValue; minimumValue: 0; maximumValue: 100; value: 0; implicitWidth: 52 }
            Caption { text: "pointNum" }
            SpinBox { id: pointNumValue; minimumValue: 1; maximumValue: 65535; value: 600; implicitWidth: 70 }
            Button {
                id: openReviseButtom
                text: "revise"
                onClicked: frameModel.reviseFrameSet(betweenValue.value, highLightValue.value,
                                                     blankValue.value, pointNumValue.value)
            }
            }
        }

        CT1.SplitView {
            id: fView
            Layout.fillWidth: true
            Layout.fillHeight: true
            orientation: Qt.Horizontal

            DropFrameView {
                id: segList
                Layout.fillWidth: true
                Layout.minimumWidth: 300
                cellSize: sizeSlider.value
                warningPoints: show_max_points.value
                typeNormal: frameRoot.type_normal
            }

            Rectangle {
                id: selectPlayerPanel
                width: 300
                Layout.minimumWidth: 260
                color: "#333333"

                // Scrolls when the window is too low for the whole player.
                ScrollView {
                    id: selectPlayerScroll
                    objectName: "selectPlayerScroll"
                    anchors.fill: parent
                    horizontalScrollBarPolicy: Qt.ScrollBarAlwaysOff

                    Item {
                        width: selectPlayerScroll.viewport.width
                        height: selectPlayerColumn.implicitHeight + 12

                        ColumnLayout {
                            id: selectPlayerColumn
                            x: 6
                            y: 6
                            width: parent.width - 12
                            height: implicitHeight
                    spacing: 4

                    Rectangle {
                        Layout.fillWidth: true
                                // From the panel's width: the scroll bar must not change the height.
                                Layout.preferredHeight: Math.min(selectPlayerScroll.width - 12, 230)
                        color: "#000000"
                        IldaFrameDraw {
                            id: ildaFramePlayer
                            anchors.fill: parent
                            type: frameRoot.type_normal
                            warningPoint: show_max_points.value
                        }
                    }
                    ProgressBar {
                        id: selectIldaProgress
                        Layout.fillWidth: true
                        implicitHeight: 8
                        // A fixed range, as in the player: a clamped value
                        // would cut the binding.
                        minimumValue: 0
                        maximumValue: 1
                        value: {
                            var span = frameModel.select_end_frame - frameModel.select_start_frame
                            return span > 0 ? Math.max(0, Math.min(1, (frameRoot.play_index - frameModel.select_start_frame) / span)) : 0
                        }
                    }
                    RowLayout {
                        Layout.fillWidth: true
                        Caption { text: "SPEED" }
                        CusSlider {
                            id: between_speed_Slider
                            Layout.fillWidth: true
                            from: 1
                            to: 60
                            value: 20
                        }
                    }
                    RowLayout {
                        Layout.fillWidth: true
                        Caption { text: "步长" }
                        SpinBox {
                            id: strideBox
                            minimumValue: 1
                            maximumValue: 1000
                            value: frameModel.between
                            onEditingFinished: frameModel.between = value
                        }
                        Button {
                            id: selectButtom
                            text: "选择"
                            onClicked: {
                                frameModel.between = strideBox.value
                                frameModel.select()
                            }
                        }
                    }
                            Flow {
                        Layout.fillWidth: true
                                spacing: 6
                        Button {
                            id: select_circle_play_buttom
                            text: frameRoot.select_circle_play ? "循环" : "单次"
                            onClicked: frameRoot.select_circle_play = !frameRoot.select_circle_play
                        }
                        Button {
                            id: selectPlayButton
                            text: selectPlayerTimer.running ? "暂停" : "播放"
                            tooltip: "播放 / 暂停选中的帧 (Space)"
                            onClicked: {
                                if (!selectPlayerTimer.running && frameRoot.play_index >= frameModel.select_end_frame)
                                    frameRoot.play_index = frameModel.select_start_frame
                                selectPlayerTimer.running = !selectPlayerTimer.running
                            }
                        }
                        Button {
                            id: play_enable_buttom
                            text: ildaFramePlayer.play ? "停止输出" : "输出"
                            onClicked: ildaFramePlayer.play = !ildaFramePlayer.play
                        }
                    }
                    GridLayout {
                        Layout.fillWidth: true
                        columns: 3
                        Caption { text: "开始" }
                        CusSlider {
                            id: startSlider
                            Layout.fillWidth: true
                            from: 0
                            to: Math.max(1, frameRoot.frameCount - 1)
                            stepSize: 1
                            value: frameModel.select_start_frame
                            onMoved: frameModel.select_start_frame = Math.round(value)
                        }
                        Caption { text: frameModel.select_start_frame; Layout.preferredWidth: 36 }
                        Caption { text: "结束" }
                        CusSlider {
                            id: endSlider
                            Layout.fillWidth: true
                            from: 0
                            to: Math.max(1, frameRoot.frameCount - 1)
                            stepSize: 1
                            value: frameModel.select_end_frame
                            onMoved: {
                                var v = Math.round(value)
                                var max = frameRoot.frameCount - 1
                                if (v > max) {
                                    console.log("[!] max Index is: " + max)
                                    v = max
                                }
                                frameModel.select_end_frame = v
                            }
                        }
                        Caption { text: frameModel.select_end_frame; Layout.preferredWidth: 36 }
                    }
                    Caption { text: "选中 " + frameModel.selectNum + " 帧" }
                        }
                    }
                }
            }
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: 170
            color: "#262626"

            Caption {
                anchors.centerIn: parent
                // Also once the list changed after a revise: its result was dropped.
                visible: segAmendList.count === 0 || frameRoot.frameCount === 0 || !frameModel.revisedCurrent
                text: "revise 之后在这里显示加点优化后的帧"
                color: "#777777"
            }

            GridView {
                id: segAmendList
                anchors.fill: parent
                anchors.margins: 4
                clip: true
                flow: GridView.FlowTopToBottom
                cellWidth: 130
                cellHeight: 160
                model: frameModel
                delegate: Rectangle {
                    id: amendTile
                    property int rowIndex: index
                    width: 124
                    height: 156
                    color: "#353535"
                    radius: 3
                    visible: model.h_reviseCount >= 0

                    Column {
                        anchors.fill: parent
                        anchors.margins: 3
                        Row {
                            spacing: 2
                            CheckBox {
                                id: amendCheck
                                checked: model.h_check
                                onClicked: model.h_check = checked
                            }
                            Text {
                                text: model.h_reviseCount + " / " + model.h_highPoint
                                color: "#dddddd"
                                font.pixelSize: 11
                            }
                        }
                        Rectangle {
                            width: 118
                            height: 118
                            color: "#000000"
                            IldaFrameDraw {
                                id: ildaAmendPainter
                                anchors.fill: parent
                                type: frameRoot.type_revise
                                index: amendTile.rowIndex
                                warningPoint: show_max_points.value
                            }
                            Rectangle {
                                id: badge
                                width: 10
                                height: 10
                                anchors.right: parent.right
                                anchors.top: parent.top
                                anchors.margins: 3
                                color: "#2d8cf0"
                                visible: amendHover.containsMouse
                                NumberAnimation on rotation {
                                    running: amendHover.containsMouse
                                    loops: Animation.Infinite
                                    from: 0
                                    to: 360
                                    duration: 1200
                                    easing.type: Easing.OutBack
                                }
                            }
                            MouseArea {
                                id: amendHover
                                anchors.fill: parent
                                hoverEnabled: true
                            }
                        }
                    }
                }
            }
        }
    }

    Timer {
        id: selectPlayerTimer
        interval: Math.max(15, 1000 / between_speed_Slider.value)
        repeat: true
        onTriggered: {
            var next = frameRoot.play_index + 1
            if (next > frameModel.select_end_frame || next >= frameRoot.frameCount) {
                if (!frameRoot.select_circle_play) {
                    running = false
                    return
                }
                next = frameModel.select_start_frame
            }
            frameRoot.play_index = next
            ildaFramePlayer.index = next
        }
    }

    FileDialog {
        id: svgDialog
        title: "选择 SVG 文件"
        nameFilters: ["svg files (*.svg )"]
        selectMultiple: true
        onAccepted: frameModel.importSvg(fileUrls)
    }

    FileDialog {
        id: segfileDialog
        property bool forSave: false
        property bool placed: false

        function openFor(save) {
            forSave = save
            if (save) {
                title = savefile_type.currentIndex === frameRoot.type_Palette
                        ? "创建一个" + "TTL,基于palette_64" + " MCU-c语言格式文件"
                        : "创建一个 MCU-c语言格式文件"
                nameFilters = ["ilda files (*.ild )", "MCU files (*.c )", "files (*.*)"]
            } else {
                title = "选择一个 ILDA 格式的文件"
                nameFilters = ["ilda files (*.ild )", "MCU files (*.c )"]
            }
            selectExisting = !save
            open()
            // First in the show's folder; afterwards where the user went last.
            // Set once shown: the widget dialog takes a folder only once it exists.
            if (!placed) {
                folder = FileTab.get_current_dir_url()
                placed = true
            }
        }

        onRejected: frameRoot.closeAfterSave = null
        onAccepted: {
            var path = fileOpener.localPath(fileUrl)
            if (forSave) {
                console.log(",保存：" + fileUrl)
                var saved = ildaFileIO.saveData(fileUrl, selectedNameFilter, savefile_type.currentIndex)
                var waiting = frameRoot.closeAfterSave
                frameRoot.closeAfterSave = null
                if (waiting && saved && !frameModel.isModified())
                    waiting.close()
                return
            }
            console.log(",打开：" + fileUrl)
            // A table is imported by the file element; an ILDA file is appended
            // by the model. The title names the file only when it was read.
            var read = path.slice(-2) === ".c" ? ildaFileIO.loadData(fileUrl) : frameModel.setIldFileName(path)
            if (read)
                frameRoot.c_file_name_frame = path
            frameRoot.refreshCounts()
        }
    }

    WorkOverlay {}
}
