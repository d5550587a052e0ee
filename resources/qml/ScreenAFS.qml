import QtQuick 2.15

// Feedback suppression: the filters the processor has placed and how it places them.
Item {
    id: screen
    objectName: "afsScreen"
    anchors.fill: parent

    GraphScreenFrame {
        title: "Feedback Suppression"
        subtitle: "AFS"
        screenName: "AFS"
        switchPoName: "Afs"
        switchSvName: "AFS"

        TarnGraphAFS {
            anchors.fill: parent
            poName: "Afs"
            filterCount: 12
        }
    }
}
