// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/WorkbenchTableModel.h"

#include "support/Numbers.h"
#include "workbench/HeatMapScale.h"
#include "workbench/WorkbenchSession.h"

#include <QColor>
#include <QFont>

#include <cmath>

namespace {

QString number(double value, int decimals) {
    if (std::isnan(value))
        return QString();
    double rounded = Numbers::roundHalfEven(value, decimals);
    if (rounded == 0.0)
        rounded = 0.0;
    return QString::number(rounded, 'f', decimals);
}

double cell(const TuningGrid& grid, int row, int column) {
    return grid.isValid() && row < grid.rows() && column < grid.columns() ? grid.at(row, column)
                                                                          : TuningGrid::kEmpty;
}

} // namespace

WorkbenchTableModel::WorkbenchTableModel(const WorkbenchSession& session, QObject* parent)
    : QAbstractTableModel(parent), m_session(session) {}

void WorkbenchTableModel::setTable(WorkbenchTable table) {
    m_table = table;
    refresh();
}

void WorkbenchTableModel::refresh() {
    beginResetModel();
    endResetModel();
}

int WorkbenchTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_session.result().rpmAxis.size());
}

int WorkbenchTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_session.result().loadAxis.size());
}

QVariant WorkbenchTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const int r = index.row();
    const int c = index.column();
    const TuningResult& result = m_session.result();
    switch (role) {
    case Qt::DisplayRole:
        return number(cell(m_session.grid(m_table), r, c), m_session.decimals(m_table));
    case Qt::TextAlignmentRole:
        return int(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::ToolTipRole:
        return toolTip(r, c);
    case Qt::BackgroundRole: {
        double deviation = cell(result.correction, r, c);
        if (m_table == WorkbenchTable::BankDifference)
            deviation = cell(result.bankDifference, r, c) / cell(result.target, r, c) * 100.0;
        // Empty cells stay blank, whatever the weight around them.
        if (std::isnan(cell(m_session.grid(m_table), r, c)))
            return {};
        const auto colour =
            HeatMapScale::colour(m_table, deviation, cell(result.weight, r, c), result.minWeight);
        if (!colour)
            return {};
        return QColor(colour->red, colour->green, colour->blue);
    }
    case Qt::FontRole: {
        // A corrected value held at the largest change allowed is bold and underlined in
        // the tables that show the change, so the tuner sees where a second pass is due.
        if ((m_table != WorkbenchTable::Corrected && m_table != WorkbenchTable::Correction) ||
            !isClamped(r, c))
            return {};
        QFont font;
        font.setBold(true);
        font.setUnderline(true);
        return font;
    }
    case Qt::ForegroundRole:
        return std::isnan(cell(m_session.grid(m_table), r, c)) ? QVariant()
                                                               : QVariant(QColor(Qt::black));
    default:
        return {};
    }
}

QVariant WorkbenchTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    const TuningResult& result = m_session.result();
    const auto& axis = orientation == Qt::Vertical ? result.rpmAxis : result.loadAxis;
    if (section < 0 || section >= int(axis.size()))
        return {};
    return QString::number(axis[std::size_t(section)], 'g', 10);
}

bool WorkbenchTableModel::isClamped(int row, int column) const {
    const TuningGrid& clamped = m_session.result().clamped;
    return clamped.isValid() && row < clamped.rows() && column < clamped.columns() &&
           clamped.at(row, column) == 1.0;
}

QString WorkbenchTableModel::toolTip(int row, int column) const {
    const TuningResult& result = m_session.result();
    if (row >= int(result.rpmAxis.size()) || column >= int(result.loadAxis.size()))
        return {};
    const int ratio = m_session.decimals(WorkbenchTable::Mean);
    QStringList lines;
    lines << QStringLiteral("%1 rpm, load %2")
                 .arg(QString::number(result.rpmAxis[std::size_t(row)], 'g', 10),
                      QString::number(result.loadAxis[std::size_t(column)], 'g', 10));
    const double weight = cell(result.weight, row, column);
    if (std::isnan(weight)) {
        lines << QStringLiteral("No samples");
    } else {
        lines << QStringLiteral("Weight %1 (%2 needed), %3 samples")
                     .arg(number(weight, 1), number(result.minWeight, 1))
                     .arg(m_session.sampleCount(row, column));
        lines << QStringLiteral("Mean %1, spread %2, target %3")
                     .arg(number(cell(result.mean, row, column), ratio),
                          number(cell(result.spread, row, column), ratio),
                          number(cell(result.target, row, column), ratio));
        const double correction = cell(result.correction, row, column);
        lines << (std::isnan(correction) ? QStringLiteral("Too little weight for a correction")
                                         : QStringLiteral("Change fuel by %1 % (mean ÷ target − 1)")
                                               .arg(number(correction, 1)));
        if (isClamped(row, column)) {
            const double full = cell(result.base, row, column) * cell(result.mean, row, column) /
                                cell(result.target, row, column);
            lines << QStringLiteral("Clamped: held at the %1 % limit; the full change gives %2")
                         .arg(number(m_session.settings().maxChangePercent, 1),
                              number(full, m_session.decimals(WorkbenchTable::Base) + 1));
        }
    }
    return lines.join(u'\n');
}
