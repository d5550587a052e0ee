import QtQuick 2.15

// The limiter's transfer graph: nothing passes above the threshold (with the OverEasy knee), the
// overshoot allowance marked above it.
BlockTransferGraph {
    law: "Limiter"
    minimumDb: -50
    maximumDb: 30
}
