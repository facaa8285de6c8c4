// Player panel: preview of the chosen file, and the projector's network settings.
import QtQuick 2.15
import QtQuick.Controls 1.4
import QtQuick.Controls 2.15 as CT2
import QtQuick.Controls.Styles 1.4
import QtQuick.Layouts 1.15
import an.qt.DrawAreaWidget 1.0
import "controls"

Rectangle {
    id: playerPanel

    property string filePath: ""
    property bool playing: false
    readonly property bool paused: !playing

    color: "#303030"

    // Shows the file's first frame; play starts it.
    function setSource(path, play) {
        ildaPlaySet.source = path
        ildaPlaySet.frameIndex = 0
        // A file with nothing to show was named in a notice; keep the one before.
        if (ildaPlaySet.frameMaxIndex < 0 && ildaPlaySet.readProblem !== "") {
            ildaPlaySet.source = filePath
            ildaPlaySet.frameIndex = 0
            return
        }
        filePath = path
        playing = play === undefined ? true : play
        if (playing)
            playerTimer.restart()
    }

    // A still picture repaints when the colours or the centre cross change.
    Connections {
        target: FileTab
        function onPalette_table_Change() { ildaPlaySet.update() }
        function onCenter_HV_line_Change() { ildaPlaySet.update() }
    }

    // Space: pause a playing file, play a still one.
    function togglePlay() {
        playing = !playing
    }

    QtObject {
        id: ilda_switch_Type
        readonly property int ilda_OFF_E: 0
        readonly property int ilda_ON_E: 1
        readonly property int ilda_AUTO_E: 2
    }
    QtObject {
        id: server_link_Type
        readonly property int unlinked: 0
        readonly property int connecting: 1
        readonly property int connected: 2
        readonly property int failed: 3
    }
    QtObject {
        id: feature_Type
        readonly property int feature_pc_read: 0
        readonly property int feature_pc_write: 16
        readonly property int feature_pc_request: 32
        readonly property int feature_refuse_pc_request: 33
        readonly property int feature_agree_pc_request: 35
        readonly property int feature_mcu_request: 49
        readonly property int feature_refuse_mcu_request: 50
        readonly property int feature_agree_mcu_request: 52
    }

    component Caption: Text {
        color: "#dddddd"
        font.pixelSize: 12
        Layout.alignment: Qt.AlignVCenter
    }

    // Scrolls when the window is too low for the preview and every setting.
    ScrollView {
        id: playerScroll
        objectName: "playerScroll"
        anchors.fill: parent
        horizontalScrollBarPolicy: Qt.ScrollBarAlwaysOff

        Item {
            width: playerScroll.viewport.width
            height: playerColumn.implicitHeight + 16

            ColumnLayout {
                id: playerColumn
                x: 8
                y: 8
                width: parent.width - 16
                height: implicitHeight
                spacing: 5

                Rectangle {
                    Layout.fillWidth: true
                    // From the panel's width, not the column's: the column narrows
                    // when the scroll bar appears, which must not change the height.
                    Layout.preferredHeight: (playerScroll.width - 16) * 0.75
                    color: "#000000"
                    border.color: "#555555"

                    IldaFrameSetDraw {
                        id: ildaPlaySet
                        objectName: "ildaPlaySet"
                        reportProblems: true
                        anchors.fill: parent
                        anchors.margins: 1
                        openGL: ildaOpenGL_check.checked
                        netWork: net_output_check.checked
                        warning_maxPoint: root.frameset_show_max_points.value
                        size: size_Slider.value
                        showBlanking: show_blanking_on.checked
                    }
                    Text {
                        anchors.centerIn: parent
                        visible: playerPanel.filePath === ""
                        text: "双击一个文件开始播放"
                        color: "#777777"
                    }
                }

                ProgressBar {
                    id: ildaProgress
                    objectName: "ildaProgress"
                    Layout.fillWidth: true
                    implicitHeight: 8
                    // A fixed range: the bar clamps a value outside its range by
                    // assigning it, which would cut this binding when a new file
                    // shrinks frameMaxIndex.
                    minimumValue: 0
                    maximumValue: 1
                    value: ildaPlaySet.frameMaxIndex > 0 ? Math.min(1, ildaPlaySet.frameIndex / ildaPlaySet.frameMaxIndex) : 0
                }
                Label {
                    id: show_ilda_Path
                    Layout.fillWidth: true
                    text: "path:" + playerPanel.filePath
                    color: "#bbbbbb"
                    elide: Text.ElideMiddle
                }

                GridLayout {
                    Layout.fillWidth: true
                    columns: 3
                    columnSpacing: 6
                    rowSpacing: 2

                    Caption { text: "SPEED" }
                    CusSlider {
                        id: speed_Slider
                        Layout.fillWidth: true
                        from: 1
                        to: 100
                        value: 30
                    }
                    Caption { text: speed_Slider.value.toFixed(0) + " fps"; Layout.preferredWidth: 48 }

                    Caption { text: "SIZE" }
                    CusSlider {
                        id: size_Slider
                        Layout.fillWidth: true
                        from: 10
                        to: 100
                        value: 100
                    }
                    Caption { text: size_Slider.value.toFixed(0) + " %"; Layout.preferredWidth: 48 }
                }

                Flow {
                    Layout.fillWidth: true
                    spacing: 8
                    LightCheck { id: ildaOpenGL_check; text: "OpenGL" }
                    LightCheck { id: show_blanking_on; text: "blanking" }
                    LightCheck {
                        id: show_senter_HV_line
                        text: "centerLine"
                        onClicked: FileTab.set_center_HV_line(checked)
                    }
                    LightCheck { id: net_output_check; text: "网络输出" }
                }

                Rectangle { Layout.fillWidth: true; Layout.preferredHeight: 1; color: "#4a4a4a" }

                GridLayout {
                    Layout.fillWidth: true
                    columns: 4
                    columnSpacing: 6
                    rowSpacing: 4

                    Caption { text: "服务器IP:" }
                    Rectangle {
                        Layout.fillWidth: true
                        Layout.preferredHeight: 24
                        color: "#ffffff"
                        radius: 2
                        TextInput {
                            id: server_ip_address
                            anchors.fill: parent
                            anchors.leftMargin: 4
                            verticalAlignment: TextInput.AlignVCenter
                            text: net_udp.server_address
                            selectByMouse: true
                            onEditingFinished: net_udp.server_address = text
                        }
                    }
                    Caption { text: "服务器port" }
                    SpinBox {
                        id: ip_server_port
                        objectName: "ip_server_port"
                        minimumValue: 1
                        maximumValue: 65535
                        value: net_udp.server_port
                        // Arrows, wheel and typing all count, not only Enter; a value
                        // that only mirrors the model is not written back.
                        onValueChanged: if (value !== net_udp.server_port) net_udp.server_port = value
                    }

                    Caption { text: "本地IP:" }
                    Caption { id: local_ip; text: net_udp.get_local_ip(); Layout.fillWidth: true }
                    Item { Layout.preferredWidth: 1 }
                    Button {
                        id: net_tcp_link_bottom
                        // Follows the link itself: a failed attempt offers "链接" again.
                        readonly property bool linked: net_udp.server_state === server_link_Type.connecting
                                                       || net_udp.server_state === server_link_Type.connected
                        text: linked ? "断开" : "链接"
                        onClicked: {
                            if (linked)
                                net_udp.server_tcp_close()
                            else
                                net_udp.server_tcp_link()
                        }
                    }
                    Caption {
                        id: net_tcp_link_state
                        Layout.columnSpan: 4
                        Layout.fillWidth: true
                        visible: text !== ""
                        wrapMode: Text.Wrap
                        text: {
                            switch (net_udp.server_state) {
                            case server_link_Type.connecting: return "正在链接服务器…"
                            case server_link_Type.connected: return "已链接服务器"
                            case server_link_Type.failed: return "链接失败: " + net_udp.server_error
                            default: return ""
                            }
                        }
                    }

                    Caption { text: "设备IP:" }
                    ComboBox {
                        id: remote_ip_address
                        Layout.fillWidth: true
                        model: net_device_list
                        textRole: "display"
                        currentIndex: net_udp.addressIndex
                        onActivated: net_udp.addressIndex = index
                    }
                    Caption { text: "port" }
                    SpinBox {
                        id: ip_port
                        objectName: "ip_port"
                        minimumValue: 0
                        maximumValue: 65535
                        value: net_udp.client_port
                        // Writing rebinds the socket: only what the user changed. The
                        // property reads 0 while no device is selected.
                        onValueChanged: if (value !== net_udp.client_port) net_udp.client_port = value
                    }

                    Caption { text: "功能" }
                    ComboBox {
                        id: function_type
                        Layout.fillWidth: true
                        model: ["自走", "声控", "DMX512", "动画", "网络", "测试图", "外部ILDA", "自动ILDA"]
                        Component.onCompleted: currentIndex = net_udp.functionFun <= 7 ? net_udp.functionFun : -1
                        onActivated: net_udp.functionFun = index
                    }
                    Caption { text: "颜色: " }
                    ComboBox {
                        id: color_select
                        implicitWidth: 80
                        model: ["全彩", "红", "绿", "蓝", "黄", "青", "紫", "白"]
                        Component.onCompleted: currentIndex = net_udp.color <= 7 ? net_udp.color : -1
                        onActivated: net_udp.color = index
                    }
                }

                GridLayout {
                    Layout.fillWidth: true
                    columns: 3
                    columnSpacing: 6
                    rowSpacing: 2

                    Caption { text: "保持时间" }
                    CusSlider {
                        id: net_no_signal_slider
                        Layout.fillWidth: true
                        from: 0; to: 255; stepSize: 1
                        value: net_udp.net_no_signal
                        onMoved: net_udp.net_no_signal = Math.round(value)
                    }
                    Caption { text: net_no_signal_slider.value.toFixed(0); Layout.preferredWidth: 30 }

                    Caption { text: "间隔" }
                    CusSlider {
                        id: scanSpeed_p2p_slider
                        Layout.fillWidth: true
                        from: 0; to: 255; stepSize: 1
                        value: net_udp.scanSpeed_p2p
                        onMoved: net_udp.scanSpeed_p2p = Math.round(value)
                    }
                    Caption { text: scanSpeed_p2p_slider.value.toFixed(0); Layout.preferredWidth: 30 }

                    Caption { text: "帧率" }
                    CusSlider {
                        id: scan_rate_slider
                        Layout.fillWidth: true
                        from: 0; to: 255; stepSize: 1
                        value: net_udp.scan_rate
                        onMoved: net_udp.scan_rate = Math.round(value)
                    }
                    Caption { text: scan_rate_slider.value.toFixed(0); Layout.preferredWidth: 30 }
                }

                RowLayout {
                    Layout.fillWidth: true
                    spacing: 6
                    Button {
                        id: net_device_search_bottom
                        text: "搜索"
                        onClicked: net_udp.get_status()
                    }
                    Button {
                        id: net_work_feature_button
                        text: "控灯请求"
                        onClicked: net_udp.send_feature(net_udp.addressIndex, feature_Type.feature_pc_request)
                    }
                    Button {
                        id: net_work_ok_button
                        text: "参数"
                        onClicked: {
                            net_udp.send_feature(net_udp.addressIndex, feature_Type.feature_pc_write)
                            net_udp.send_headler()
                        }
                    }
                    Item { Layout.fillWidth: true }
                }
            }
        }
    }

    Timer {
        id: playerTimer
        interval: Math.max(10, 1000 / speed_Slider.value)
        repeat: true
        running: playerPanel.playing && playerPanel.filePath !== ""
        onTriggered: {
            var next = ildaPlaySet.frameIndex + 1
            ildaPlaySet.frameIndex = next > ildaPlaySet.frameMaxIndex ? 0 : next
        }
    }
}
