import QtQuick 2.15

// The compressor's transfer graph: input level across, output level up, from threshold, ratio,
// OverEasy knee and make-up gain.
BlockTransferGraph {
    law: "Compressor"
    minimumDb: -80
    maximumDb: 20
}
