// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logdata/LogBuffer.h"
#include "logdata/RecordingReader.h"

#include <QString>

#include <functional>

// A live recording binned as the module's log is: read in buffers of the module's 12000
// samples, each filled as a downloaded log would be (the gasoline scale, the status codes),
// with the recording's fuel, scaling and legend as the header. A drive of any length is
// binned whole, a buffer at a time.
namespace AFRTableRecording {

// Calls `chunk` for each buffer with the number of its entries that hold a sample (the
// rest keep the cleared values, which no table cell takes). Throws QeroFailure when the
// file cannot be read or is no recording.
RecordingReader::Result read(const QString& path,
                             const std::function<void(const LogBuffer&, int filled)>& chunk);

} // namespace AFRTableRecording
