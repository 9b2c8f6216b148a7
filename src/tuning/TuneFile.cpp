// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/TuneFile.h"

#include "logdata/MlgLogReader.h"

#include "support/QeroFailure.h"
#include "tuning/TuningInputError.h"

#include <QFile>
#include <QRegularExpression>

#include <cmath>

namespace {

// No table of any engine computer comes near this; it bounds what a bad file can ask for.
constexpr int kMaxSide = 256;

int intAttribute(const TuneXml::Element& e, const char* name, int fallback) {
    if (!e.hasAttribute(name))
        return fallback;
    bool ok = false;
    const int v = e.attribute(name).trimmed().toInt(&ok);
    return ok ? v : -1;
}

} // namespace

TuneFile TuneFile::readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw QeroFailure(QStringLiteral("Tune"), path + QStringLiteral(": ") + file.errorString());
    // A MegaLogViewer binary log of version 2 carries the tune it was logged with in its
    // information block, which lies between the field list and the data.
    if (const std::optional<MlgLogReader::Layout> l = MlgLogReader::layout(file.peek(24))) {
        if (l->version != 2)
            throw TuningInputError::at(path, 0, 0,
                                       QStringLiteral("only a version-2 MegaLogViewer log "
                                                      "carries a tune"));
        const qint64 infoAt = l->infoAt;
        const qint64 dataAt = l->dataAt;
        if (infoAt < 24 || dataAt <= infoAt || dataAt > file.size())
            throw TuningInputError::at(path, 0, 0, QStringLiteral("the log carries no tune"));
        if (dataAt - infoAt > kMaxBytes)
            throw TuningInputError::at(path, 0, 0, QStringLiteral("too large for a tune file"));
        if (!file.seek(infoAt))
            throw QeroFailure(QStringLiteral("Tune"),
                              path + QStringLiteral(": ") + file.errorString());
        QByteArray info = file.read(dataAt - infoAt);
        // The block is text ending at its NUL.
        if (const qsizetype nul = info.indexOf('\0'); nul >= 0)
            info.truncate(nul);
        return fromLogInfo(info, path);
    }
    if (file.size() > kMaxBytes)
        throw TuningInputError::at(path, 0, 0, QStringLiteral("too large for a tune file"));
    return parse(file.read(kMaxBytes + 1), path);
}

TuneFile TuneFile::parse(QByteArrayView bytes, const QString& source) {
    if (bytes.size() > kMaxBytes)
        throw TuningInputError::at(source, 0, 0, QStringLiteral("too large for a tune file"));
    TuneFile t;
    t.m_source = source;
    t.m_bytes = bytes.toByteArray();
    const QList<TuneXml::Element> all = TuneXml::elements(t.m_bytes, {"versionInfo", "constant"});
    // <msq> holds every other element, so it is looked for, not scanned as one.
    const bool isTune = t.m_bytes.contains("<msq");
    for (const TuneXml::Element& e : all) {
        if (e.tag == "versionInfo")
            t.m_signature = e.attribute("signature");
        else if (e.hasAttribute("name"))
            t.m_constants.append(e);
    }
    if (!isTune && t.m_constants.isEmpty())
        throw TuningInputError::at(source, 0, 0,
                                   QStringLiteral("not a TunerStudio tune (no <msq> element)"));
    return t;
}

TuneFile TuneFile::fromLogInfo(QByteArrayView info, const QString& source) {
    const qsizetype begin = info.indexOf("<?xml");
    const qsizetype end = begin < 0 ? -1 : info.indexOf("</msq>", begin);
    if (end < 0)
        throw TuningInputError::at(source, 0, 0, QStringLiteral("the log carries no tune"));
    // The block's length counts the line end after </msq>.
    qsizetype stop = end + 6;
    if (stop < info.size() && info[stop] == '\r')
        ++stop;
    if (stop < info.size() && info[stop] == '\n')
        ++stop;
    return parse(info.sliced(begin, stop - begin), source);
}

const TuneXml::Element* TuneFile::constant(const QString& name) const {
    for (const TuneXml::Element& e : m_constants)
        if (e.attribute("name") == name)
            return &e;
    return nullptr;
}

QString TuneFile::resolveName(const QString& asked) const {
    QString name = asked.trimmed();
    if (name.endsWith(QLatin1String("Tbl")))
        name.chop(3);
    if (constant(name))
        return name;
    // Speeduino's editor is "veTable1Tbl" over the constant "veTable".
    if (name.endsWith(u'1') && constant(name.chopped(1)))
        return name.chopped(1);
    return name;
}

std::pair<QString, QString> TuneFile::binNames(const QString& name) const {
    static const QRegularExpression numbered(QStringLiteral("^(veTable|afrTable)(\\d+)$"));
    if (name == QLatin1String("veTable")) {
        if (constant(QStringLiteral("rpmBins")))
            return {QStringLiteral("rpmBins"), QStringLiteral("fuelLoadBins")};
        return {QStringLiteral("veRpmBins"), QStringLiteral("veLoadBins")};
    }
    if (name == QLatin1String("afrTable"))
        return {QStringLiteral("rpmBinsAFR"), QStringLiteral("loadBinsAFR")};
    if (name == QLatin1String("lambdaTable"))
        return {QStringLiteral("lambdaRpmBins"), QStringLiteral("lambdaLoadBins")};
    const QRegularExpressionMatch m = numbered.match(name);
    if (m.hasMatch()) {
        const QString n = m.captured(2);
        if (m.captured(1) == QLatin1String("veTable"))
            return {QStringLiteral("frpm_table") + n, QStringLiteral("fmap_table") + n};
        return {QStringLiteral("arpm_table") + n, QStringLiteral("amap_table") + n};
    }
    // rusEFI names the bins after the table: ignitionTable -> ignitionRpmBins.
    QString stem = name;
    if (stem.endsWith(QLatin1String("Table")))
        stem.chop(5);
    return {stem + QStringLiteral("RpmBins"), stem + QStringLiteral("LoadBins")};
}

QStringList TuneFile::tableNames() const {
    QStringList names;
    for (const TuneXml::Element& e : m_constants) {
        if (intAttribute(e, "rows", 1) < 2 || intAttribute(e, "cols", 1) < 2)
            continue;
        const QString name = e.attribute("name");
        const auto [rpm, load] = binNames(name);
        if (constant(rpm) && constant(load))
            names << name;
    }
    return names;
}

QString TuneFile::fuelTableName() const {
    for (const char* name : {"veTable", "veTable1"})
        if (constant(QLatin1String(name)))
            return QLatin1String(name);
    return QString();
}

QString TuneFile::targetTableName(const QString& fuelTable) const {
    static const QRegularExpression numbered(QStringLiteral("^veTable(\\d+)$"));
    const QRegularExpressionMatch m = numbered.match(fuelTable);
    QStringList candidates;
    if (m.hasMatch())
        candidates << QStringLiteral("afrTable") + m.captured(1) << QStringLiteral("afrTable1");
    candidates << QStringLiteral("lambdaTable") << QStringLiteral("afrTable");
    for (const QString& name : candidates)
        if (constant(name))
            return name;
    return QString();
}

TuneTable::Bins TuneFile::readBins(const QString& name, int count, const QString& table) const {
    const TuneXml::Element* e = constant(name);
    if (!e)
        throw TuningInputError::at(
            m_source, 0, 0,
            QStringLiteral("the bins %1 of the table %2 are missing").arg(name, table));
    std::vector<TuneXml::Number> numbers;
    if (!TuneXml::numbers(m_bytes, e->textBegin, e->textEnd, numbers))
        throw TuningInputError::at(
            m_source, 0, 0, QStringLiteral("the bins %1 hold text that is not a number").arg(name));
    if (int(numbers.size()) != count)
        throw TuningInputError::at(
            m_source, 0, 0,
            QStringLiteral("the bins %1 hold %2 values, the table %3 needs %4")
                .arg(name)
                .arg(numbers.size())
                .arg(table)
                .arg(count));
    TuneTable::Bins bins;
    bins.name = name;
    bins.units = e->attribute("units");
    bins.digits = std::max(0, intAttribute(*e, "digits", 0));
    for (const TuneXml::Number& n : numbers)
        bins.values.push_back(n.value);
    return bins;
}

TuneTable TuneFile::table(const QString& asked) const {
    const QString name = resolveName(asked);
    const TuneXml::Element* e = constant(name);
    if (!e) {
        const QStringList known = tableNames();
        throw TuningInputError::at(
            m_source, 0, 0,
            QStringLiteral("there is no table %1%2")
                .arg(asked, known.isEmpty() ? QString()
                                            : QStringLiteral(" (tables: ") +
                                                  known.join(QStringLiteral(", ")) + u')'));
    }
    TuneTable t;
    t.name = name;
    t.units = e->attribute("units");
    t.digits = std::clamp(intAttribute(*e, "digits", 0), 0, 10);
    t.rows = intAttribute(*e, "rows", 1);
    t.columns = intAttribute(*e, "cols", 1);
    if (t.rows < 2 || t.columns < 2 || t.rows > kMaxSide || t.columns > kMaxSide)
        throw TuningInputError::at(m_source, 0, 0,
                                   QStringLiteral("%1 is not a table of 2 to %2 rows and columns")
                                       .arg(name)
                                       .arg(kMaxSide));
    std::vector<TuneXml::Number> numbers;
    if (!TuneXml::numbers(m_bytes, e->textBegin, e->textEnd, numbers))
        throw TuningInputError::at(
            m_source, 0, 0,
            QStringLiteral("the table %1 holds text that is not a number").arg(name));
    if (numbers.size() != std::size_t(t.rows) * std::size_t(t.columns))
        throw TuningInputError::at(m_source, 0, 0,
                                   QStringLiteral("the table %1 holds %2 values, not %3 × %4")
                                       .arg(name)
                                       .arg(numbers.size())
                                       .arg(t.rows)
                                       .arg(t.columns));
    for (const TuneXml::Number& n : numbers)
        t.values.push_back(n.value);
    const auto [rpm, load] = binNames(name);
    // The .ini's [columns x rows]: x bins (engine speed) along a row, y bins (load) down.
    t.rpm = readBins(rpm, t.columns, name);
    t.load = readBins(load, t.rows, name);
    return t;
}

QByteArray TuneFile::replaceNumbers(const QByteArray& bytes, qsizetype begin, qsizetype end,
                                    const std::vector<double>& values, int digits) {
    std::vector<TuneXml::Number> numbers;
    TuneXml::numbers(bytes, begin, end, numbers);
    QByteArray out;
    out.reserve(bytes.size() + qsizetype(numbers.size()) * 4);
    qsizetype copied = 0;
    for (std::size_t i = 0; i < numbers.size() && i < values.size(); ++i) {
        const TuneXml::Number& n = numbers[i];
        const double v = values[i];
        if (std::isnan(v))
            continue;
        const QByteArray text = TuneXml::formatNumber(v, digits, std::min(n.decimals, 1));
        // A value the same at the table's precision keeps the file's own spelling of it
        // (exports write binary noise such as 44.300000000000004).
        if (text == TuneXml::formatNumber(n.value, digits, std::min(n.decimals, 1)))
            continue;
        out.append(bytes.constData() + copied, n.begin - copied);
        out.append(text);
        copied = n.end;
    }
    out.append(bytes.constData() + copied, bytes.size() - copied);
    return out;
}

QByteArray TuneFile::withValues(const QString& asked, const TuningGrid& values) const {
    const TuneTable t = table(asked);
    if (values.rows() != t.columns || values.columns() != t.rows)
        throw TuningInputError::at(
            m_source, 0, 0,
            QStringLiteral("the corrected map has %1 × %2 cells, the table %3 %4 × %5")
                .arg(values.rows())
                .arg(values.columns())
                .arg(t.name)
                .arg(t.columns)
                .arg(t.rows));
    std::vector<double> inFileOrder;
    inFileOrder.reserve(t.values.size());
    for (int r = 0; r < t.rows; ++r)
        for (int c = 0; c < t.columns; ++c)
            inFileOrder.push_back(values.at(c, r));
    const TuneXml::Element* e = constant(t.name);
    return replaceNumbers(m_bytes, e->textBegin, e->textEnd, inFileOrder, t.digits);
}
