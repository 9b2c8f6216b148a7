// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The chart library's header is written with Qt's keyword macros, which this project
// switches off to keep its own code free of them; they are lent to it here only.
#define signals Q_SIGNALS
#define slots Q_SLOTS
#define emit Q_EMIT
#define foreach Q_FOREACH
#include <qcustomplot.h>
#undef signals
#undef slots
#undef emit
#undef foreach
