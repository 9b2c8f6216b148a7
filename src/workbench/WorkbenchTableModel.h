// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "workbench/WorkbenchTable.h"

#include <QAbstractTableModel>

class WorkbenchSession;

// One grid of the workbench for a table view: values with the table's decimals, empty
// cells blank, heat-map backgrounds and a tooltip with the cell's weight, spread and
// sample count. Rows are the engine-speed breakpoints, columns the load breakpoints.
class WorkbenchTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit WorkbenchTableModel(const WorkbenchSession& session, QObject* parent = nullptr);

    void setTable(WorkbenchTable table);
    WorkbenchTable table() const { return m_table; }
    // The session has recomputed: every cell and header may have changed.
    void refresh();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    QString toolTip(int row, int column) const;
    // The corrected value of the cell was held at the largest change allowed.
    bool isClamped(int row, int column) const;

private:
    const WorkbenchSession& m_session;
    WorkbenchTable m_table = WorkbenchTable::Mean;
};
