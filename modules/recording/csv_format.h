#ifndef CSV_FORMAT_H
#define CSV_FORMAT_H

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include "pass_record.h"

// The recording's file format: RFC 4180, UTF-8 without BOM, comma separator,
// point as decimal mark, CRLF line ends.  The columns are fixed: time,
// elapsed_s, ch1_mV, ch1_kHz, ..., ch32_mV, ch32_kHz, overload, config,
// alias, device.  Columns are only ever added at the end, so that readers
// keyed by name keep working.
// Pure functions, callable from any thread.
namespace CsvFormat {

constexpr int channelCount = 32;

// The header row, CRLF included.
QByteArray header();

// Whether `record` has a reading worth a row: a channel 1..32 that is not
// stale.  A pass without one writes no row.
bool hasReading(const PassRecord& record);

// One row for `record`, CRLF included; `startMs` is the monotonic time (ms)
// at which the recording started.  The cells hold the readings' numbers in
// the texts the window showed (readingText, with the pass's decimals);
// channels without a reading, and stale ones, stay empty, and so does the
// frequency of a DC channel or of an AC channel without a signal.
// `overload` and `alias` list the marked channels ascending, separated by
// spaces; `device` is the module's serial.
QByteArray row(const PassRecord& record, qint64 startMs);

// A cell as RFC 4180 wants it: quoted (inner quotes doubled) when it holds a
// comma, a quote, CR or LF; unchanged otherwise.
QString cell(const QString& text);

// ISO 8601 local time with milliseconds and the UTC offset,
// e.g. 2026-12-07T14:03:05.120+03:00.
QString timeText(const QDateTime& time);

// Seconds with three decimals from a span in milliseconds, e.g. 12.045.
QString elapsedText(qint64 ms);

// The configuration in the window's own words (channel_words.h): ADC
// frequency, mode, then per channel in ascending number its number, AC/DC
// and range, joined by "; ".
QString configText(const AcquisitionConfig& config);

} // namespace CsvFormat

#endif // CSV_FORMAT_H
