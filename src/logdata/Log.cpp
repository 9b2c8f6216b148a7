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
