#pragma once

#include "curvesamples.h"

#include <QColor>
#include <QPolygonF>
#include <QVariant>
#include <QVector>

class QPainter;

namespace tarn::graphs {

// Colours, alphas and pen widths of the graphs.
namespace style {
inline constexpr int kFillAlpha = 127;
inline constexpr qreal kBandPenWidth = 1.0;
inline constexpr qreal kSumPenWidth = 2.0;
inline constexpr int kRoomFillAlpha = 147;
inline constexpr qreal kRoomPenWidth = 2.0;
inline constexpr qreal kTargetPenWidth = 3.0;
inline constexpr qreal kCorrectedPenWidth = 3.0;
QColor sumColour();
QColor roomFill();
QColor roomPen();
QColor targetPen();
QColor correctedPen();
// Stand-in for a band whose colour the screen did not give.
QColor missingColour();
} // namespace style

// Reads the band colours QML gives (a list of colour names or colours).
QVector<QColor> coloursFromVariant(const QVariant &value);
QColor colourAt(const QVector<QColor> &colours, int index);

// The points of a curve: (x, base - y).
QPolygonF curvePoints(const CurveMap &curve, qreal base);
// Curves carry a point per pixel column, most of them on straight runs. Points of a polyline
// whose x increases that lie within `tolerance` pixels (vertically) of the line through the
// points kept are left out: the picture is the same to the eye and the rasteriser gets a
// fraction of the edges. First and last points are always kept.
inline constexpr qreal kSimplifyTolerance = 0.05;
QPolygonF simplifyIncreasing(const QPolygonF &in, qreal tolerance);

// The outline of a curve: from (0, edge) through (x, base - y) for every point, to (last x, edge).
QPolygonF curveOutline(const CurveMap &curve, qreal base, qreal edge);

// Parametric graph: translucent filled band curves and the white sum on top of the list.
void paintPeqCurves(QPainter &painter, const CurveList &curves, const QVector<QColor> &colours, qreal itemHeight);
void paintRoomCurve(QPainter &painter, const QPolygonF &outline);
void paintTargetCurve(QPainter &painter, const QPolygonF &line);
void paintCorrectedCurve(QPainter &painter, const QPolygonF &line);
// Crossover graph: every band filled up from the bottom edge; the last of several curves takes
// the third colour.
void paintCrossoverCurves(QPainter &painter, const CurveList &curves, const QVector<QColor> &colours,
                          qreal itemHeight);
// Feedback graph: every filter hanging from the top edge; the trailing entry is not drawn.
void paintAfsCurves(QPainter &painter, const CurveList &curves, const QVector<QColor> &colours, qreal itemHeight);
// Graphic EQ bars, one per band gain.
void paintGeqBars(QPainter &painter, const QVector<float> &gains, qreal itemWidth, qreal itemHeight);

} // namespace tarn::graphs
