#include "trend_window.h"

#include <QComboBox>
#include <QDateTime>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPen>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <qwt_date.h>
#include <qwt_date_scale_draw.h>
#include <qwt_date_scale_engine.h>
#include <qwt_legend.h>
#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_grid.h>
#include <qwt_text.h>

#include "trend_curve.h"
#include "trend_decimator.h"
#include "trend_history.h"

namespace {

const char* const spanKey = "Recording/TrendSpanMin";
const int spanChoices[] = {1, 10, 60};

enum Column { ColumnChannel, ColumnLatest, ColumnMin, ColumnMax, ColumnMean, ColumnCount };

// Neighbouring channels get far-apart hues (the golden angle) and alternate
// in brightness, so 32 lines stay told apart.
QColor channelColor(int channel) {
    const int hue = int(std::fmod((channel - 1) * 137.508, 360.0));
    return QColor::fromHsv(hue, 230, channel % 2 ? 200 : 140);
}

QwtDateScaleDraw* timeScaleDraw() {
    auto* draw = new QwtDateScaleDraw(Qt::LocalTime);
    draw->setDateFormat(QwtDate::Millisecond, QStringLiteral("hh:mm:ss"));
    draw->setDateFormat(QwtDate::Second, QStringLiteral("hh:mm:ss"));
    draw->setDateFormat(QwtDate::Minute, QStringLiteral("hh:mm"));
    draw->setDateFormat(QwtDate::Hour, QStringLiteral("hh:mm"));
    return draw;
}

} // namespace

TrendWindow::TrendWindow(TrendHistory* history, QSettings* settings, QWidget* parent)
    : QWidget(parent, Qt::Window), history(history), settings(settings), plot(new QwtPlot(this)),
      spanBox(new QComboBox(this)), table(new QTableWidget(0, ColumnCount, this)),
      resetButton(new QPushButton(QStringLiteral("Сбросить"), this)) {
    setObjectName(QStringLiteral("TrendWindow"));
    setWindowTitle(QStringLiteral("График показаний"));
    resize(1200, 650);

    plot->setObjectName(QStringLiteral("plotTrend"));
    plot->setCanvasBackground(Qt::white);
    plot->setAxisScaleDraw(QwtPlot::xBottom, timeScaleDraw());
    plot->setAxisScaleEngine(QwtPlot::xBottom, new QwtDateScaleEngine(Qt::LocalTime));
    plot->setAxisTitle(QwtPlot::yLeft, QStringLiteral("мВ"));
    auto* legend = new QwtLegend;
    legend->setMaxColumns(16);
    plot->insertLegend(legend, QwtPlot::BottomLegend);
    auto* grid = new QwtPlotGrid;
    grid->setMajorPen(QColor(220, 220, 220), 0, Qt::DotLine);
    grid->attach(plot);
    for (int ch = 1; ch <= TrendHistory::channelCount; ++ch) {
        // Every curve stays attached, so the plot owns and deletes it; a
        // channel without readings in the span is hidden and left out of
        // the legend.
        auto* curve = new TrendCurve(QString::number(ch));
        // A one-pixel pen: wider lines go through the path stroker, which
        // costs far more per line.
        curve->setPen(channelColor(ch), 1.0);
        curve->setVisible(false);
        curve->setItemAttribute(QwtPlotItem::Legend, false);
        curve->attach(plot);
        curves[size_t(ch - 1)] = curve;
    }

    spanBox->setObjectName(QStringLiteral("comboBoxTrendSpan"));
    for (int minutes : spanChoices)
        spanBox->addItem(QStringLiteral("%1 мин").arg(minutes), minutes);
    spanBox->setCurrentIndex(spanBox->findData(storedSpanMinutes(settings)));
    // A garbage value is replaced by the one in effect.
    settings->setValue(spanKey, spanMinutes());
    connect(spanBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &TrendWindow::chooseSpan);

    table->setObjectName(QStringLiteral("tableWidgetTrendStatistics"));
    table->setHorizontalHeaderLabels({QStringLiteral("Канал"), QStringLiteral("Последнее"),
                                      QStringLiteral("Минимум"), QStringLiteral("Максимум"),
                                      QStringLiteral("Среднее")});
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    // Fixed widths that hold the header and a 10 V reading in mV with 3
    // decimals: sizing to contents would lay every cell's text out again at
    // each redraw.
    const QFontMetrics metrics = table->fontMetrics();
    int tableWidth = 2 * table->frameWidth() + table->verticalScrollBar()->sizeHint().width();
    for (int col = 0; col < ColumnCount; ++col) {
        const int header = metrics.horizontalAdvance(table->horizontalHeaderItem(col)->text()) + 16;
        const int width = std::max(
            header, col == ColumnChannel ? header + 14
                                         : metrics.horizontalAdvance(QStringLiteral("-00000.000")) + 12);
        table->setColumnWidth(col, width);
        tableWidth += width;
    }
    table->setMinimumWidth(tableWidth);
    table->verticalHeader()->setDefaultSectionSize(metrics.height() + 4);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    resetButton->setObjectName(QStringLiteral("pushButtonTrendReset"));
    connect(resetButton, &QPushButton::clicked, history, &TrendHistory::reset);

    auto* spanRow = new QHBoxLayout;
    spanRow->addWidget(new QLabel(QStringLiteral("Интервал:"), this));
    spanRow->addWidget(spanBox, 1);
    auto* side = new QVBoxLayout;
    side->addLayout(spanRow);
    side->addWidget(table, 1);
    side->addWidget(resetButton);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(plot, 1);
    layout->addLayout(side);

    redrawTimer.setInterval(redrawPeriodMs);
    connect(&redrawTimer, &QTimer::timeout, this, &TrendWindow::redraw);
}

int TrendWindow::storedSpanMinutes(QSettings* settings) {
    const QVariant value = settings->value(spanKey);
    // Only a single text or number counts; an INI list ("1, 60") is garbage.
    if (value.userType() != QMetaType::QString && value.userType() != QMetaType::Int)
        return defaultSpanMinutes;
    bool ok = false;
    const int minutes = value.toString().toInt(&ok);
    for (int choice : spanChoices) {
        if (ok && minutes == choice)
            return minutes;
    }
    return defaultSpanMinutes;
}

int TrendWindow::spanMinutes() const {
    return spanBox->currentData().toInt();
}

void TrendWindow::chooseSpan(int index) {
    settings->setValue(spanKey, spanBox->itemData(index).toInt());
}

void TrendWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    redraw();
    redrawTimer.start();
}

void TrendWindow::hideEvent(QHideEvent* event) {
    redrawTimer.stop();
    QWidget::hideEvent(event);
}

void TrendWindow::redraw() {
    history->trim();
    const qint64 toMs = history->now();
    const qint64 fromMs = toMs - qint64(spanMinutes()) * 60 * 1000;
    // Monotonic ms to the date axis's wall-clock ms.
    const double wallOffset = double(QDateTime::currentMSecsSinceEpoch() - toMs);
    const int columns = std::max(1, plot->canvas()->width());

    QVector<int> shown;
    double low = INFINITY;
    double high = -INFINITY;
    for (int ch = 1; ch <= TrendHistory::channelCount; ++ch) {
        TrendCurve* curve = curves[size_t(ch - 1)];
        QVector<QPointF> points = TrendDecimator::decimate(history->points(ch), fromMs, toMs, columns);
        bool inSpan = false;
        for (QPointF& p : points) {
            // The lead-in point before the span is drawn but does not scale.
            if (!std::isnan(p.y()) && p.x() >= double(fromMs)) {
                low = std::min(low, p.y());
                high = std::max(high, p.y());
                inSpan = true;
            }
            p.rx() += wallOffset;
        }
        if (!inSpan)
            points.clear();
        curve->setSamples(points);
        if (curve->isVisible() != inSpan) {
            curve->setVisible(inSpan);
            curve->setItemAttribute(QwtPlotItem::Legend, inSpan);
        }
        if (inSpan)
            shown.append(ch);
    }

    plot->setAxisScale(QwtPlot::xBottom, double(fromMs) + wallOffset, double(toMs) + wallOffset);
    if (low <= high) {
        // Some air above and below; a flat line gets a band around it.
        const double pad = high > low ? (high - low) * 0.05 : std::max(1.0, std::fabs(high) * 0.01);
        plot->setAxisScale(QwtPlot::yLeft, low - pad, high + pad);
    }
    plot->replot();
    updateTable(shown, fromMs);
}

void TrendWindow::updateTable(const QVector<int>& shown, qint64 fromMs) {
    table->setRowCount(shown.size());
    for (int row = 0; row < shown.size(); ++row) {
        const int ch = shown[row];
        const TrendStatistics s = history->statistics(ch, fromMs);
        const int decimals = history->decimals(ch);
        const QString texts[ColumnCount] = {QString::number(ch), QString::number(s.latest, 'f', decimals),
                                            QString::number(s.min, 'f', decimals),
                                            QString::number(s.max, 'f', decimals),
                                            QString::number(s.mean, 'f', decimals)};
        for (int col = 0; col < ColumnCount; ++col) {
            QTableWidgetItem* item = table->item(row, col);
            if (!item) {
                item = new QTableWidgetItem;
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                table->setItem(row, col, item);
            }
            if (item->text() != texts[col])
                item->setText(texts[col]);
        }
        QTableWidgetItem* channelItem = table->item(row, ColumnChannel);
        const QColor color = channelColor(ch);
        if (channelItem->data(Qt::UserRole).value<QColor>() != color) {
            QPixmap swatch(10, 10);
            swatch.fill(color);
            channelItem->setIcon(swatch);
            channelItem->setData(Qt::UserRole, color);
        }
    }
}
