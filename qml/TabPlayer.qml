// Main window: the play groups (tabs) with their pages, the player panel and the top bar.
import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Controls 2.15 as CT2
import QtQuick.Controls.Styles 1.4
import QtQuick.Dialogs 1.3
import QtQuick.Layouts 1.15
import QtQuick.Window 2.15
import QtGraphicalEffects 1.15
import QtQml.Models 2.15
import an.qt.DrawAreaWidget 1.0
import "controls"
import "../draganddrop"

ApplicationWindow {
    id: root

    property int init_root_width: 1440
    property real init_left_width_per: 0.27
    property bool ownUse: false
    property string c_file_name: ""
    property int rate_value: 40
    property int tab_line_width: 150
    property int top_line_height: 40
    property int leftWidth: Math.max(360, width * init_left_width_per)
    property var bak_id: null
    property alias frameset_show_max_points: frameset_show_max_points
    property alias framing: framing

    visible: true
    width: Qt.platform.os === "android" ? Screen.width : init_root_width
    height: Qt.platform.os === "android" ? Screen.height : Math.round(init_root_width * 0.6)
    minimumWidth: 1100
    minimumHeight: 640
    title: ownUse ? "Quenloilda select 测试用" : "ilda select 用户"
    color: "#2b2b2b"

    function showCurrentFile() {
        // the info starts with the path and adds checksum and size after an image export
        c_file_name = FileTab.get_current_file_info()
        console.log("current file:", FileTab.get_current_file_path())
    }
    function addTab() {
        var name = tab_name.text.trim()
        if (name.length === 0) {
            tab_name.forceActiveFocus()
            return
        }
        FileTab.add_tab(name)
        tabFrameSet.currentIndex = FileTab.rowCount() - 1
        tab_name.text = ""
    }
    function deleteTab(index) {
        if (index < 0 || index >= FileTab.rowCount())
            return
        FileTab.delete_tab(index)
        tabFrameSet.currentIndex = Math.min(index, FileTab.rowCount() - 1)
    }
    // Ctrl+S: an open play list is saved where it is, anything else asks where.
    function saveList() {
        if (!FileTab.save_current_list())
            file_tab.openFor(true)
        showCurrentFile()
    }
    // Closing ends the program: the editor's list is asked about first (a
    // list dropped there is gone, so it is not asked about twice), then the
    // groups. A save under a new name closes again once the dialog has saved.
    onClosing: {
        if (!frameWindow.confirmClose(root)) {
            close.accepted = false
            return
        }
        var answer = FileTab.ask_save_changes()
        if (answer === "name") {
            file_tab.closeAfterSave = true
            file_tab.openFor(true)
        }
        close.accepted = answer === "close"
    }
    function delete_all_tab() {
        for (var i = FileTab.rowCount() - 1; i >= 0; --i)
            FileTab.delete_tab(i)
    }

    // Files dropped from a file manager open as on the command line; below
    // everything, so the pages' own drag-and-drop keeps working.
    DropArea {
        anchors.fill: parent
        keys: ["text/uri-list"]
        onDropped: fileOpener.openUrls(drop.urls)
    }
    Connections {
        target: fileOpener
        function onIldaFilesOpened(paths) {
            player_left.setSource(paths[0])
            frameWindow.c_file_name_frame = paths[paths.length - 1]
        }
        function onGroupsOpened() {
            tabFrameSet.currentIndex = FileTab.rowCount() > 0 ? 0 : -1
            root.showCurrentFile()
        }
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: root.top_line_height
            color: "#383838"

            RowLayout {
                anchors.fill: parent
                anchors.leftMargin: 8
                anchors.rightMargin: 8
                spacing: 6

                Text { text: "警告点数"; color: "#dddddd" }
                SpinBox {
                    id: frameset_show_max_points
                    minimumValue: 1
                    maximumValue: 65535
                    value: 1800
                    implicitWidth: 80
                }
                LightCheck {
                    id: framing
                    text: "展开空帧"
                }
                Button {
                    id: set_group_dir_Buttom
                    implicitWidth: 64
                    text: "打开"
                    tooltip: "打开列表或组镜像 (Ctrl+O)"
                    onClicked: file_tab.openFor(false)
                }
                Button {
                    id: get_group_dir_Buttom
                    implicitWidth: 64
                    text: "保存"
                    tooltip: "另存为 (Ctrl+Shift+S; Ctrl+S 存回当前列表)"
                    onClicked: file_tab.openFor(true)
                }
                TextField {
                    id: tab_name
                    placeholderText: "组名"
                    implicitWidth: 110
                    onAccepted: root.addTab()
                }
                Button {
                    id: addButtom
                    implicitWidth: 64
                    text: "增加"
                    onClicked: root.addTab()
                }
                Button {
                    id: deleteButtom
                    implicitWidth: 64
                    text: "删除"
                    enabled: tabFrameSet.count > 0
                    onClicked: root.deleteTab(tabFrameSet.currentIndex)
                }
                Button {
                    implicitWidth: 64
                    text: "编辑"
                    onClicked: { frameWindow.show(); frameWindow.raise() }
                }
                Button {
                    implicitWidth: 64
                    text: "绘制"
                    onClicked: { drawingWindow.show(); drawingWindow.raise() }
                }
                Text {
                    Layout.fillWidth: true
                    text: root.c_file_name
                    color: "#aaaaaa"
                    elide: Text.ElideMiddle
                    horizontalAlignment: Text.AlignRight
                }
                Text {
                    text: "max point: " + net_udp.max_tran_point
                    color: "#aaaaaa"
                }
            }
        }

        RowLayout {
            Layout.fillWidth: true
            Layout.fillHeight: true
            spacing: 0

            PlayerSet {
                id: player_left
                objectName: "player_left"
                Layout.preferredWidth: root.leftWidth
                Layout.fillHeight: true
            }

            Rectangle {
                Layout.preferredWidth: root.tab_line_width
                Layout.fillHeight: true
                color: "#333333"

                ListView {
                    id: tabFrameSet
                    anchors.fill: parent
                    anchors.margins: 4
                    clip: true
                    spacing: 2
                    model: FileTab
                    delegate: DropFileTabDelegate {}
                    highlightMoveDuration: 0
                }
                Text {
                    anchors.centerIn: parent
                    width: parent.width - 16
                    visible: tabFrameSet.count === 0
                    text: "没有组: 在上面输入组名后点\"增加\"，或\"打开\"一个列表"
                    color: "#888888"
                    wrapMode: Text.Wrap
                    horizontalAlignment: Text.AlignHCenter
                }
            }

            // The page of the selected group. A plain item rather than a
            // stack layout, which spends time on every page for every page
            // added: thousands of groups would take minutes.
            Item {
                id: groupPages
                Layout.fillWidth: true
                Layout.fillHeight: true
                property int currentIndex: tabFrameSet.currentIndex

                // A group's page is built when the group is first shown and
                // kept after that: a show of thousands of groups opens with
                // one page, not thousands.
                Repeater {
                    model: FileTab
                    delegate: Loader {
                        readonly property bool shown: index === groupPages.currentIndex
                        anchors.fill: parent
                        visible: shown
                        active: shown
                        onShownChanged: if (shown) active = true
                        sourceComponent: FrameSet {
                            fileModel: FileTab.get_tab(index)
                        }
                    }
                }
            }
        }
    }

    FileDialog {
        id: file_tab
        property bool useForSave: false
        // Set while a close waits for a name: the main window closes once the list is saved.
        property bool closeAfterSave: false

        function openFor(save) {
            useForSave = save
            folder = FileTab.get_current_dir_url()
            title = save ? "保存一个文件,list用于SD卡,ilg用于exFlash" : "打开文件,list用于SD卡,ilg用于exFlash"
            // Only a list keeps every group for the next start.
            nameFilters = closeAfterSave ? ["list files (*.list )"]
                                         : ["list files (*.list )", "ilg files (*.ilg )", "text group files (*.txg )"]
            selectExisting = !save
            open()
            // The widget dialog takes a folder only once it exists.
            folder = FileTab.get_current_dir_url()
        }
        onRejected: closeAfterSave = false

        onAccepted: {
            console.log("useForSave: " + useForSave + ", folder: " + folder)
            if (useForSave) {
                console.log(",保存：" + fileUrl)
                FileTab.save_list(fileUrl, selectedNameFilter)
            } else {
                console.log(",打开：" + fileUrl)
                FileTab.open_list(fileUrl, selectedNameFilter)
                tabFrameSet.currentIndex = FileTab.rowCount() > 0 ? 0 : -1
            }
            root.showCurrentFile()
            if (closeAfterSave) {
                closeAfterSave = false
                if (!FileTab.is_modified())
                    root.close()
            }
        }
    }

    // Keys; Delete, Space on a group and undo live on the group page.
    Shortcut { sequence: "Ctrl+O"; onActivated: set_group_dir_Buttom.clicked() }
    Shortcut { sequence: "Ctrl+S"; onActivated: root.saveList() }
    Shortcut { sequence: "Ctrl+Shift+S"; onActivated: get_group_dir_Buttom.clicked() }
    Shortcut { sequence: "Space"; onActivated: player_left.togglePlay() }
    Shortcut { sequence: "F1"; onActivated: { keyHelpWindow.show(); keyHelpWindow.raise() } }

    KeyHelp {
        id: keyHelpWindow
        objectName: "keyHelp"
        visible: false
    }

    NoticeWindow {}

    Frame {
        id: frameWindow
        objectName: "frameWindow"
        visible: false
    }

    Drawing {
        id: drawingWindow
        objectName: "drawingWindow"
        visible: false
    }

    Component.onCompleted: {
        showCurrentFile()
        if (FileTab.rowCount() > 0) {
            tabFrameSet.currentIndex = 0
            // Show the first file of the first group in the player, still:
            // a double-click plays it.
            var group = FileTab.get_tab(0)
            if (group.rowCount() > 0)
                player_left.setSource(group.data(group.index(0, 0), 1), false)
        }
    }

    WorkOverlay {}
}
