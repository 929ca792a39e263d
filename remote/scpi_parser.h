#ifndef SCPI_PARSER_H
#define SCPI_PARSER_H

#include <QByteArray>
#include <QVector>

#include "scpi_command.h"

// Splits one command line (without its LF; a trailing CR is dropped) into
// its program message units, SCPI-99 style: headers of nodes separated by
// colons, "*" common commands, "?" queries, parameters separated by commas:
// numbers in any decimal form ("5", "-.5", "1e3", "2.5E-1"), mnemonics
// (MIN, DIFF), strings in single or double quotes (a doubled quote stands
// for one), channel lists "(@1,3:5)".  Units are separated by semicolons;
// empty units are skipped.  The first unit that cannot be parsed is
// returned with its error and ends the list.
//
// The line must be valid UTF-8 (the caller checks it); outside strings only
// printable ASCII and blanks are accepted.  Pure function, any thread.
class ScpiParser {
public:
    static QVector<ScpiCommand> parse(const QByteArray& line);
};

#endif // SCPI_PARSER_H
