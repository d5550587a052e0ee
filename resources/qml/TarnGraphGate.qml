import QtQuick 2.15

// The noise gate's transfer graph: below the threshold the level falls by the expansion ratio,
// down to the largest attenuation.
BlockTransferGraph {
    law: "Gate"
    minimumDb: -100
    maximumDb: 0
}
