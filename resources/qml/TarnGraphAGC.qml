import QtQuick 2.15

// The automatic gain control's transfer graph: quiet programme raised toward the target window (by
// at most the largest gain), loud programme brought down to it, nothing below the low threshold,
// and the limit on top.
BlockTransferGraph {
    law: "AGC"
    minimumDb: -80
    maximumDb: 0
}
