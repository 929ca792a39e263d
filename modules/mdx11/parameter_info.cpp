#include "parameter_info.h"

#include "module.h"

namespace {

ParameterInfo entry(const QString& name, const QString& unit, const QStringList& choices) {
    ParameterInfo info;
    info.name = name;
    info.unit = unit;
    info.choices = choices;
    info.numeric = choices.isEmpty();
    return info;
}

} // namespace

// Built on first use (thread-safe static initialisation) and never changed;
// every driver works on its own copy.
const QList<ParameterInfo>& parameterTable() {
    static const QList<ParameterInfo> table = {
        entry(displayPeriodParameter(), QStringLiteral("мс"), {}),
        entry(QStringLiteral("Режим"), QString(),
              {QStringLiteral("Режим DC"), QStringLiteral("Режим AC Одноканальный"),
               QStringLiteral("Режим AC Многоканальный")}),
        entry(QStringLiteral("Частота АЦП"), QStringLiteral("кГц"), {}),
        entry(QStringLiteral("Частота генератора"), QStringLiteral("кГц"), {}),
        entry(QStringLiteral("Предел измерений"), QStringLiteral("В"), {}),
        entry(QStringLiteral("Допустимая γ"), QStringLiteral("%"), {}),
        entry(QStringLiteral("Значение"), QStringLiteral("мВ"), {}),
    };
    return table;
}
