// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/TableExportFile.h"

#include "support/QeroFailure.h"
#include "tuning/TuneFile.h"
#include "tuning/TuneXml.h"
#include "tuning/TuningInputError.h"

#include <QFile>

#include <cmath>

namespace {

constexpr int kMaxSide = 256;

// The fewest decimals (up to 6) that give back every value.
int decimalsOf(const std::vector<double>& values) {
    for (int d = 0; d < 6; ++d) {
        const double scale = std::pow(10.0, d);
        bool all = true;
        for (double v : values)
            if (std::fabs(std::round(v * scale) - v * scale) > 1e-6) {
                all = false;
                break;
            }
        if (all)
            return d;
    }
    return 6;
}

std::vector<double> read(const QByteArray& bytes, const TuneXml::Element& e, const QString& source,
                         std::size_t count) {
    std::vector<TuneXml::Number> numbers;
    if (!TuneXml::numbers(bytes, e.textBegin, e.textEnd, numbers))
        throw TuningInputError::at(source, 0, 0,
                                   QStringLiteral("the %1 holds text that is not a number")
                                       .arg(QString::fromLatin1(e.tag)));
    if (numbers.size() != count)
        throw TuningInputError::at(source, 0, 0,
                                   QStringLiteral("the %1 holds %2 values, not %3")
                                       .arg(QString::fromLatin1(e.tag))
                                       .arg(numbers.size())
                                       .arg(count));
    std::vector<double> values;
    for (const TuneXml::Number& n : numbers)
        values.push_back(n.value);
    return values;
}

} // namespace

TableExportFile TableExportFile::readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw QeroFailure(QStringLiteral("Tune"), path + QStringLiteral(": ") + file.errorString());
    if (file.size() > kMaxBytes)
        throw TuningInputError::at(path, 0, 0, QStringLiteral("too large for a table export"));
    return parse(file.read(kMaxBytes + 1), path);
}

TableExportFile TableExportFile::parse(QByteArrayView bytes, const QString& source) {
    if (bytes.size() > kMaxBytes)
        throw TuningInputError::at(source, 0, 0, QStringLiteral("too large for a table export"));
    TableExportFile f;
    f.m_source = source;
    f.m_bytes = bytes.toByteArray();
    const TuneXml::Element* x = nullptr;
    const TuneXml::Element* y = nullptr;
    const TuneXml::Element* z = nullptr;
    const QList<TuneXml::Element> all = TuneXml::elements(f.m_bytes, {"xAxis", "yAxis", "zValues"});
    for (const TuneXml::Element& e : all) {
        const TuneXml::Element** slot = e.tag == "xAxis" ? &x : e.tag == "yAxis" ? &y : &z;
        if (!*slot)
            *slot = &e;
    }
    if (!x || !y || !z)
        throw TuningInputError::at(
            source, 0, 0,
            QStringLiteral("not a TunerStudio table export (no xAxis, yAxis and zValues)"));
    bool ok1 = false;
    bool ok2 = false;
    TuneTable& t = f.m_table;
    t.rows = z->attribute("rows").toInt(&ok1);
    t.columns = z->attribute("cols").toInt(&ok2);
    if (!ok1 || !ok2 || t.rows < 2 || t.columns < 2 || t.rows > kMaxSide || t.columns > kMaxSide)
        throw TuningInputError::at(
            source, 0, 0,
            QStringLiteral("the zValues are not 2 to %1 rows and columns").arg(kMaxSide));
    t.values = read(f.m_bytes, *z, source, std::size_t(t.rows) * std::size_t(t.columns));
    t.rpm.values = read(f.m_bytes, *x, source, std::size_t(t.columns));
    t.load.values = read(f.m_bytes, *y, source, std::size_t(t.rows));
    t.rpm.name = x->attribute("name");
    t.load.name = y->attribute("name");
    t.digits = decimalsOf(t.values);
    t.rpm.digits = decimalsOf(t.rpm.values);
    t.load.digits = decimalsOf(t.load.values);
    f.m_zBegin = z->textBegin;
    f.m_zEnd = z->textEnd;
    return f;
}

QByteArray TableExportFile::withValues(const TuningGrid& values) const {
    const TuneTable& t = m_table;
    if (values.rows() != t.columns || values.columns() != t.rows)
        throw TuningInputError::at(m_source, 0, 0,
                                   QStringLiteral("the corrected map has %1 × %2 cells, the "
                                                  "table %3 × %4")
                                       .arg(values.rows())
                                       .arg(values.columns())
                                       .arg(t.columns)
                                       .arg(t.rows));
    std::vector<double> inFileOrder;
    for (int r = 0; r < t.rows; ++r)
        for (int c = 0; c < t.columns; ++c)
            inFileOrder.push_back(values.at(c, r));
    return TuneFile::replaceNumbers(m_bytes, m_zBegin, m_zEnd, inFileOrder, t.digits);
}

QByteArray TableExportFile::write(const TuneTable& t, const TuningGrid& values) {
    const QByteArray nl = "\r\n";
    const auto escaped = [](const QString& s) {
        QString e = s;
        e.replace(u'&', QLatin1String("&amp;"))
            .replace(u'"', QLatin1String("&quot;"))
            .replace(u'<', QLatin1String("&lt;"));
        return e.toUtf8();
    };
    QByteArray out;
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>" + nl;
    out += "<tableData xmlns=\"http://www.EFIAnalytics.com/:table\">" + nl;
    out += "<versionInfo fileFormat=\"1.0\"/>" + nl;
    out += "<table cols=\"" + QByteArray::number(t.columns) + "\" rows=\"" +
           QByteArray::number(t.rows) + "\">" + nl;
    out += "<xAxis cols=\"" + QByteArray::number(t.columns) + "\" name=\"" +
           escaped(t.rpm.name.isEmpty() ? QStringLiteral("rpm") : t.rpm.name) + "\">" + nl;
    for (double v : t.rpm.values)
        out += "         " + TuneXml::formatNumber(v, t.rpm.digits, 0) + ' ' + nl;
    out += "      </xAxis>" + nl;
    out += "<yAxis name=\"" +
           escaped(t.load.name.isEmpty() ? QStringLiteral("fuelload") : t.load.name) +
           "\" rows=\"" + QByteArray::number(t.rows) + "\">" + nl;
    for (double v : t.load.values)
        out += "         " + TuneXml::formatNumber(v, t.load.digits, 1) + ' ' + nl;
    out += "      </yAxis>" + nl;
    out += "<zValues cols=\"" + QByteArray::number(t.columns) + "\" rows=\"" +
           QByteArray::number(t.rows) + "\">" + nl;
    for (int r = 0; r < t.rows; ++r) {
        out += "         ";
        for (int c = 0; c < t.columns; ++c) {
            const double v = c < values.rows() && r < values.columns() && !values.isEmpty(c, r)
                                 ? values.at(c, r)
                                 : t.at(r, c);
            out += TuneXml::formatNumber(v, t.digits, 1) + ' ';
        }
        out += nl;
    }
    out += "      </zValues>" + nl + "</table>" + nl + "</tableData>" + nl;
    return out;
}
