// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/TuningResultCsv.h"

#include <QStringList>

#include <charconv>
#include <cmath>

QString TuningResultCsv::number(double v, const char* empty) {
    if (std::isnan(v))
        return QString::fromLatin1(empty);
    if (v == 0.0)
        v = 0.0;
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return QString::fromLatin1(buf, r.ptr - buf);
}

QString TuningResultCsv::text(const TuningResult& r) {
    QString out = QStringLiteral(
        "rpm,load,weight,mean,spread,target,correction,base,corrected,bank_difference,clamped\n");
    const auto at = [](const TuningGrid& g, int row, int column) {
        return number(g.isValid() ? g.at(row, column) : TuningGrid::kEmpty, "");
    };
    for (int row = 0; row < int(r.rpmAxis.size()); ++row)
        for (int c = 0; c < int(r.loadAxis.size()); ++c) {
            const QStringList cells = {
                number(r.rpmAxis[row], ""),   number(r.loadAxis[c], ""), at(r.weight, row, c),
                at(r.mean, row, c),           at(r.spread, row, c),      at(r.target, row, c),
                at(r.correction, row, c),     at(r.base, row, c),        at(r.corrected, row, c),
                at(r.bankDifference, row, c), at(r.clamped, row, c)};
            out += cells.join(u',') + u'\n';
        }
    return out;
}
