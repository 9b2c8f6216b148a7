// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tuning/TuneTable.h"
#include "tuning/TuneXml.h"
#include "tuning/TuningGrid.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

// A TunerStudio tune (.msq): the engine computer's constants as XML. The fuel table and
// the AFR or lambda target table are read with their bins (Speeduino, rusEFI,
// MegaSquirt-2 and -3 names); the raw bytes are kept so that a corrected copy changes
// that table's numbers and nothing else, whatever the file's encoding or line ends.
class TuneFile {
public:
    // A tune is a few hundred kilobytes; anything past this is not one.
    static constexpr qsizetype kMaxBytes = 16 * 1024 * 1024;

    // A .msq, or a version-2 MLG log, whose tune is read from its information block.
    // Throws QeroFailure when the file cannot be read, TuningInputError when it is not a
    // tune this program can use.
    static TuneFile readFile(const QString& path);
    static TuneFile parse(QByteArrayView bytes, const QString& source);
    // The tune an MLG (version 2) log carries in its information block: the text from
    // "<?xml" to "</msq>".
    static TuneFile fromLogInfo(QByteArrayView infoText, const QString& source);

    const QString& source() const { return m_source; }
    const QByteArray& bytes() const { return m_bytes; }
    QString signature() const { return m_signature; }

    // The 2-D tables whose bins this reader knows, in file order.
    QStringList tableNames() const;
    // veTable (Speeduino, rusEFI) or veTable1 (MegaSquirt); empty when there is none.
    QString fuelTableName() const;
    // The target table that goes with a fuel table; empty when there is none.
    QString targetTableName(const QString& fuelTable) const;
    // A table by its constant name (a TunerStudio editor name such as "veTable1Tbl" is
    // taken too). Throws TuningInputError for an unknown table or one that does not read.
    TuneTable table(const QString& name) const;
    // The constant's name `name` stands for.
    QString resolveName(const QString& name) const;

    // A copy of the file with this table's values replaced by `values` (one row per
    // engine-speed bin, one column per load bin), each written with the table's digits.
    // Empty cells, and cells whose value does not change, keep their text.
    QByteArray withValues(const QString& name, const TuningGrid& values) const;

    // Replaces numbers in [begin, end) of `bytes` in text order, keeping every other byte.
    static QByteArray replaceNumbers(const QByteArray& bytes, qsizetype begin, qsizetype end,
                                     const std::vector<double>& values, int digits);

private:
    const TuneXml::Element* constant(const QString& name) const;
    std::pair<QString, QString> binNames(const QString& name) const;
    TuneTable::Bins readBins(const QString& name, int count, const QString& table) const;

    QString m_source;
    QByteArray m_bytes;
    QString m_signature;
    QList<TuneXml::Element> m_constants;
};
