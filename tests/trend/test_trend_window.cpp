#include <QComboBox>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <qwt_abstract_legend.h>
#include <qwt_legend_label.h>
#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>

#include "trend_history.h"
#include "trend_window.h"

namespace {

PassRecord record(quint64 serial, qint64 timeMs, const QVector<QPair<int, double>>& voltages) {
    PassRecord r;
    r.config.serial = serial;
    r.monotonicMs = timeMs;
    for (const auto& v : voltages)
        r.readings.append({v.first, QString::number(v.second, 'f', 3), QString(), false});
    return r;
}

// The curves the chart shows, by legend title.
QStringList shownCurves(QwtPlot* plot) {
    QStringList titles;
    for (QwtPlotItem* item : plot->itemList(QwtPlotItem::Rtti_PlotCurve)) {
        if (item->isVisible() && item->testItemAttribute(QwtPlotItem::Legend))
            titles << item->title().text();
    }
    return titles;
}

QwtPlotCurve* curve(QwtPlot* plot, int channel) {
    for (QwtPlotItem* item : plot->itemList(QwtPlotItem::Rtti_PlotCurve)) {
        if (item->title().text() == QString::number(channel))
            return static_cast<QwtPlotCurve*>(item);
    }
    return nullptr;
}

QStringList tableRow(QTableWidget* table, int row) {
    QStringList texts;
    for (int col = 0; col < table->columnCount(); ++col)
        texts << table->item(row, col)->text();
    return texts;
}

} // namespace

class TestTrendWindow : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    qint64 nowMs = 0;

    QString iniWith(const QByteArray& recordingGroup) {
        const QString path = dir.filePath(QStringLiteral("vernier-%1.ini").arg(QTest::currentDataTag()));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return QString();
        file.write("[Global]\nDisplayUpdateMs=500\n");
        file.write(recordingGroup);
        return path;
    }

    void useTestClock(TrendHistory& h) {
        nowMs = 3600 * 1000;
        h.setClock([this] { return nowMs; });
    }

private slots:
    void storedSpan_data();
    void storedSpan();
    void spanChoiceIsKept();
    void showsMeasuredChannelsOnce();
    void decimatesToPixelColumns();
    void resetClearsHistoryAndTable();
};

void TestTrendWindow::storedSpan_data() {
    QTest::addColumn<QByteArray>("group");
    QTest::addColumn<int>("minutes");
    QTest::newRow("missing") << QByteArray() << 10;
    QTest::newRow("1") << QByteArray("[Recording]\nTrendSpanMin=1\n") << 1;
    QTest::newRow("60") << QByteArray("[Recording]\nTrendSpanMin=60\n") << 60;
    QTest::newRow("empty") << QByteArray("[Recording]\nTrendSpanMin=\n") << 10;
    QTest::newRow("word") << QByteArray("[Recording]\nTrendSpanMin=abc\n") << 10;
    QTest::newRow("not a choice") << QByteArray("[Recording]\nTrendSpanMin=5\n") << 10;
    QTest::newRow("zero") << QByteArray("[Recording]\nTrendSpanMin=0\n") << 10;
    QTest::newRow("negative") << QByteArray("[Recording]\nTrendSpanMin=-60\n") << 10;
    QTest::newRow("fraction") << QByteArray("[Recording]\nTrendSpanMin=1.5\n") << 10;
    QTest::newRow("list") << QByteArray("[Recording]\nTrendSpanMin=1, 60\n") << 10;
    QTest::newRow("too large") << QByteArray("[Recording]\nTrendSpanMin=4294967356\n") << 10;
}

void TestTrendWindow::storedSpan() {
    QFETCH(QByteArray, group);
    QFETCH(int, minutes);
    QSettings settings(iniWith(group), QSettings::IniFormat);
    TrendHistory history;
    TrendWindow window(&history, &settings);
    QCOMPARE(window.spanMinutes(), minutes);
    QCOMPARE(window.findChild<QComboBox*>(QStringLiteral("comboBoxTrendSpan"))->currentData().toInt(),
             minutes);
    // The value in effect replaces the garbage in the file.
    settings.sync();
    QCOMPARE(QSettings(settings.fileName(), QSettings::IniFormat).value("Recording/TrendSpanMin").toInt(),
             minutes);
}

void TestTrendWindow::spanChoiceIsKept() {
    QSettings settings(dir.filePath(QStringLiteral("choice.ini")), QSettings::IniFormat);
    TrendHistory history;
    {
        TrendWindow window(&history, &settings);
        auto* box = window.findChild<QComboBox*>(QStringLiteral("comboBoxTrendSpan"));
        box->setCurrentIndex(box->findData(60));
    }
    TrendWindow again(&history, &settings);
    QCOMPARE(again.spanMinutes(), 60);
}

void TestTrendWindow::showsMeasuredChannelsOnce() {
    QSettings settings(dir.filePath(QStringLiteral("channels.ini")), QSettings::IniFormat);
    TrendHistory history;
    useTestClock(history);
    // Channel 5 was measured 15 minutes ago only: outside the 10-minute span.
    history.append(record(1, nowMs - 15 * 60000, {{5, 1.0}}));
    // Channels 1 and 3 over two configurations: one legend entry each.
    history.append(record(2, nowMs - 4000, {{1, 10.0}, {3, -2.5}}));
    history.append(record(2, nowMs - 3000, {{1, 14.0}, {3, -2.5}}));
    history.append(record(3, nowMs - 2000, {{1, 12.0}, {3, -3.5}}));
    history.append(record(3, nowMs - 1000, {{1, 20.0}, {3, -3.5}}));

    TrendWindow window(&history, &settings);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.redraw();

    auto* plot = window.findChild<QwtPlot*>(QStringLiteral("plotTrend"));
    QCOMPARE(shownCurves(plot), (QStringList{"1", "3"}));
    QCOMPARE(plot->legend()->findChildren<QwtLegendLabel*>().size(), 2);

    // The new configuration is a gap in channel 1's line.
    QwtPlotCurve* line = curve(plot, 1);
    QCOMPARE(int(line->dataSize()), 5);
    QVERIFY(std::isnan(line->sample(2).y()));

    // The y axis follows the data: every reading inside, the scale not much wider.
    const QwtInterval y = plot->axisInterval(QwtPlot::yLeft);
    QVERIFY(y.minValue() <= -3.5 && y.maxValue() >= 20.0);
    QVERIFY(y.width() < 2 * (20.0 + 3.5));

    auto* table = window.findChild<QTableWidget*>(QStringLiteral("tableWidgetTrendStatistics"));
    QCOMPARE(table->rowCount(), 2);
    QCOMPARE(tableRow(table, 0), (QStringList{"1", "20.000", "10.000", "20.000", "14.000"}));
    QCOMPARE(tableRow(table, 1), (QStringList{"3", "-3.500", "-3.500", "-2.500", "-3.000"}));
}

void TestTrendWindow::decimatesToPixelColumns() {
    QSettings settings(dir.filePath(QStringLiteral("decimate.ini")), QSettings::IniFormat);
    TrendHistory history;
    useTestClock(history);
    // Ten minutes at 10 records a second, one spike each way.
    const qint64 start = nowMs - 10 * 60000 + 100;
    for (qint64 t = start; t <= nowMs; t += 100) {
        const double mV = t == start + 123400 ? 900.0 : t == start + 400000 ? -700.0 : double(t % 7);
        history.append(record(1, t, {{1, mV}}));
    }
    TrendWindow window(&history, &settings);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.redraw();

    auto* plot = window.findChild<QwtPlot*>(QStringLiteral("plotTrend"));
    QwtPlotCurve* line = curve(plot, 1);
    const int width = plot->canvas()->width();
    QVERIFY(int(line->dataSize()) <= 2 * width + 1);
    QVERIFY(int(line->dataSize()) < 6000);
    double low = INFINITY, high = -INFINITY;
    for (size_t i = 0; i < line->dataSize(); ++i) {
        low = std::min(low, line->sample(i).y());
        high = std::max(high, line->sample(i).y());
    }
    QCOMPARE(low, -700.0);
    QCOMPARE(high, 900.0);
}

void TestTrendWindow::resetClearsHistoryAndTable() {
    QSettings settings(dir.filePath(QStringLiteral("reset.ini")), QSettings::IniFormat);
    TrendHistory history;
    useTestClock(history);
    history.append(record(1, nowMs - 1000, {{2, 1.0}, {7, 2.0}}));
    TrendWindow window(&history, &settings);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.redraw();
    auto* table = window.findChild<QTableWidget*>(QStringLiteral("tableWidgetTrendStatistics"));
    QCOMPARE(table->rowCount(), 2);

    auto* reset = window.findChild<QPushButton*>(QStringLiteral("pushButtonTrendReset"));
    QCOMPARE(reset->text(), QStringLiteral("Сбросить"));
    reset->click();
    QVERIFY(history.channels().isEmpty());
    // The window's own redraw timer shows it.
    QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), 0, 10000);
    QCOMPARE(shownCurves(window.findChild<QwtPlot*>(QStringLiteral("plotTrend"))), QStringList());
}

QTEST_MAIN(TestTrendWindow)
#include "test_trend_window.moc"
