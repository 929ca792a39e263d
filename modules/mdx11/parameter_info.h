#ifndef PARAMETER_INFO_H
#define PARAMETER_INFO_H

#include <QList>
#include <QString>
#include <QStringList>

// One named parameter of a module driver, as used by the verification
// scenario's labels ("Частота АЦП = 20 кГц").
struct ParameterInfo {
    QString name;
    QString unit;
    QStringList choices; // texts of an enumerated parameter; empty when numeric
    bool numeric = true;
    QString currentText;
    double currentValue = 0.0;
};

// The process-wide parameter vocabulary, in table order; built on first use.
const QList<ParameterInfo>& parameterTable();

#endif // PARAMETER_INFO_H
