import QtQuick 2.15

// Feedback suppression: the filters the processor has placed and how it places them.
BlockScreenFrame {
    id: frame
    objectName: "afsScreen"
    title: "Feedback Suppression"
    subtitle: quarra.active ? quarra.place() : "AFS"
    screenName: "AFS"
    poName: quarra.active ? quarra.poName : "Afs"
    toggleSvName: "AFS"

    QuarraBlock { id: quarra }

    TarnGraphAFS {
        anchors.fill: parent
        anchors.topMargin: 12
        poName: frame.poName
        filterCount: quarra.number("NumFilters", 12)
    }
}
