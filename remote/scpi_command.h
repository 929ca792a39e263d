#ifndef SCPI_COMMAND_H
#define SCPI_COMMAND_H

#include <QByteArray>
#include <QList>
#include <QVector>

#include "scpi_parameter.h"

// One program message unit of a line (the text between semicolons), parsed:
// the header's nodes as written, whether it is a query, and the parameters.
// A unit that could not be parsed carries its error number instead, and
// ends the line: what follows it is not run.
struct ScpiCommand {
    int error = 0;           // a SCPI error number, or 0
    bool common = false;     // "*IDN?" and the like (nodes holds "*IDN")
    bool absolute = false;   // written with a leading colon
    bool query = false;      // the header ends with "?"
    QList<QByteArray> nodes; // in upper case, without colons or "?"
    QVector<ScpiParameter> parameters;
};

#endif // SCPI_COMMAND_H
