// One play group: its ILDA files with live previews and play parameters.
import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Controls 2.15 as CT2
import QtQuick.Controls.Styles 1.4
import QtQuick.Dialogs 1.3
import QtQuick.Layouts 1.15
import "controls"
import "../draganddrop"

Rectangle {
    id: frameSetPage

    property var fileModel: null
    property bool paramMode: false
    property bool hidePreview: hide_toggle.checked

    color: "#2b2b2b"

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 6
        spacing: 6

        // Wraps on a narrow window: every button stays reachable.
        Flow {
            Layout.fillWidth: true
            spacing: 6

            Button {
                id: ref_set_button
                objectName: "ref_set_button"
                implicitWidth: 58
                text: frameSetPage.paramMode ? "设置" : "参数"
                tooltip: "显示或隐藏每个文件的播放参数"
                onClicked: {
                    frameSetPage.paramMode = !frameSetPage.paramMode
                    fileModel.set_ref()
                }
            }
            Button {
                id: opening
                implicitWidth: 58
                text: "增开"
                tooltip: "往这个组里添加 ILDA 文件"
                onClicked: fileDialog.openFor(false)
            }
            Button {
                id: deleteButtom
                implicitWidth: 58
                text: "删除"
                tooltip: "删除选中的文件 (Delete, 撤销 Ctrl+Z)"
                onClicked: fileModel.askDeleteFile()
            }
            Button {
                id: selectAllButtom
                implicitWidth: 58
                text: "全选"
                onClicked: fileModel.selectAll()
            }
            Button {
                id: selectInverse_Buttom
                implicitWidth: 58
                text: "反选"
                onClicked: fileModel.inverse()
            }
            Button {
                id: order_select_Buttom
                implicitWidth: 58
                text: "刷新"
                tooltip: "选中的文件排到前面"
                onClicked: fileModel.order_select()
            }
            Button {
                id: save_group_button
                implicitWidth: 58
                text: "导出"
                tooltip: "把这个组导出为 ilg / txg 文件"
                onClicked: fileDialog.openFor(true)
            }
            LightCheck {
                id: hide_toggle
                text: "隐藏"
            }
            Row {
                spacing: 6
                Text { text: "调色板"; color: "#dddddd"; anchors.verticalCenter: parent.verticalCenter }
            // One table for the whole program: every page shows it, and a new
            // page must not reset it, so only a user's choice is written.
            ComboBox {
                id: palette_type
                objectName: "palette_type"
                model: ["默认64", "标准256"]
                    width: 90
                currentIndex: FileTab.palette_table
                onActivated: FileTab.set_palette_table(index)
            }
        }
        }

        RowLayout {
            Layout.fillWidth: true
            Layout.fillHeight: true
            spacing: 4

            DropFrameSetView {
                id: frameSetList
                Layout.fillWidth: true
                Layout.fillHeight: true
                fileModel: frameSetPage.fileModel
                hidePreview: frameSetPage.hidePreview
                scrollPosition: 1.0 - moveFrameSetSlider.value
            }

            CT2.Slider {
                id: moveFrameSetSlider
                Layout.fillHeight: true
                orientation: Qt.Vertical
                from: 0
                to: 1
                value: 1
                visible: frameSetList.contentOverflow
            }
        }
    }

    // Keys of the shown group only: hidden pages stay out of the way.
    Shortcut { sequence: "Delete"; enabled: frameSetPage.visible; onActivated: deleteButtom.clicked() }
    Shortcut { sequence: "Ctrl+Z"; enabled: frameSetPage.visible; onActivated: fileModel.undo() }
    Shortcut { sequences: ["Ctrl+Shift+Z", "Ctrl+Y"]; enabled: frameSetPage.visible; onActivated: fileModel.redo() }

    Text {
        anchors.centerIn: parent
        visible: fileModel !== null && frameSetList.count === 0
        text: "这个组还没有文件: 点\"增开\"添加 ILDA 文件"
        color: "#888888"
    }

    FileDialog {
        id: fileDialog
        property bool forSave: false

        function openFor(save) {
            forSave = save
            folder = fileModel.get_current_dir()
            title = save ? "创建一个 ILDA or ilda group 文件" : "选择一个 ILDA 格式的文件"
            nameFilters = save ? ["ILDA group files (*.ilg )", "text group files (*.txg )", "ILDA files (*.ild )"]
                               : ["ILDA files (*.ild )"]
            selectMultiple = !save
            selectExisting = !save
            open()
            // The widget dialog takes a folder only once it exists.
            folder = fileModel.get_current_dir()
        }

        onAccepted: {
            if (forSave) {
                if (!fileModel) {
                    console.log("save Group File failure fileModel is:", fileModel)
                    return
                }
                fileModel.saveData(fileUrl, selectedNameFilter)
                return
            }
            fileModel.add(fileUrls)
        }
    }
}
