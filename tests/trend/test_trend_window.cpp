// The trend window: its span as read from vernier.ini whatever it holds,
// written back and kept when chosen; the chart, statistics and reset.
#include <QtTest>
#include <QtWidgets>
#include <cmath>
#include <qwt_abstract_legend.h>
#include <qwt_legend_label.h>
#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>

#include "trend_history.h"
#include "trend_window.h"

class TestTrendWindow : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void storedSpan_data() {
        QTest::addColumn<QByteArray>("value"); // of TrendSpanMin; "-": no key
        QTest::addColumn<int>("minutes");
        // clang-format off
        QTest::newRow("missing")      << QByteArray("-") << 10;
        QTest::newRow("1")            << QByteArray("1") << 1;
        QTest::newRow("60")           << QByteArray("60") << 60;
        QTest::newRow("empty")        << QByteArray("") << 10;
        QTest::newRow("word")         << QByteArray("abc") << 10;
        QTest::newRow("not a choice") << QByteArray("5") << 10;
        QTest::newRow("zero")         << QByteArray("0") << 10;
        QTest::newRow("negative")     << QByteArray("-60") << 10;
        QTest::newRow("fraction")     << QByteArray("1.5") << 10;
        QTest::newRow("list")         << QByteArray("1, 60") << 10;
        QTest::newRow("too large")    << QByteArray("4294967356") << 10;
        // clang-format on
    }
    void storedSpan() {
        QFETCH(QByteArray, value);
        QFETCH(int, minutes);
        QFile file(dir.filePath(QStringLiteral("vernier-%1.ini").arg(QTest::currentDataTag())));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Global]\nDisplayUpdateMs=500\n" +
                   (value == "-" ? "" : "[Recording]\nTrendSpanMin=" + value + "\n"));
        file.close();
        QSettings settings(file.fileName(), QSettings::IniFormat);
        TrendHistory history;
        auto window = std::make_unique<TrendWindow>(&history, &settings);
        auto* box = window->findChild<QComboBox*>(QStringLiteral("comboBoxTrendSpan"));
        QCOMPARE(window->spanMinutes(), minutes);
        QCOMPARE(box->currentData().toInt(), minutes);
        settings.sync();
        QCOMPARE(QSettings(file.fileName(), QSettings::IniFormat).value("Recording/TrendSpanMin").toInt(),
                 minutes);

        box->setCurrentIndex(box->findData(minutes == 60 ? 1 : 60));
        window = std::make_unique<TrendWindow>(&history, &settings);
        QCOMPARE(window->spanMinutes(), minutes == 60 ? 1 : 60);
    }

    // One curve and one legend entry per channel measured in the span, a
    // gap at a new configuration, the y axis around the data, the statistics
    // table, lines thinned to the canvas's columns with spikes kept; reset
    // empties the history and, at the next redraw, the window.
    void chart() {
        QSettings settings(dir.filePath(QStringLiteral("chart.ini")), QSettings::IniFormat);
        TrendHistory history;
        const qint64 now = 3600 * 1000;
        history.setClock([now] { return now; });
        // Readings in mV, shown with 3 decimals.
        const auto add = [&history](quint64 serial, qint64 t, const QVector<QPair<int, double>>& readings) {
            PassRecord r;
            r.config.serial = serial;
            r.monotonicMs = t;
            for (const auto& v : readings) {
                ChannelReading reading;
                reading.number = v.first;
                reading.volts = v.second / 1000;
                reading.decimals = 3;
                r.readings.append(reading);
            }
            history.append(r);
        };
        add(1, now - 15 * 60000, {{5, 1.0}});                              // outside the 10-minute span
        for (qint64 t = now - 10 * 60000 + 100; t <= now - 5000; t += 100) // 10 a second, one spike each way
            add(2, t, {{1, t == now - 400000 ? 900.0 : t == now - 200000 ? -700.0 : double(t % 7)}});
        add(3, now - 2000, {{1, 12.0}, {3, -3.5}});
        add(3, now - 1000, {{1, 20.0}, {3, -2.5}});
        TrendWindow window(&history, &settings);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.redraw();
        auto* plot = window.findChild<QwtPlot*>(QStringLiteral("plotTrend"));
        QStringList titles;
        QwtPlotCurve* line = nullptr;
        for (QwtPlotItem* item : plot->itemList(QwtPlotItem::Rtti_PlotCurve))
            if (item->isVisible() && item->testItemAttribute(QwtPlotItem::Legend)) {
                titles << item->title().text();
                line = titles.size() == 1 ? static_cast<QwtPlotCurve*>(item) : line;
            }
        QCOMPARE(titles, (QStringList{"1", "3"}));
        QCOMPARE(plot->legend()->findChildren<QwtLegendLabel*>().size(), 2);
        QVERIFY(int(line->dataSize()) <= 2 * plot->canvas()->width() + 3);
        QList<double> ys;
        for (size_t i = 0; i < line->dataSize(); ++i)
            ys << line->sample(i).y();
        QVERIFY(std::isnan(ys[ys.size() - 3]) && ys.contains(900) && ys.contains(-700) && ys.last() == 20);
        const QwtInterval y = plot->axisInterval(QwtPlot::yLeft);
        QVERIFY(y.minValue() <= -700 && y.maxValue() >= 900 && y.width() < 2 * 1600);
        auto* table = window.findChild<QTableWidget*>(QStringLiteral("tableWidgetTrendStatistics"));
        QStringList rows;
        for (int r = 0; r < table->rowCount(); ++r)
            for (int c = 0; c < table->columnCount(); ++c)
                rows << table->item(r, c)->text();
        QCOMPARE(rows.mid(5).join(' '), QStringLiteral("3 -2.500 -3.500 -2.500 -3.000"));
        QCOMPARE(rows.mid(0, 4).join(' '), QStringLiteral("1 20.000 -700.000 900.000"));

        auto* reset = window.findChild<QPushButton*>(QStringLiteral("pushButtonTrendReset"));
        QCOMPARE(reset->text(), QStringLiteral("Сбросить"));
        reset->click();
        QVERIFY(history.channels().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), 0, 10000);
    }
};

QTEST_MAIN(TestTrendWindow)
#include "test_trend_window.moc"
