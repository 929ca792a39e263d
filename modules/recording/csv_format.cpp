#include "csv_format.h"

#include <QStringList>
#include <QVector>
#include <algorithm>
#include <cmath>

#include "channel_words.h"
#include "reading_text.h"

namespace CsvFormat {

namespace {

const QString crlf = QStringLiteral("\r\n");

bool counts(const ChannelReading& reading) {
    return reading.number >= 1 && reading.number <= channelCount && !reading.stale;
}

// "3 12" for channels 12 and 3.
QString numberList(QVector<int> numbers) {
    std::sort(numbers.begin(), numbers.end());
    QStringList texts;
    for (int n : numbers)
        texts << QString::number(n);
    return texts.join(QLatin1Char(' '));
}

} // namespace

QByteArray header() {
    QStringList cells{QStringLiteral("time"), QStringLiteral("elapsed_s")};
    for (int n = 1; n <= channelCount; ++n) {
        cells << QStringLiteral("ch%1_mV").arg(n) << QStringLiteral("ch%1_kHz").arg(n);
    }
    cells << QStringLiteral("overload") << QStringLiteral("config") << QStringLiteral("alias")
          << QStringLiteral("device");
    return (cells.join(QLatin1Char(',')) + crlf).toUtf8();
}

bool hasReading(const PassRecord& record) {
    return std::any_of(record.readings.begin(), record.readings.end(), counts);
}

QByteArray row(const PassRecord& record, qint64 startMs) {
    // Two cells per channel, indexed by channel number - 1.
    QVector<QString> channelCells(2 * channelCount);
    QVector<int> overloaded;
    QVector<int> aliased;
    for (const ChannelReading& reading : record.readings) {
        // A stale channel has no reading in this pass, so no marks either.
        if (!counts(reading))
            continue;
        if (!std::isnan(reading.volts))
            channelCells[2 * (reading.number - 1)] = voltageText(reading.volts, reading.decimals);
        if (!std::isnan(reading.hertz))
            channelCells[2 * (reading.number - 1) + 1] =
                frequencyText(reading.hertz, reading.frequencyDecimals);
        if (reading.overload)
            overloaded << reading.number;
        if (reading.alias)
            aliased << reading.number;
    }

    QString line = timeText(record.time);
    line += QLatin1Char(',');
    line += elapsedText(record.monotonicMs - startMs);
    for (const QString& text : channelCells) {
        line += QLatin1Char(',');
        line += text;
    }
    line += QLatin1Char(',');
    line += numberList(overloaded);
    line += QLatin1Char(',');
    line += cell(configText(record.config));
    line += QLatin1Char(',');
    line += numberList(aliased);
    line += QLatin1Char(',');
    line += cell(record.device);
    line += crlf;
    return line.toUtf8();
}

QString cell(const QString& text) {
    const bool needsQuotes = text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) ||
                             text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
    if (!needsQuotes)
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString timeText(const QDateTime& time) {
    const QDateTime local = time.toLocalTime();
    // Qt writes no offset for local time and "Z" for a zero offset; the
    // column always carries a signed hh:mm offset.
    const int offsetMinutes = local.offsetFromUtc() / 60;
    const int magnitude = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    return local.toString(QStringLiteral("yyyy-MM-ddThh:mm:ss.zzz")) +
           QLatin1Char(offsetMinutes < 0 ? '-' : '+') +
           QStringLiteral("%1:%2")
               .arg(magnitude / 60, 2, 10, QLatin1Char('0'))
               .arg(magnitude % 60, 2, 10, QLatin1Char('0'));
}

QString elapsedText(qint64 ms) {
    // Integer arithmetic: a double would round 0.0005-style halves either way.
    const bool negative = ms < 0;
    const qint64 magnitude = negative ? -ms : ms;
    return QStringLiteral("%1%2.%3")
        .arg(negative ? QStringLiteral("-") : QString())
        .arg(magnitude / 1000)
        .arg(magnitude % 1000, 3, 10, QLatin1Char('0'));
}

QString configText(const AcquisitionConfig& config) {
    QVector<ChannelConfig> channels = config.channels;
    std::sort(channels.begin(), channels.end(),
              [](const ChannelConfig& a, const ChannelConfig& b) { return a.number < b.number; });
    QStringList parts{adcFrequencyText(config.adcFrequencyHz), modeText(config.modeCode)};
    for (const ChannelConfig& channel : channels) {
        parts << QStringLiteral("%1 %2 %3")
                     .arg(channel.number)
                     .arg(channel.dc ? QStringLiteral("DC") : QStringLiteral("AC"))
                     .arg(rangeText(channel.rangeCode));
    }
    return parts.join(QStringLiteral("; "));
}

} // namespace CsvFormat
