import QtQuick 2.15

// The processor at work: a ring of dots turning in the accent colour.
Item {
    id: busy
    property bool running: true
    implicitWidth: 56
    implicitHeight: 56
    visible: running

    Repeater {
        model: 8
        delegate: Rectangle {
            width: busy.width * 0.17
            height: width
            radius: width / 2
            color: Theme.accent
            opacity: 0.2 + 0.8 * index / 7
            x: busy.width / 2 + Math.cos(index * Math.PI / 4) * busy.width * 0.38 - width / 2
            y: busy.height / 2 + Math.sin(index * Math.PI / 4) * busy.height * 0.38 - height / 2
        }
    }
    RotationAnimator on rotation {
        from: 0
        to: 360
        duration: 1200
        loops: Animation.Infinite
        running: busy.running && busy.visible
    }
}
