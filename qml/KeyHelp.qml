// The keys of the main window and the frame editor (F1).
import QtQuick 2.15
import QtQuick.Window 2.15

Window {
    width: 380
    height: keyList.height + 24
    title: "快捷键"
    color: "#2b2b2b"

    Column {
        id: keyList
        x: 12
        y: 12
        spacing: 4
        Repeater {
            model: [
                ["Ctrl+O", "打开"],
                ["Ctrl+S", "保存 (主窗口: 存回当前列表)"],
                ["Ctrl+Shift+S", "另存为"],
                ["Delete", "删除选中的帧或文件 (先确认)"],
                ["Space", "播放 / 暂停"],
                ["Ctrl+A", "选中全部帧"],
                ["Ctrl+Z", "撤销"],
                ["Ctrl+Shift+Z", "重做"],
                ["Ctrl+Y", "重做"],
                ["Esc", "取消正在进行的工作"],
                ["F1", "这个帮助"]
            ]
            delegate: Row {
                Text { width: 120; text: modelData[0]; color: "#ffd400"; font.pixelSize: 13 }
                Text { text: modelData[1]; color: "#dddddd"; font.pixelSize: 13 }
            }
        }
    }
}
