// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "realtime/GaugeSetup.h"

#include <QWidget>

// A vertical bar instrument: title, digital readout, a labelled scale with coloured
// bands and a bar that rises to the value. A second value channel is drawn as a marker
// beside the bar. Everything is sized from the widget's own size, so the gauge grows
// and shrinks with the window.
class BarGauge : public QWidget {
    Q_OBJECT
public:
    explicit BarGauge(const QString& title, QWidget* parent = nullptr);

    void setTitle(const QString& title);
    QString title() const { return m_title; }

    void setScale(const GaugeSetup::BarScale& scale);
    const GaugeSetup::BarScale& scale() const { return m_scale; }

    // The value is shown clamped to the range; the readout shows it as it is.
    void setValue(double value);
    double value() const { return m_value; }
    void setValue2(double value);
    double value2() const { return m_value2; }

    // -1: every band in its own colour; otherwise only that band is lit.
    void setHighlightedBand(int band);
    int highlightedBand() const { return m_highlight; }

    // Number pattern of the readout ("#0.0", "##0", ...).
    void setReadoutPattern(const QString& pattern);
    QString readoutText() const;

    // The scale labels as drawn, from bottom to top.
    QStringList scaleLabels() const;

    QSize sizeHint() const override { return {72, 260}; }
    QSize minimumSizeHint() const override { return {40, 120}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<double> labelValues() const;

    QString m_title;
    GaugeSetup::BarScale m_scale;
    double m_value = 0;
    double m_value2 = 0;
    bool m_hasValue2 = false;
    int m_highlight = -1;
    QString m_pattern = QStringLiteral("#0.0");
};
