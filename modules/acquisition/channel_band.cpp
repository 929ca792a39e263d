#include "channel_band.h"

QString channelBandText(double perChannelHz) {
    const double rateKHz = perChannelHz / 1000.0;
    return QStringLiteral("На канал: %1 кГц, полоса до %2 кГц")
        .arg(QString::number(rateKHz, 'f', 2), QString::number(rateKHz / 2.0, 'f', 2));
}

bool mayBeAliased(double hertz, double perChannelHz) {
    const double band = perChannelHz / 2.0;
    return band > 0.0 && hertz >= aliasBandShare * band && hertz <= band;
}
