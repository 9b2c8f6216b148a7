// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The look of the chart, read from the chart template file: colours, line widths and
// styles, fonts, grid, legend and background. The file is plain text (see README):
//
//   QERO4D Log chart template 1
//   [trace1]
//   color = #c62828
//   width = 1.5
//
// Sections and keys that this program does not know are skipped, so that a newer template still
// opens; a line that cannot be read or a value out of range makes the whole file unreadable.
class ChartTemplate {
public:
    static constexpr const char* kFileName = "QERO4D_Log_Chart.oc2";
    static constexpr const char* kSignature = "QERO4D Log chart template 1";

    enum class LineStyle { Solid, Dash, Dot, DashDot };
    struct Line {
        quint32 color = 0xff000000; // ARGB
        double width = 1.0;
        LineStyle style = LineStyle::Solid;
    };
    struct Font {
        QString family = QStringLiteral("DejaVu Sans");
        double points = 9.0;
        bool bold = false;
        bool italic = false;
    };

    quint32 background = 0xffffffff;
    quint32 plotBackground = 0xffffffff;
    Font tickFont;
    Font titleFont{QStringLiteral("DejaVu Sans"), 10.0, true, false};
    Font legendFont;
    bool legendVisible = true;
    quint32 legendBackground = 0xe6ffffff;
    Line axes{0xff404040, 1.0, LineStyle::Solid};
    bool gridVisible = true;
    Line grid{0xffc8c8c8, 1.0, LineStyle::Dot};
    bool subGridVisible = false;
    Line subGrid{0xffe6e6e6, 1.0, LineStyle::Dot};
    Line trace1{0xffc62828, 1.0, LineStyle::Solid};
    Line trace2{0xff1565c0, 1.0, LineStyle::Solid};
    Line marker{0xff2e7d32, 1.5, LineStyle::Dash};
    Line trace3{0xff6a1b9a, 1.0, LineStyle::Solid};
    Line target{0xffef6c00, 1.0, LineStyle::Dash};

    // The template in a file; nothing when it is missing or cannot be read, with the
    // reason in `error` when given.
    static std::optional<ChartTemplate> load(const QString& path, QString* error = nullptr);
    static std::optional<ChartTemplate> parse(const QByteArray& text, QString* error = nullptr);
};
