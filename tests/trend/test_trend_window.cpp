// The trend window: its span as read from vernier.ini whatever it holds,
// written back and kept when chosen; the chart, statistics and reset; its
// place beside the main window.
#include <QtTest>
#include <QtWidgets>
#include <cmath>
#include <qwt_legend.h>
#include <qwt_legend_label.h>
#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>

#include "trend_history.h"
#include "trend_window.h"
#include "trend_window_placement.h"
#include "trend_window_scale_draw.h"

class TestTrendWindow : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void storedSpan() {
        struct Case {
            const char* value; // of TrendSpanMin; nullptr: no key
            int minutes;
        };
        const Case cases[] = {{nullptr, 10}, {"1", 1}, {"60", 60}, {"abc", 10}, {"5", 10}, {"1, 60", 10}};
        for (const Case& c : cases) {
            const QString path = dir.filePath(QStringLiteral("span-%1.ini").arg(c.value ? c.value : ""));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(c.value ? QByteArray("[Recording]\nTrendSpanMin=") + c.value + "\n" : QByteArray());
            file.close();
            QSettings settings(path, QSettings::IniFormat);
            TrendHistory history;
            auto window = std::make_unique<TrendWindow>(&history, &settings);
            auto* box = window->findChild<QComboBox*>(QStringLiteral("comboBoxTrendSpan"));
            QCOMPARE(box->currentData().toInt(), c.minutes);
            settings.sync();
            QCOMPARE(QSettings(path, QSettings::IniFormat).value("Recording/TrendSpanMin").toInt(),
                     c.minutes);
            box->setCurrentIndex(box->findData(c.minutes == 60 ? 1 : 60));
            window = std::make_unique<TrendWindow>(&history, &settings);
            QCOMPARE(window->spanMinutes(), c.minutes == 60 ? 1 : 60);
        }
    }

    // One curve and one legend entry per channel measured in the 10-minute
    // span, in channel order; a gap at a new configuration; the y axis
    // around the data; lines thinned to the canvas's columns with spikes
    // kept.  Each table row says AC or DC, and after an AC -> DC switch its
    // statistics are of the DC readings only.  Reset empties it all.
    void chart() {
        QSettings settings(dir.filePath(QStringLiteral("chart.ini")), QSettings::IniFormat);
        TrendHistory history;
        const qint64 now = 3600 * 1000;
        history.setClock([now] { return now; });
        // Channels measured (AC or DC) and their readings in mV; NaN: none.
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
                if (!std::isnan(mV[i]))
                    r.readings.append(reading);
            }
            history.append(r);
        };
        const ChannelConfig ac2{2, false, 0}, dc2{2, true, 0}, ac3{3, false, 0};
        add(1, 15 * 60000, {{5, false, 0}}, {1.0});                  // outside the span
        for (qint64 age = 10 * 60000 - 100; age >= 5000; age -= 100) // 10 a second, one spike each way
            add(2, age, {ac3}, {age == 400000 ? 900.0 : age == 200000 ? -700.0 : double(age % 7)});
        // clang-format off
        add(3, 4500, {ac2, ac3}, {3299.866, NAN});
        add(3, 4000, {ac2, ac3}, {3299.5,   NAN});
        add(4, 3000, {dc2, ac3}, {0.1,      12});
        add(4, 2000, {dc2, ac3}, {-0.3,     NAN});
        add(4, 1000, {dc2, ac3}, {0.5,      20});
        // clang-format on
        TrendWindow window(&history, &settings);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.redraw();
        auto* plot = window.findChild<QwtPlot*>(QStringLiteral("plotTrend"));
        QCOMPARE(plot->itemList(QwtPlotItem::Rtti_PlotGrid).size(), 1);
        QCOMPARE(plot->axisScaleDraw(QwtPlot::yLeft)->label(1400).text(), QStringLiteral("1 400"));
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
        QVERIFY(std::isnan(ys[ys.size() - 3]) && ys.contains(900) && ys.contains(-700) && ys.last() == 20);
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

        window.findChild<QPushButton*>(QStringLiteral("pushButtonTrendReset"))->click();
        QVERIFY(history.channels().isEmpty());
        window.redraw();
        QCOMPARE(table->rowCount(), 0);
        QCOMPARE(entries->count(), 0);
    }

    // The value axis writes numbers as the fields do, whatever the locale.
    void axisNumbers() {
        struct Case {
            double value;
            const char* expected;
        };
        // clang-format off
        const Case cases[] = {
            {1400,                "1 400"},
            {-1e-13,              "0"},
            {0.30000000000000004, "0.3"},
            {999,                 "999"},
            {-12500.25,           "-12 500.25"},
            {1234567,             "1 234 567"},
            {0.000125,            "0.000125"},
        };
        // clang-format on
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        for (const Case& c : cases)
            QCOMPARE(TrendWindowScaleDraw::numberText(c.value), QString::fromUtf8(c.expected));
        QLocale::setDefault(QLocale::c());
    }

    // Beside the main window where the screen has room, else over its right
    // half; never off the screen, never under the minimum.
    void placement() {
        struct Case {
            const char* name;
            QRect main;
            QSize wanted, minimum;
            QRect available, expected;
        };
        // clang-format off
        const Case cases[] = {
            {"right, narrower than asked", {0, 0, 900, 700},     {1200, 650}, {700, 400}, {0, 0, 1920, 1080},    {900, 0, 1020, 650}},
            {"left when right is short",   {1500, 50, 900, 700}, {1200, 650}, {700, 400}, {0, 0, 2560, 1440},    {300, 50, 1200, 650}},
            {"narrow: its right half",     {0, 0, 900, 700},     {1200, 650}, {700, 400}, {0, 0, 1280, 1024},    {450, 0, 830, 650}},
            {"narrower: minimum kept",     {0, 0, 702, 500},     {1200, 650}, {700, 400}, {0, 0, 800, 600},      {100, 0, 700, 600}},
            {"level, but on the screen",   {100, 900, 900, 500}, {1200, 650}, {700, 400}, {0, 0, 2560, 1440},    {1000, 790, 1200, 650}},
            {"second screen",              {2000, 100, 900, 700}, {1200, 650}, {700, 400}, {1920, 0, 1920, 1080}, {2900, 100, 940, 650}},
            {"panel at the top",           {0, 0, 900, 700},     {800, 650},  {700, 400}, {0, 30, 1920, 1050},   {900, 30, 800, 650}},
        };
        // clang-format on
        for (const Case& c : cases)
            QVERIFY2(TrendWindowPlacement::place(c.main, c.wanted, c.minimum, c.available) == c.expected,
                     c.name);
    }

    // Without a window manager the window no longer opens at 0,0 over the
    // main window: at its first show it takes the place computed above, and
    // a later show leaves it where it was put.
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