#ifndef SCPI_ERROR_H
#define SCPI_ERROR_H

#include <QByteArray>

// The standard SCPI error numbers this server reports, and their texts.
// Any thread; no state.
namespace ScpiError {

enum Code : int {
    NoError = 0,
    CommandError = -100,
    InvalidCharacter = -101,
    SyntaxError = -102,
    InvalidSeparator = -103,
    DataTypeError = -104,
    ParameterNotAllowed = -108,
    MissingParameter = -109,
    UndefinedHeader = -113,
    NumericDataError = -120,
    InvalidSuffix = -131,
    StringDataError = -150,
    ExecutionError = -200,
    SettingsConflict = -221,
    DataOutOfRange = -222,
    IllegalParameterValue = -224,
    HardwareError = -240,
    QueueOverflow = -350,
};

// The error's text as SYSTem:ERRor? reports it: the number, a comma and the
// quoted description, e.g. -113,"Undefined header".
QByteArray entry(int code);
// The bit of the standard event status register an error sets: 32 command,
// 16 execution, 8 device-dependent, 4 query error; 0 for no error.
int eventBit(int code);

} // namespace ScpiError

#endif // SCPI_ERROR_H
