#ifndef SCPI_COMMAND_TABLE_H
#define SCPI_COMMAND_TABLE_H

#include <QByteArray>
#include <QList>

#include "scpi_command.h"

// The commands this server knows, by header and query form.  Any thread;
// the table is built once and never changed.
class ScpiCommandTable {
public:
    enum Id {
        Unknown,
        Identify,      // *IDN?
        Reset,         // *RST
        Clear,         // *CLS
        Complete,      // *OPC
        CompleteQuery, // *OPC?
        Wait,          // *WAI
        EventQuery,    // *ESR?
        EventEnable,   // *ESE
        EventEnableQuery,
        StatusQuery, // *STB?
        SelfTest,    // *TST?
        ErrorNext,   // SYSTem:ERRor[:NEXT]?
        ErrorCount,  // SYSTem:ERRor:COUNt?
        Version,     // SYSTem:VERSion?
        DeviceCatalog,
        DeviceSelect,
        DeviceQuery,
        DeviceSearch,
        Scan,
        ScanQuery,
        Mode,
        ModeQuery,
        Rate,
        RateQuery,
        DcRange,
        DcRangeQuery,
        AcRange,
        AcRangeQuery,
        ConfigureDc,
        ConfigureAc,
        ConfigureQuery,
        MeasureDc,
        MeasureAc,
        MeasureFrequency,
        Read,
        Fetch,
        FetchFrequency,
        Timer,
        TimerQuery,
        RecordStart,
        RecordStop,
        RecordState,
        RecordFile,
    };

    // The command `command` names: its nodes are taken below `path` (the
    // path the previous command of the line left) unless it is absolute or
    // common; when that names nothing, from the root.  `fullPath` receives
    // the nodes the command was found under.
    static Id find(const ScpiCommand& command, const QList<QByteArray>& path, QList<QByteArray>* fullPath);
};

#endif // SCPI_COMMAND_TABLE_H
