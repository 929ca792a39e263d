#include "field_writer.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QString>
#include <QStringList>
#include <utility>

#include "channel_band.h"

namespace {

const char* const overloadMark = "overload";
const char* const aliasMark = "alias";
const char* const staleMark = "stale";
const char* const staleSince = "staleSince"; // the tooltip's line of a stale field

// The field's look from its marks: red (overload) or amber (alias)
// background, grey text (stale), one tooltip line per mark.
void restyle(QLineEdit* edit) {
    QStringList style, tips;
    if (edit->property(overloadMark).toBool()) {
        style << QStringLiteral("background-color: #ff6b6b;");
        tips << QStringLiteral("Перегрузка: сигнал выходит за предел измерения");
    }
    if (edit->property(aliasMark).toBool()) {
        style << QStringLiteral("background-color: #ffbf47;");
        tips << QStringLiteral("Сигнал может быть выше полосы канала: показание частоты может быть "
                               "ложным из-за наложения спектра. Увеличьте частоту преобразований АЦП "
                               "или уменьшите число каналов");
    }
    if (edit->property(staleMark).toBool()) {
        style << QStringLiteral("color: #8c8c8c;");
        tips << edit->property(staleSince).toString();
    }
    edit->setStyleSheet(
        style.isEmpty() ? QString() : QStringLiteral("QLineEdit { %1 }").arg(style.join(QLatin1Char(' '))));
    edit->setToolTip(tips.join(QLatin1Char('\n')));
}

// Sets one mark of `edit`; only a change touches the widget's look.
void mark(QLineEdit* edit, const char* name, bool on, const QString& since = QString()) {
    if (!edit)
        return;
    const bool stale = name == staleMark; // the constants above are the only names
    const bool unchanged = edit->property(name).toBool() == on &&
                           (!stale || !on || edit->property(staleSince).toString() == since);
    if (unchanged)
        return;
    edit->setProperty(name, on);
    if (stale)
        edit->setProperty(staleSince, since);
    restyle(edit);
}

// The stale tooltip: when the reading the field shows came, local time.
QString staleText(qint64 lastReadingMs) {
    if (lastReadingMs <= 0)
        return QStringLiteral("Нет показаний: отсчеты от прибора не поступают");
    QElapsedTimer now;
    now.start();
    const QDateTime at = QDateTime::currentDateTime().addMSecs(lastReadingMs - now.msecsSinceReference());
    return QStringLiteral("Показание устарело: отсчеты от прибора не поступают, последнее показание "
                          "получено в %1")
        .arg(at.toString(QStringLiteral("hh:mm:ss")));
}

} // namespace

FieldWriter::FieldWriter(QWidget* fieldsHost, const std::array<QLineEdit*, 33>& voltages,
                         const std::array<QLineEdit*, 33>& frequencies, QLabel* band)
    : host(fieldsHost), voltageEdits(voltages), frequencyEdits(frequencies), bandLabel(band) {}

void FieldWriter::postConfiguration(quint64 serial, const std::array<bool, 33>& measured,
                                    double channelRateHz) {
    Update update;
    update.serial = serial;
    update.configuration = true;
    update.measured = measured;
    update.channelRateHz = channelRateHz;
    post(std::move(update));
}

void FieldWriter::postReadings(quint64 serial, const QVector<ChannelReading>& readings) {
    Update update;
    update.serial = serial;
    update.readings = readings;
    post(std::move(update));
}

void FieldWriter::postRelease() {
    Update update;
    update.configuration = update.release = true;
    {
        std::lock_guard<std::mutex> lock(mutex);
        update.serial = newest;
    }
    post(std::move(update));
}

void FieldWriter::post(Update update) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (update.configuration)
            newest = update.serial;
        pending.push_back(std::move(update));
        if (wakePosted)
            return;
        wakePosted = true;
    }
    QMetaObject::invokeMethod(this, "apply", Qt::QueuedConnection);
}

void FieldWriter::apply() {
    std::deque<Update> updates;
    quint64 shown = 0;
    {
        std::lock_guard<std::mutex> lock(mutex);
        updates.swap(pending);
        shown = newest;
        wakePosted = false;
    }
    if (!host)
        return;
    for (const Update& update : updates) {
        if (update.serial != shown)
            continue;
        if (update.configuration) {
            for (int number = 1; number <= 32; ++number) {
                QLineEdit* voltage = voltageEdits[size_t(number)];
                QLineEdit* frequency = frequencyEdits[size_t(number)];
                mark(voltage, staleMark, false);
                mark(frequency, staleMark, false);
                if (!update.measured[size_t(number)]) {
                    mark(voltage, overloadMark, false);
                    mark(frequency, aliasMark, false);
                }
                if (update.release)
                    for (QLineEdit* edit : {voltage, frequency})
                        if (edit)
                            edit->clear();
            }
            if (bandLabel)
                bandLabel->setText(update.release ? QString() : channelBandText(update.channelRateHz));
        }
        for (const ChannelReading& reading : update.readings) {
            if (reading.number < 1 || reading.number > 32)
                continue;
            QLineEdit* voltage = voltageEdits[size_t(reading.number)];
            QLineEdit* frequency = frequencyEdits[size_t(reading.number)];
            if (reading.stale) {
                // The reading shown stays, greyed, with the time it came.
                const QString since = staleText(reading.lastReadingMs);
                mark(voltage, staleMark, true, since);
                mark(frequency, staleMark, true, since);
                continue;
            }
            if (voltage) {
                voltage->setText(reading.voltage);
                mark(voltage, overloadMark, reading.overload);
                mark(voltage, staleMark, false);
            }
            if (frequency) {
                frequency->setText(reading.frequency);
                mark(frequency, aliasMark, reading.alias);
                mark(frequency, staleMark, false);
            }
        }
    }
}
