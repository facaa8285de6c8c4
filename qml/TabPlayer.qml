import QtQuick 2.12
import QtQuick.Controls 2.12 as CT2
import QtQuick.Window 2.12

CT2.ApplicationWindow {
    id: root
    visible: true
    width: 1280
    height: 800
    title: "ilda select 用户"
}
