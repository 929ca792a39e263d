#include "field_writer.h"

#include <QLineEdit>
#include <QMetaObject>
#include <QString>
#include <utility>

namespace {

// Marks `edit` red, with a tooltip, while its channel clips.  Only a change
// of the mark touches the widget.
void markOverload(QLineEdit* edit, bool overload) {
    if (edit->property("overload").toBool() == overload)
        return;
    edit->setProperty("overload", overload);
    edit->setStyleSheet(overload ? QStringLiteral("QLineEdit { background-color: #ff6b6b; }") : QString());
    edit->setToolTip(overload ? QStringLiteral("Перегрузка: сигнал выходит за предел измерения") : QString());
}

} // namespace

FieldWriter::FieldWriter(QWidget* fieldsHost, const std::array<QLineEdit*, 33>& voltages,
                         const std::array<QLineEdit*, 33>& frequencies)
    : host(fieldsHost), voltageEdits(voltages), frequencyEdits(frequencies) {}

void FieldWriter::postConfiguration(quint64 serial, const std::array<bool, 33>& measured) {
    Update update;
    update.serial = serial;
    update.configuration = true;
    update.measured = measured;
    post(std::move(update));
}

void FieldWriter::postReadings(quint64 serial, const QVector<ChannelReading>& readings) {
    Update update;
    update.serial = serial;
    update.readings = readings;
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
        for (int number = 1; number <= 32; ++number) {
            QLineEdit* voltage = voltageEdits[size_t(number)];
            if (update.configuration && !update.measured[size_t(number)] && voltage)
                markOverload(voltage, false);
        }
        for (const ChannelReading& reading : update.readings) {
            if (reading.number < 1 || reading.number > 32)
                continue;
            QLineEdit* voltage = voltageEdits[size_t(reading.number)];
            QLineEdit* frequency = frequencyEdits[size_t(reading.number)];
            if (voltage) {
                voltage->setText(reading.voltage);
                markOverload(voltage, reading.overload);
            }
            if (frequency)
                frequency->setText(reading.frequency);
        }
    }
}
