// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <cmath>

// A recording of `rows` polling cycles 0.07 s apart: sensor 1 heats ("Sensor Cold") for
// the first `coldRows`, marks at the rows in `marks`.
namespace RecordingFixture {

inline QByteArray text(int rows, int coldRows = 0, std::initializer_list<int> marks = {}) {
    QByteArray out = "# QERO4D Log recording; model=QERO4D; firmware=Rev 3; fuel=E85; stoich=9.77; "
                     "analog=TPS; legend=Throttle; volts=0..5; scaled=0..100; "
                     "started=2026-12-11T10:00:00\n"
                     "Time_s,AFR1,Lambda1,Status1,AFR2,Lambda2,Status2,RPM,Analog_V,Analog_Scaled,"
                     "Battery_V,CellRes1_Ohm,CellRes2_Ohm,Ethanol_pct,Mark\n";
    for (int i = 0; i < rows; ++i) {
        const double t = i * 0.07;
        const double lambda = 0.85 + 0.1 * std::sin(t);
        const int status = i < coldRows ? 6 : 0;
        const bool mark = std::find(marks.begin(), marks.end(), i) != marks.end();
        out += QString::asprintf("%.3f,%.3f,%.4f,%d,%.3f,%.4f,0,%d,2.5,50,13.8,80,80,,%d\n", t,
                                 lambda * 9.77, lambda, status, lambda * 9.77, lambda, 2000 + i,
                                 mark ? 1 : 0)
                   .toLatin1();
    }
    return out;
}

} // namespace RecordingFixture
