// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/LogFileWriter.h"

#include "support/Numbers.h"

#include <iterator>

namespace {

const QByteArray kEol = QByteArrayLiteral("\r\n");

bool fitsSingleByte(const QString& s) {
    for (QChar c : s)
        if (c.unicode() > 0xFF)
            return false;
    return true;
}

QByteArray number(float v) {
    return Numbers::logNumber(v).toLatin1();
}

// A status code stands in the sensor's column in place of its ratio.
float sensorColumn(float afr, float status) {
    return status >= 1.0f && status <= 6.0f ? status : afr;
}

} // namespace

QString LogFileWriter::trailerLabel(const QString& makerLabel) {
    return makerLabel + QStringLiteral(" QERO4D Data Downloaded");
}

LogFileWriter::LogFileWriter(const LogBuffer& log, const QString& makerLabel)
    : m_log(log), m_makerLabel(makerLabel) {
    // The comment may still change before it is written; it is checked again then.
    for (const QString* s : std::initializer_list<const QString*>{
             &log.AnalogLegend, &log.DownloadDate, &log.Comment, &log.FuelType, &m_makerLabel})
        if (!fitsSingleByte(*s))
            m_utf8 = true;
}

QByteArray LogFileWriter::text(const QString& s) const {
    return m_utf8 || !fitsSingleByte(s) ? s.toUtf8() : s.toLatin1();
}

QString LogFileWriter::fieldText(const QString& s, bool commaEnds) {
    QString out = s;
    for (QChar& c : out) {
        if (c == u'\r' || c == u'\n' || (commaEnds && c == u','))
            c = u' ';
        else if (c == u'"')
            c = u'\'';
    }
    return out;
}

QByteArray LogFileWriter::quoted(const QString& s, bool commaEnds) const {
    return '"' + text(fieldText(s, commaEnds)) + '"';
}

QByteArray LogFileWriter::header() const {
    QByteArray out;
    out += "\"Data Logging Interval\"," + number(m_log.DataLogInterval) + kEol;
    out += "\"Maximum RPM Display\"," + Numbers::logInteger(m_log.MaxRPMDisplay).toLatin1() + kEol;
    out += "\"Minimum Input Volts\"," + number(m_log.MinInVolts) + kEol;
    out += "\"Maximum Input Volts\"," + number(m_log.MaxInVolts) + kEol;
    out += "\"Minimum Scaled Value\"," + number(m_log.MinScaledValue) + kEol;
    out += "\"Maximum Scaled Value\"," + number(m_log.MaxScaledValue) + kEol;
    out += "\"Analog Legend\"," + quoted(m_log.AnalogLegend, true) + kEol;
    out += "\"Elapsed Time\",\"AFR1\",\"AFR2\",\"RPM\",\"Analog Input Volts\"" + kEol;
    return out;
}

QByteArray LogFileWriter::row(int i) const {
    QByteArray out;
    out.reserve(48);
    appendRow(out, i);
    return out;
}

void LogFileWriter::appendRow(QByteArray& out, int i) const {
    // The row is built on the stack and appended once: a log has 12000 of them.
    const float fields[] = {
        m_log.ElapsedTime[i], sensorColumn(m_log.AFR1[i], m_log.Sensor1Status[i]),
        sensorColumn(m_log.AFR2[i], m_log.Sensor2Status[i]), m_log.RPM[i], m_log.AnalogInVolts[i]};
    char row[std::size(fields) * (Numbers::kLogNumberRoom + 1) + 2];
    char* at = row;
    for (std::size_t f = 0; f < std::size(fields); ++f) {
        if (f > 0)
            *at++ = ',';
        at = Numbers::writeLogNumber(at, fields[f]);
    }
    *at++ = '\r';
    *at++ = '\n';
    out.append(row, at - row);
}

QByteArray LogFileWriter::trailerDate() const {
    return quoted(trailerLabel(m_makerLabel), true) + ',' + quoted(m_log.DownloadDate, true) + kEol;
}

QByteArray LogFileWriter::trailerRest() const {
    const QString comment = m_log.Comment.isEmpty() ? QStringLiteral(" ") : m_log.Comment;
    QByteArray out;
    out += "\"Comment\"," + quoted(comment) + kEol;
    out += "\"Fuel Type\"," + quoted(m_log.FuelType) + kEol;
    out += "\"Stoichiometric Ratio\"," + number(m_log.StoichRatio) + kEol;
    return out;
}

QByteArray LogFileWriter::whole(const LogBuffer& log, const QString& makerLabel) {
    const LogFileWriter w(log, makerLabel);
    QByteArray out = w.header();
    out.reserve(LogBuffer::kSamples * 40);
    for (int i = 0; i < LogBuffer::kSamples; ++i)
        w.appendRow(out, i);
    out += w.trailerDate();
    out += w.trailerRest();
    return out;
}
