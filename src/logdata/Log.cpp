// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/Log.h"

int Log::find(Quantity quantity, int sensor) const {
    for (std::size_t i = 0; i < channels.size(); ++i)
        if (channels[i].quantity == quantity && (sensor == 0 || channels[i].sensor == sensor))
            return int(i);
    return -1;
}

int Log::findName(const QString& name) const {
    for (std::size_t i = 0; i < channels.size(); ++i)
        if (channels[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

int Log::addChannel(QString name, QString unit, Quantity quantity) {
    LogChannel c;
    c.name = std::move(name);
    c.unit = std::move(unit);
    c.quantity = quantity;
    c.values.assign(time.size(), LogChannel::kMissing);
    channels.push_back(std::move(c));
    return int(channels.size()) - 1;
}

QString Log::quantityName(Quantity quantity) {
    switch (quantity) {
    case Quantity::Other:
        return QStringLiteral("other");
    case Quantity::EngineSpeed:
        return QStringLiteral("engine speed");
    case Quantity::ManifoldPressure:
        return QStringLiteral("manifold pressure");
    case Quantity::ThrottlePosition:
        return QStringLiteral("throttle position");
    case Quantity::FuelRatio:
        return QStringLiteral("fuel ratio");
    case Quantity::SensorStatus:
        return QStringLiteral("sensor status");
    case Quantity::AnalogVolts:
        return QStringLiteral("analog volts");
    case Quantity::AnalogScaled:
        return QStringLiteral("analog scaled");
    case Quantity::CoolantTemp:
        return QStringLiteral("coolant temperature");
    case Quantity::IntakeTemp:
        return QStringLiteral("intake temperature");
    case Quantity::BatteryVolts:
        return QStringLiteral("battery volts");
    case Quantity::TargetRatio:
        return QStringLiteral("target ratio");
    }
    return {};
}
