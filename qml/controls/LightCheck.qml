// Check box with a light label, for the dark panels.
import QtQuick 2.15
import QtQuick.Controls 2.15 as CT2

CT2.CheckBox {
    palette.windowText: "#dddddd"
    padding: 2
    font.pixelSize: 13
}
