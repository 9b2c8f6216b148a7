// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

// A round tachometer: a needle over a 270-degree scale in thousands of RPM, a caution
// and a red zone, the titles "RPM" and "x 1000", and a digital readout. Sized from the
// widget, always round.
class TachometerDial : public QWidget {
    Q_OBJECT
public:
    // The display mode that shows the digital readout under the needle.
    static constexpr int kNeedleAndReadout = 3;

    explicit TachometerDial(QWidget* parent = nullptr);

    // Full scale in thousands; the red zone starts at `redFrom`, the caution zone at
    // `cautionFrom`.
    void setScale(int fullScale, double redFrom, double cautionFrom);
    int fullScale() const { return m_fullScale; }
    double redFrom() const { return m_redFrom; }
    double cautionFrom() const { return m_cautionFrom; }

    // Needle position in thousands of RPM, clamped to the dial when drawn.
    void setNeedle(double thousands);
    double needle() const { return m_needle; }
    void setDisplayMode(int mode);
    int displayMode() const { return m_mode; }
    void setReadout(const QString& text);
    QString readout() const { return m_readout; }

    QSize sizeHint() const override { return {260, 260}; }
    QSize minimumSizeHint() const override { return {120, 120}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int w) const override { return w; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_fullScale = 10;
    double m_redFrom = 7.5;
    double m_cautionFrom = 7.0;
    double m_needle = 0;
    int m_mode = kNeedleAndReadout;
    QString m_readout = QStringLiteral("0");
};
