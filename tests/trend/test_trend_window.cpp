// The trend window: its span setting; the chart, statistics and reset; its
// place beside the main window.
#include <QtTest>
#include <QtWidgets>
#include <cmath>
#include <qwt_legend.h>
#include <qwt_legend_label.h>
#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>

#include "message_log.h"
#include "trend_history.h"
#include "trend_window.h"
#include "trend_window_placement.h"
#include "trend_window_scale_draw.h"

class TestTrendWindow : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    // The span as read from vernier.ini whatever it holds (an INI list
    // too), written back, and kept when chosen.
    void storedSpan() {
        const QByteArray texts[] = {"TrendSpanMin=60", "TrendSpanMin=5", "TrendSpanMin=1, 60", "Other=1"};
        for (const QByteArray& text : texts) {
            QFile file(dir.filePath(QString::fromLatin1(text.toHex() + ".ini")));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("[Recording]\n" + text + "\n") > 0);
            file.close();
            QSettings settings(file.fileName(), QSettings::IniFormat);
            TrendHistory history;
            const int minutes = text.endsWith("=60") ? 60 : 10;
            TrendWindow window(&history, &settings);
            QCOMPARE(window.spanMinutes(), minutes);
            QCOMPARE(settings.value("Recording/TrendSpanMin").toInt(), minutes);
            auto* box = window.findChild<QComboBox*>(QStringLiteral("comboBoxTrendSpan"));
            box->setCurrentIndex(box->findData(minutes == 60 ? 1 : 60));
            QCOMPARE(TrendWindow(&history, &settings).spanMinutes(), minutes == 60 ? 1 : 60);
        }
    }

    // A curve and legend entry per channel in the span, in channel order; a
    // gap at a new configuration; the y axis around the data; lines thinned
    // to the canvas with spikes kept; rows of AC or DC, statistics of the
    // DC part after an AC -> DC switch.  Reset empties it all.
    void chart() {
        QSettings settings(dir.filePath(QStringLiteral("chart.ini")), QSettings::IniFormat);
        TrendHistory history;
        const qint64 now = 3600 * 1000;
        history.setClock([now] { return now; });
        // Channels measured (AC or DC) and their readings in mV.
        const auto add = [&](quint64 serial, qint64 age, QVector<ChannelConfig> channels,
                             QVector<double> mV) {
            PassRecord r;
            r.config = {serial, 20000, 0, channels};
            r.device = QStringLiteral("SIM-0001");
            r.monotonicMs = now - age;
            for (int i = 0; i < channels.size(); ++i) {
                ChannelReading reading;
                reading.number = channels[i].number;
                reading.volts = mV[i] / 1000;
                r.readings.append(reading);
            }
            history.append(r);
        };
        const ChannelConfig ac2{2, false, 0}, dc2{2, true, 0}, ac3{3, false, 0};
        add(1, 15 * 60000, {{5, false, 0}}, {1.0});                  // outside the span
        for (qint64 age = 10 * 60000 - 100; age >= 5000; age -= 100) // 10 a second, one spike each way
            add(2, age, {ac3}, {age == 400000 ? 900.0 : age == 200000 ? -700.0 : double(age % 7)});
        // clang-format off
        add(3, 4500, {ac2, ac3}, {3299.866, 11});
        add(3, 4000, {ac2, ac3}, {3299.5,   12});
        add(4, 3000, {dc2, ac3}, {-0.3,     13});
        add(4, 2000, {dc2, ac3}, {0.1,      14});
        add(4, 1000, {dc2, ac3}, {0.5,      20});
        // clang-format on
        TrendWindow window(&history, &settings);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.redraw();
        auto* plot = window.findChild<QwtPlot*>(QStringLiteral("plotTrend"));
        QCOMPARE(plot->itemList(QwtPlotItem::Rtti_PlotGrid).size(), 1);
        // The value axis writes numbers as the fields do, whatever the locale.
        QCOMPARE(plot->axisScaleDraw(QwtPlot::yLeft)->label(-12500.25).text(), QStringLiteral("-12 500.25"));
        QCOMPARE(TrendWindowScaleDraw::numberText(-1e-13), QStringLiteral("0"));
        QLayout* entries = static_cast<QwtLegend*>(plot->legend())->contentsWidget()->layout();
        const auto legend = [entries] {
            QStringList titles;
            for (int i = 0; i < entries->count(); ++i)
                if (auto* label = qobject_cast<QwtLegendLabel*>(entries->itemAt(i)->widget()))
                    titles << label->text().text();
            return titles;
        };
        QCOMPARE(legend(), (QStringList{"2", "3"}));
        const auto* line = static_cast<QwtPlotCurve*>(plot->itemList(QwtPlotItem::Rtti_PlotCurve)[2]);
        QVERIFY(int(line->dataSize()) <= 2 * plot->canvas()->width() + 3);
        QList<double> ys;
        for (size_t i = 0; i < line->dataSize(); ++i)
            ys << line->sample(i).y();
        QVERIFY(std::isnan(ys[ys.size() - 4]) && ys.contains(900) && ys.contains(-700) && ys.last() == 20);
        const QwtInterval y = plot->axisInterval(QwtPlot::yLeft);
        QVERIFY(y.minValue() <= -700 && y.maxValue() >= 3299.866 && y.width() < 2 * 4000);
        auto* table = window.findChild<QTableWidget*>(QStringLiteral("tableWidgetTrendStatistics"));
        QStringList rows;
        for (int r = 0; r < table->rowCount(); ++r)
            for (int c = 0; c < table->columnCount(); ++c)
                rows << table->item(r, c)->text();
        QCOMPARE(rows.mid(0, 11).join(' '),
                 QStringLiteral("2 DC 0.500 -0.300 0.500 0.100 3 AC 20.000 -700.000 900.000"));
        // A channel that joins later takes its place in channel order.
        add(5, 0, {{1, false, 0}}, {1});
        window.redraw();
        QCOMPARE(legend(), (QStringList{"1", "2", "3"}));
        MessageLog::install(); // its one reading is a dot, drawn leaving the painter as it was
        plot->grab();
        QCOMPARE(MessageLog::texts(QtWarningMsg), QStringList());

        window.findChild<QPushButton*>(QStringLiteral("pushButtonTrendReset"))->click();
        QVERIFY(history.channels().isEmpty());
        window.redraw();
        QCOMPARE(table->rowCount(), 0);
        QCOMPARE(entries->count(), 0);
    }

    // Without a window manager too, its first show puts it beside the main
    // window, not at 0,0 over it; a later show leaves it where it was put.
    void opensBesideMainWindow() {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QSettings settings(dir.filePath(QStringLiteral("place.ini")), QSettings::IniFormat);
        TrendHistory history;
        QWidget main;
        main.setGeometry(screen.x(), screen.y(), 40, screen.height() / 2);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        auto* window = new TrendWindow(&history, &settings, &main);
        const QSize wanted = window->size();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        const QSize frame = main.frameGeometry().size() - main.size(); // the platform's, the same for both
        const QRect got = window->frameGeometry();
        QCOMPARE(got, TrendWindowPlacement::place(main.frameGeometry(), wanted + frame,
                                                  window->minimumSizeHint() + frame, screen));
        QCOMPARE(got.topLeft(), main.frameGeometry().topRight() + QPoint(1, 0));
        window->hide();
        window->move(screen.topLeft() + QPoint(10, 20));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCOMPARE(window->pos(), screen.topLeft() + QPoint(10, 20));
    }
};

QTEST_MAIN(TestTrendWindow)
#include "test_trend_window.moc"