// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <cstddef>
#include <cstdint>

// One fuzz input read from both ends: the bytes on the line from the front, the choices
// (which command, which button) from the back, so that each kind stays in one piece and
// seeds can be written by hand.
class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : m_data(data), m_front(0), m_back(size) {}

    size_t remaining() const { return m_back - m_front; }
    bool empty() const { return m_front == m_back; }

    // 0 once the input is used up.
    quint8 front() { return empty() ? 0 : m_data[m_front++]; }
    quint8 back() { return empty() ? 0 : m_data[--m_back]; }
    // A number from the back in [lo, hi].
    int backInRange(int lo, int hi) {
        const unsigned span = unsigned(hi - lo) + 1;
        unsigned v = back();
        if (span > 256)
            v = v * 256 + back();
        return lo + int(v % span);
    }

private:
    const uint8_t* m_data;
    size_t m_front;
    size_t m_back;
};
