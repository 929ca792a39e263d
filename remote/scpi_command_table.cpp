#include "scpi_command_table.h"

#include <vector>

#include "scpi_header.h"

namespace {

struct Entry {
    ScpiHeader header;
    bool query;
    ScpiCommandTable::Id id;
};

const std::vector<Entry>& entries() {
    using T = ScpiCommandTable;
    // clang-format off
    static const std::vector<Entry> table = {
        {ScpiHeader("*IDN"),                          true,  T::Identify},
        {ScpiHeader("*RST"),                          false, T::Reset},
        {ScpiHeader("*CLS"),                          false, T::Clear},
        {ScpiHeader("*OPC"),                          false, T::Complete},
        {ScpiHeader("*OPC"),                          true,  T::CompleteQuery},
        {ScpiHeader("*WAI"),                          false, T::Wait},
        {ScpiHeader("*ESR"),                          true,  T::EventQuery},
        {ScpiHeader("*ESE"),                          false, T::EventEnable},
        {ScpiHeader("*ESE"),                          true,  T::EventEnableQuery},
        {ScpiHeader("*STB"),                          true,  T::StatusQuery},
        {ScpiHeader("*TST"),                          true,  T::SelfTest},
        {ScpiHeader("SYSTem:ERRor[:NEXT]"),           true,  T::ErrorNext},
        {ScpiHeader("SYSTem:ERRor:COUNt"),            true,  T::ErrorCount},
        {ScpiHeader("SYSTem:VERSion"),                true,  T::Version},
        {ScpiHeader("SYSTem:DEVice:CATalog"),         true,  T::DeviceCatalog},
        {ScpiHeader("SYSTem:DEVice[:SELect]"),        false, T::DeviceSelect},
        {ScpiHeader("SYSTem:DEVice[:SELect]"),        true,  T::DeviceQuery},
        {ScpiHeader("SYSTem:DEVice:SEARch"),          false, T::DeviceSearch},
        {ScpiHeader("ROUTe:SCAN"),                    false, T::Scan},
        {ScpiHeader("ROUTe:SCAN"),                    true,  T::ScanQuery},
        {ScpiHeader("INPut:MODE"),                    false, T::Mode},
        {ScpiHeader("INPut:MODE"),                    true,  T::ModeQuery},
        {ScpiHeader("SAMPle:RATE"),                   false, T::Rate},
        {ScpiHeader("SAMPle:RATE"),                   true,  T::RateQuery},
        {ScpiHeader("[SENSe:]VOLTage[:DC]:RANGe"),    false, T::DcRange},
        {ScpiHeader("[SENSe:]VOLTage[:DC]:RANGe"),    true,  T::DcRangeQuery},
        {ScpiHeader("[SENSe:]VOLTage:AC:RANGe"),      false, T::AcRange},
        {ScpiHeader("[SENSe:]VOLTage:AC:RANGe"),      true,  T::AcRangeQuery},
        {ScpiHeader("CONFigure:VOLTage[:DC]"),        false, T::ConfigureDc},
        {ScpiHeader("CONFigure:VOLTage:AC"),          false, T::ConfigureAc},
        {ScpiHeader("CONFigure"),                     true,  T::ConfigureQuery},
        {ScpiHeader("MEASure:VOLTage[:DC]"),          true,  T::MeasureDc},
        {ScpiHeader("MEASure:VOLTage:AC"),            true,  T::MeasureAc},
        {ScpiHeader("MEASure:FREQuency"),             true,  T::MeasureFrequency},
        {ScpiHeader("READ"),                          true,  T::Read},
        {ScpiHeader("FETCh[:VOLTage]"),               true,  T::Fetch},
        {ScpiHeader("FETCh:FREQuency"),               true,  T::FetchFrequency},
        {ScpiHeader("TRIGger:TIMer"),                 false, T::Timer},
        {ScpiHeader("TRIGger:TIMer"),                 true,  T::TimerQuery},
        {ScpiHeader("RECord:STARt"),                  false, T::RecordStart},
        {ScpiHeader("RECord:STOP"),                   false, T::RecordStop},
        {ScpiHeader("RECord:STATe"),                  true,  T::RecordState},
        {ScpiHeader("RECord:FILE"),                   true,  T::RecordFile},
    };
    // clang-format on
    return table;
}

ScpiCommandTable::Id lookUp(const QList<QByteArray>& nodes, bool query) {
    for (const Entry& entry : entries())
        if (entry.query == query && entry.header.matches(nodes))
            return entry.id;
    return ScpiCommandTable::Unknown;
}

} // namespace

ScpiCommandTable::Id ScpiCommandTable::find(const ScpiCommand& command, const QList<QByteArray>& path,
                                            QList<QByteArray>* fullPath) {
    if (!command.common && !command.absolute && !path.isEmpty()) {
        const QList<QByteArray> below = path + command.nodes;
        const Id id = lookUp(below, command.query);
        if (id != Unknown) {
            *fullPath = below;
            return id;
        }
    }
    *fullPath = command.nodes;
    return lookUp(command.nodes, command.query);
}
