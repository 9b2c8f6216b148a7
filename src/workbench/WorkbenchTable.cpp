// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/WorkbenchTable.h"

WorkbenchTable WorkbenchTables::at(int index) {
    return WorkbenchTable(qBound(0, index, kCount - 1));
}

QString WorkbenchTables::caption(WorkbenchTable table) {
    switch (table) {
    case WorkbenchTable::Mean:
        return QStringLiteral("Mean AFR");
    case WorkbenchTable::Weight:
        return QStringLiteral("Weight");
    case WorkbenchTable::Correction:
        // (mean ÷ target − 1): multiply the fuel by (1 + this ÷ 100) to reach the target.
        return QStringLiteral("Change fuel by %");
    case WorkbenchTable::Target:
        return QStringLiteral("Target");
    case WorkbenchTable::Base:
        return QStringLiteral("Base");
    case WorkbenchTable::Corrected:
        return QStringLiteral("Corrected");
    case WorkbenchTable::BankDifference:
        return QStringLiteral("Bank Difference");
    }
    return {};
}

QString WorkbenchTables::key(WorkbenchTable table) {
    switch (table) {
    case WorkbenchTable::Mean:
        return QStringLiteral("mean");
    case WorkbenchTable::Weight:
        return QStringLiteral("weight");
    case WorkbenchTable::Correction:
        return QStringLiteral("correction");
    case WorkbenchTable::Target:
        return QStringLiteral("target");
    case WorkbenchTable::Base:
        return QStringLiteral("base");
    case WorkbenchTable::Corrected:
        return QStringLiteral("corrected");
    case WorkbenchTable::BankDifference:
        return QStringLiteral("bank_difference");
    }
    return {};
}
