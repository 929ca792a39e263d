#include "scpi_error.h"

namespace ScpiError {

namespace {

const char* description(int code) {
    switch (code) {
    case NoError:
        return "No error";
    case CommandError:
        return "Command error";
    case InvalidCharacter:
        return "Invalid character";
    case SyntaxError:
        return "Syntax error";
    case InvalidSeparator:
        return "Invalid separator";
    case DataTypeError:
        return "Data type error";
    case ParameterNotAllowed:
        return "Parameter not allowed";
    case MissingParameter:
        return "Missing parameter";
    case UndefinedHeader:
        return "Undefined header";
    case NumericDataError:
        return "Numeric data error";
    case InvalidSuffix:
        return "Invalid suffix";
    case StringDataError:
        return "String data error";
    case ExecutionError:
        return "Execution error";
    case SettingsConflict:
        return "Settings conflict";
    case DataOutOfRange:
        return "Data out of range";
    case IllegalParameterValue:
        return "Illegal parameter value";
    case HardwareError:
        return "Hardware error";
    case QueueOverflow:
        return "Queue overflow";
    default:
        return "Unknown error";
    }
}

} // namespace

QByteArray entry(int code) {
    return QByteArray::number(code) + ",\"" + description(code) + '"';
}

int eventBit(int code) {
    if (code <= -100 && code > -200)
        return 32;
    if (code <= -200 && code > -300)
        return 16;
    if (code <= -400 && code > -500)
        return 4;
    if (code != 0)
        return 8;
    return 0;
}

} // namespace ScpiError
