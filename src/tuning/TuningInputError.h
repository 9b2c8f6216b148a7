// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <stdexcept>

// Input the tuning workbench cannot use (an axis out of order, a grid of the wrong size,
// a cell that is not a number, a missing CSV column ...). The message names the problem
// and where it is, so the user can fix the file without guessing.
class TuningInputError : public std::runtime_error {
public:
    explicit TuningInputError(QString message);

    const QString& message() const { return m_message; }

    // "FILE: row R, column C: WHAT"; parts that are unknown (empty file, row 0, column 0)
    // are left out.
    static TuningInputError at(const QString& file, qint64 row, qint64 column, const QString& what);

private:
    QString m_message;
};
