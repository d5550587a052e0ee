import QtQuick 2.15

// Feedback suppression: the filters the processor has placed and how it places them.
BlockScreenFrame {
    id: frame
    objectName: "afsScreen"
    title: "Feedback Suppression"
    subtitle: "AFS"
    screenName: "AFS"
    poName: "Afs"
    toggleSvName: "AFS"

    TarnGraphAFS {
        anchors.fill: parent
        anchors.topMargin: 12
        poName: "Afs"
        filterCount: 12
    }
}
