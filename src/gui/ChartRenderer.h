#pragma once
// Draws a chart description with Qt Charts, in the workbench's standard formatting. The
// chart window and quantorial-cli share it, so both draw the same picture.

#include <QColor>
#include <QString>

class QChart;

namespace quantorial {

struct ChartDescription;

// A new QChart for the description (the caller owns it).
QChart* BuildQChart(const ChartDescription& chart);
// The colour of series i in the standard formatting.
QColor SeriesColor(int i);
// Renders a chart to a picture file: .png, .svg or .pdf by the name's ending. False with a
// reason when the file cannot be written.
bool SaveChartPicture(const ChartDescription& chart, const QString& path, int width, int height, QString& error);

}  // namespace quantorial
