// The look of the sweep's result charts, shared by the sweep window and segsim-cli plot: each
// run's result as a circle, the per-value averages as squares with their values, the polynomial
// fit as a wide line and the linear trend as a thin one, drawn in that order.
#pragma once

#include <QString>

namespace segsim {

class ChartView;
class LineSeries;

enum class ResultLook { Points, Average, Fit, Trend };

// No legend, room beside the first and last value and round the outermost results for their
// markers and marks, and whole-number steps along the values (the bottom axis).
void SetResultChartLook(ChartView* chart);

// A graph of the look on the chart's left axis, named for the chart's data table.
LineSeries* AddResultGraph(ChartView* chart, ResultLook look, const QString& name = {});

}  // namespace segsim
