#include "trend_window.h"

#include <QComboBox>
#include <QDateTime>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPen>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
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

#include "reading_text.h"
#include "trend_curve.h"
#include "trend_decimator.h"
#include "trend_history.h"
#include "trend_window_palette.h"
#include "trend_window_placement.h"
#include "trend_window_scale_draw.h"

namespace {

const char* const spanKey = "Recording/TrendSpanMin";
const int spanChoices[] = {1, 10, 60};

enum Column { ColumnChannel, ColumnKind, ColumnLatest, ColumnMin, ColumnMax, ColumnMean, ColumnCount };

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
    // Few enough time labels for a narrow chart; without a minimum of its
    // own the plot would ask for the width of its first scale's labels
    // (some 800 px), more than a small screen leaves beside the main window.
    plot->setAxisMaxMajor(QwtPlot::xBottom, 6);
    plot->setMinimumSize(400, 250);
    plot->setAxisTitle(QwtPlot::yLeft, QStringLiteral("мВ"));
    plot->setAxisScaleDraw(QwtPlot::yLeft, new TrendWindowScaleDraw);
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
        curve->setPen(TrendWindowPalette::channelColor(ch), 1.0);
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
    table->setHorizontalHeaderLabels({QStringLiteral("Канал"), QStringLiteral("Вид"),
                                      QStringLiteral("Последнее,\nмВ"), QStringLiteral("Минимум,\nмВ"),
                                      QStringLiteral("Максимум,\nмВ"), QStringLiteral("Среднее,\nмВ")});
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    // Fixed widths that hold the header and a 10 V reading in mV with 3
    // decimals: sizing to contents would lay every cell's text out again at
    // each redraw.
    const QFontMetrics metrics = table->fontMetrics();
    const int tableFrame = 2 * table->frameWidth() + table->verticalScrollBar()->sizeHint().width();
    int tableWidth = tableFrame;
    int latestEnd = 0;
    for (int col = 0; col < ColumnCount; ++col) {
        // The unit goes on a line of its own, so that it widens no column.
        int header = 0;
        for (const QString& line : table->horizontalHeaderItem(col)->text().split(QLatin1Char('\n')))
            header = std::max(header, metrics.horizontalAdvance(line) + 16);
        const int width = std::max(
            header, col == ColumnChannel ? header + 14
                    : col == ColumnKind  ? header
                                         : metrics.horizontalAdvance(QStringLiteral("-00000.000")) + 12);
        table->setColumnWidth(col, width);
        tableWidth += width;
        if (col == ColumnLatest)
            latestEnd = tableWidth;
    }
    // The whole table where the window is wide enough; on a narrow screen
    // down to the latest reading, the rest behind a scroll bar, so that the
    // window still fits beside or over half of the main one.
    table->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    table->setMinimumWidth(latestEnd);
    table->verticalHeader()->setDefaultSectionSize(metrics.height() + 4);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);

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

void TrendWindow::setVisible(bool visible) {
    if (visible && !placed && !isVisible() && parentWidget()) {
        placed = true;
        placeBeside(parentWidget()->window());
    }
    QWidget::setVisible(visible);
}

void TrendWindow::placeBeside(QWidget* mainWindow) {
    QScreen* screen = mainWindow->screen() ? mainWindow->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // The style's metrics, and so the minimum size, are final once polished.
    ensurePolished();
    // This window's frame is not known before it is shown: take the main
    // window's (title bar and borders; none without a window manager).
    const QSize decoration = mainWindow->frameGeometry().size() - mainWindow->geometry().size();
    const QRect frame =
        TrendWindowPlacement::place(mainWindow->frameGeometry(), size() + decoration,
                                    minimumSizeHint() + decoration, screen->availableGeometry());
    move(frame.topLeft());
    resize(frame.size() - decoration);
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
    bool legendChanged = false;
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
            legendChanged = true;
        }
        if (inSpan)
            shown.append(ch);
    }
    if (legendChanged) {
        // The legend appends an entry when its item joins; taking every
        // entry out and putting the shown ones back keeps channel order.
        // (Clearing the attribute alone does not take an entry out.)
        for (TrendCurve* curve : curves) {
            if (curve->testItemAttribute(QwtPlotItem::Legend)) {
                curve->setItemAttribute(QwtPlotItem::Legend, false);
                plot->updateLegend(curve);
            }
        }
        for (int ch : shown)
            curves[size_t(ch - 1)]->setItemAttribute(QwtPlotItem::Legend, true);
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
        const TrendSegmentKey key = history->segmentKey(ch);
        const int decimals = history->decimals(ch);
        // The statistics are of the current segment only, which may have no
        // point in the span while older segments still draw their lines.
        const auto number = [&s, decimals](double mV) {
            return s.count > 0 ? readingText(mV, decimals) : QString();
        };
        const QString kind = !key.configured ? QString()
                             : key.dc        ? QStringLiteral("DC")
                                             : QStringLiteral("AC");
        const QString texts[ColumnCount] = {QString::number(ch), kind,          number(s.latest),
                                            number(s.min),       number(s.max), number(s.mean)};
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
        const QColor color = TrendWindowPalette::channelColor(ch);
        if (channelItem->data(Qt::UserRole).value<QColor>() != color) {
            QPixmap swatch(10, 10);
            swatch.fill(color);
            channelItem->setIcon(swatch);
            channelItem->setData(Qt::UserRole, color);
        }
    }
}
