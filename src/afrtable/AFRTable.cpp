// SPDX-License-Identifier: GPL-3.0-or-later
#include "afrtable/AFRTable.h"

#include "logdata/AnalogScaling.h"
#include "logdata/AppState.h"
#include "support/Numbers.h"
#include "support/Units.h"

#include <cmath>

namespace {

// Every ratio in the buffer is measured on the gasoline scale.
constexpr double kGasolineRatio = Units::kGasolineStoich;

// Ratios outside this band are sensor faults (10.0), free air (20.0) or the cleared
// slots of a short log; they never reach a cell.
constexpr float kLowestAFR = 10.5f;
constexpr float kHighestAFR = 19.5f;
// Below this the engine is cranking or stopped.
constexpr float kLowestRPM = 900.0f;

} // namespace

AFRTable::AFRTable() {
    fillHeadings();
}

int AFRTable::tpsColumn(float x) {
    if (x < 1.0f)
        return 0;
    if (x <= 3.5f)
        return 1;
    if (x <= 7.5f)
        return 2;
    if (x <= 15.0f)
        return 3;
    if (x <= 30.0f)
        return 4;
    if (x <= 50.0f)
        return 5;
    if (x <= 70.0f)
        return 6;
    if (x <= 90.0f)
        return 7;
    if (x > 90.0f)
        return 8;
    return 0; // not a number: treated as a closed throttle
}

int AFRTable::rpmRow(float rpm) {
    // Row k (1..28) starts at 500k + 250; row 0 takes everything below 750 and row 29
    // everything from 14750 on.
    if (!(rpm >= 750.0f))
        return 0;
    if (rpm >= 14750.0f)
        return kRpmRows - 1;
    return int(std::floor((double(rpm) - 250.0) / 500.0));
}

QString AFRTable::tpsHeading(int column) {
    static const char* const headings[kTpsColumns] = {"0%",  "2%",  "5%",  "10%", "20%",
                                                      "40%", "60%", "80%", "100%"};
    return QLatin1String(headings[column]);
}

QString AFRTable::rpmHeading(int row) {
    return Numbers::format(500.0 * (row + 1), "0");
}

void AFRTable::fillHeadings() {
    m_grid.text[0][0] = QStringLiteral("RPM/TPS");
    m_grid.colour[0][0] = AFRTableGrid::Colour::Window;
    for (int c = 0; c < kTpsColumns; ++c) {
        m_grid.text[0][c + 1] = tpsHeading(c);
        m_grid.colour[0][c + 1] = AFRTableGrid::Colour::Window;
    }
    for (int r = 0; r < kRpmRows; ++r) {
        m_grid.text[r + 1][0] = rpmHeading(r);
        m_grid.colour[r + 1][0] = AFRTableGrid::Colour::Window;
    }
}

AFRTableGrid AFRTable::WriteAFRTable(const QString& display, bool reset, const AppState& state,
                                     bool filterUnstable) {
    return WriteAFRTable(display, reset, state.log, state, filterUnstable);
}

AFRTableGrid AFRTable::WriteAFRTable(const QString& display, bool reset, const LogBuffer& log,
                                     const AppState& state, bool filterUnstable) {
    fillHeadings();
    m_cellIndex.fill(0);

    // Throttle position from the analog input, by the program's one scaling rule.
    const AnalogScaling scaling(log);
    for (int i = 0; i < LogBuffer::kSamples; ++i) {
        float x = scaling.scale(log.AnalogInVolts[i]);
        if (!(x >= 0.0f))
            x = 0.0f;
        else if (x > 100.0f)
            x = 100.0f;
        m_tpsPercent[i] = x;
    }

    if (reset) {
        m_sum.fill(0.0f);
        m_count.fill(0);
        m_average.fill(0.0f);
    }

    const LogBuffer::Samples& afr =
        state.settings.AFRTableData == QLatin1String("Sensor 1") ? log.AFR1 : log.AFR2;
    for (int i = 0; i < LogBuffer::kSamples; ++i) {
        const int cell = tpsColumn(m_tpsPercent[i]) + kTpsColumns * rpmRow(log.RPM[i]);
        m_cellIndex[i] = quint16(cell);
        const float a = afr[i];
        // Written as "not inside" so that a value that is not a number is dropped too.
        if (!(log.RPM[i] > kLowestRPM) || !(a >= kLowestAFR) || !(a < kHighestAFR))
            continue;
        // Filtering keeps only samples whose predecessor lay in the same cell: the engine
        // has stayed there for at least one logging interval.
        if (filterUnstable && (i == 0 || m_cellIndex[i - 1] != m_cellIndex[i]))
            continue;
        m_sum[cell] += a;
        m_count[cell] += 1;
    }

    for (int cell = 0; cell < kCells; ++cell) {
        if (m_count[cell] >= state.settings.MinSampleNum && m_count[cell] > 0)
            m_average[cell] = float(double(m_sum[cell]) / double(m_count[cell]));
    }

    const bool showAFR = display == QLatin1String("AFR");
    const float ratio = log.StoichRatio;
    const double target = state.settings.AFRTarget;
    for (int r = 1; r <= kRpmRows; ++r) {
        for (int c = 1; c <= kTpsColumns; ++c) {
            const float x = m_average[(c - 1) + kTpsColumns * (r - 1)];
            QString text;
            AFRTableGrid::Colour colour = AFRTableGrid::Colour::Window;
            if (x >= kLowestAFR && x <= kHighestAFR) {
                // The buffer holds gasoline-scale ratios; show them in the fuel's units.
                const double f = double(x * ratio) / kGasolineRatio;
                if (showAFR) {
                    text = Numbers::format(f, state.settings.AFRFormat);
                } else {
                    // Positive: the mixture is lean and needs that much more fuel.
                    const double p = Numbers::roundHalfEven((1.0 - target / f) * 100.0);
                    if (std::isfinite(p)) // a ratio of 0 read from a damaged file
                        text = Numbers::format(p, QStringLiteral("##"));
                }
                const double d = Numbers::roundHalfEven(f - target, 1);
                if (d < -0.5)
                    colour = AFRTableGrid::Colour::LightCyan;
                else if (d > 0.5)
                    colour = AFRTableGrid::Colour::LightRed;
            }
            m_grid.text[r][c] = text;
            m_grid.colour[r][c] = colour;
        }
    }
    return m_grid;
}
