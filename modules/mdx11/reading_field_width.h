#ifndef READING_FIELD_WIDTH_H
#define READING_FIELD_WIDTH_H

#include <QString>

class QLineEdit;

// The one width of the reading fields.  Each field is as wide, from its
// creation, as the widest reading the options allow, enabled or not and
// whatever it shows, so the channel table and the window keep their width
// through every configuration, device state and reading.  GUI thread.

// Decimals the options form offers, at most.
constexpr int maxReadingDecimals = 6;

// The widest texts of the fields with `decimals` decimals, in `edit`'s font
// ('8' stands for every digit, or a wider digit of the font): a voltage of
// -10000 mV (the full scale of the widest range, negative), a frequency of
// 500 kHz (half the highest per-channel rate).
QString widestVoltageText(const QLineEdit* edit, int decimals);
QString widestFrequencyText(const QLineEdit* edit, int decimals);

// Pixels `edit` needs to show `text` whole: the text, the field's margins
// and its frame as the style draws it.
int fieldWidthFor(const QLineEdit* edit, const QString& text);

#endif // READING_FIELD_WIDTH_H
