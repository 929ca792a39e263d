#include "reading_field_width.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QMargins>
#include <QSize>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>

#include "reading_text.h"

namespace {

// `text` with each digit replaced by the font's widest one.
QString widestDigits(const QLineEdit* edit, QString text) {
    const QFontMetrics metrics = edit->fontMetrics();
    QChar widest = QLatin1Char('8');
    for (char digit = '0'; digit <= '9'; ++digit)
        if (metrics.horizontalAdvance(QLatin1Char(digit)) > metrics.horizontalAdvance(widest))
            widest = QLatin1Char(digit);
    for (QChar& c : text)
        if (c.isDigit())
            c = widest;
    return text;
}

} // namespace

QString widestVoltageText(const QLineEdit* edit, int decimals) {
    return widestDigits(edit, readingText(-10000.0, decimals));
}

QString widestFrequencyText(const QLineEdit* edit, int decimals) {
    return widestDigits(edit, readingText(500.0, decimals));
}

// As QLineEdit's own size hint measures its contents: the text, the
// field's inner margin (2 px a side), its text and contents margins, then
// the style's frame around them; 1 px for the cursor and 3 px spare for a
// style sheet's frame (the marks set one).
int fieldWidthFor(const QLineEdit* edit, const QString& text) {
    const QMargins textMargins = edit->textMargins();
    const QMargins contentsMargins = edit->contentsMargins();
    const int inner = edit->fontMetrics().horizontalAdvance(text) + 2 * 2 + textMargins.left() +
                      textMargins.right() + contentsMargins.left() + contentsMargins.right() + 1 + 3;
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth =
        edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit) : 0;
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    const QSize contents(inner, std::max(edit->fontMetrics().height(), 14));
    return edit->style()->sizeFromContents(QStyle::CT_LineEdit, &option, contents, edit).width();
}
