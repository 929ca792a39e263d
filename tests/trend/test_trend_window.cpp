// The trend window: its span as read from vernier.ini whatever it holds,
// written back and kept when chosen; the chart, statistics and reset.
#include <QtTest>
#include <QtWidgets>
#include <cmath>
#include <qwt_abstract_legend.h>
#include <qwt_legend.h>
#include <qwt_legend_label.h>
#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>

#include "trend_history.h"
#include "trend_window.h"
#include "trend_window_palette.h"
#include "trend_window_placement.h"
#include "trend_window_scale_draw.h"

namespace {

// CIELAB (D65) of an sRGB colour, for distances that follow what the eye
// tells apart better than RGB ones do.
std::array<double, 3> lab(const QColor& color) {
    const auto linear = [](double v) {
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    const double r = linear(color.redF()), g = linear(color.greenF()), b = linear(color.blueF());
    const double x = (0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047;
    const double y = 0.2126 * r + 0.7152 * g + 0.0722 * b;
    const double z = (0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883;
    const auto f = [](double t) { return t > 216.0 / 24389 ? std::cbrt(t) : (24389.0 / 27 * t + 16) / 116; };
    return {116 * f(y) - 16, 500 * (f(x) - f(y)), 200 * (f(y) - f(z))};
}

double distance(const QColor& a, const QColor& b) {
    const auto p = lab(a), q = lab(b);
    return std::sqrt((p[0] - q[0]) * (p[0] - q[0]) + (p[1] - q[1]) * (p[1] - q[1]) +
                     (p[2] - q[2]) * (p[2] - q[2]));
}

} // namespace

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
        QCOMPARE(rows.mid(6).join(' '), QStringLiteral("3  -2.500 -3.500 -2.500 -3.000"));
        QCOMPARE(rows.mid(0, 5).join(' '), QStringLiteral("1  20.000 -700.000 900.000"));

        auto* reset = window.findChild<QPushButton*>(QStringLiteral("pushButtonTrendReset"));
        QCOMPARE(reset->text(), QStringLiteral("Сбросить"));
        reset->click();
        QVERIFY(history.channels().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), 0, 10000);
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
            {0.5,                 "0.5"},
            {0,                   "0"},
            {-1e-13,              "0"},
            {0.30000000000000004, "0.3"},
            {999,                 "999"},
            {-1000,               "-1 000"},
            {-12500.25,           "-12 500.25"},
            {1234567,             "1 234 567"},
            {-100,                "-100"},
            {0.000125,            "0.000125"},
            {10000.5,             "10 000.5"},
        };
        // clang-format on
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        for (const Case& c : cases)
            QCOMPARE(TrendWindowScaleDraw::numberText(c.value), QString::fromUtf8(c.expected));
        // And the chart's own axis uses it.
        QSettings settings(dir.filePath(QStringLiteral("axis.ini")), QSettings::IniFormat);
        TrendHistory history;
        TrendWindow window(&history, &settings);
        auto* plot = window.findChild<QwtPlot*>(QStringLiteral("plotTrend"));
        QCOMPARE(plot->axisScaleDraw(QwtPlot::yLeft)->label(1400).text(), QStringLiteral("1 400"));
        QLocale::setDefault(QLocale::c());
    }

    // 32 lines told apart: any two colours at least 20 apart in CIELAB
    // (the old golden-angle hues came as close as 6.6), each at least 25
    // from the white canvas, and the curves drawn in them.
    void palette() {
        for (int a = 1; a <= 32; ++a) {
            const QColor ca = TrendWindowPalette::channelColor(a);
            QVERIFY2(distance(ca, Qt::white) >= 25, qPrintable(QString::number(a)));
            for (int b = a + 1; b <= 32; ++b)
                QVERIFY2(distance(ca, TrendWindowPalette::channelColor(b)) >= 20,
                         qPrintable(QStringLiteral("%1 %2").arg(a).arg(b)));
        }
        QSettings settings(dir.filePath(QStringLiteral("palette.ini")), QSettings::IniFormat);
        TrendHistory history;
        TrendWindow window(&history, &settings);
        auto* plot = window.findChild<QwtPlot*>(QStringLiteral("plotTrend"));
        QSet<QRgb> colours;
        for (QwtPlotItem* item : plot->itemList(QwtPlotItem::Rtti_PlotCurve))
            colours.insert(static_cast<QwtPlotCurve*>(item)->pen().color().rgb());
        QCOMPARE(colours.size(), 32);
    }

    // Beside the main window where the screen has room, else over its right
    // half; never off the screen, never under the minimum.
    void placement() {
        struct Case {
            const char* name;
            QRect main;
            QSize wanted;
            QSize minimum;
            QRect available;
            QRect expected;
        };
        // clang-format off
        const Case cases[] = {
            {"right of it",               {100, 50, 900, 700},  {1200, 650}, {700, 400}, {0, 0, 2560, 1440},    {1000, 50, 1200, 650}},
            {"right, narrower than asked", {0, 0, 900, 700},    {1200, 650}, {700, 400}, {0, 0, 1920, 1080},    {900, 0, 1020, 650}},
            {"left when right is short",  {1500, 50, 900, 700}, {1200, 650}, {700, 400}, {0, 0, 2560, 1440},    {300, 50, 1200, 650}},
            {"narrow: its right half",    {0, 0, 900, 700},     {1200, 650}, {700, 400}, {0, 0, 1280, 1024},    {450, 0, 830, 650}},
            {"narrower: minimum kept",    {0, 0, 702, 500},     {1200, 650}, {700, 400}, {0, 0, 800, 600},      {100, 0, 700, 600}},
            {"level, but on the screen",  {100, 900, 900, 500}, {1200, 650}, {700, 400}, {0, 0, 2560, 1440},    {1000, 790, 1200, 650}},
            {"second screen",             {2000, 100, 900, 700}, {1200, 650}, {700, 400}, {1920, 0, 1920, 1080}, {2900, 100, 940, 650}},
            {"panel at the top",          {0, 0, 900, 700},     {800, 650},  {700, 400}, {0, 30, 1920, 1050},   {900, 30, 800, 650}},
        };
        // clang-format on
        for (const Case& c : cases) {
            const QRect got = TrendWindowPlacement::place(c.main, c.wanted, c.minimum, c.available);
            QVERIFY2(got == c.expected, qPrintable(QStringLiteral("%1: %2,%3 %4x%5")
                                                       .arg(c.name)
                                                       .arg(got.x())
                                                       .arg(got.y())
                                                       .arg(got.width())
                                                       .arg(got.height())));
            QVERIFY2(c.available.contains(got), c.name);
        }
    }

    // Without a window manager the window no longer opens at 0,0 over the
    // main window: at its first show it takes the place computed above, and
    // a later show leaves it where it was put.
    void opensBesideMainWindow() {
        struct Case {
            const char* name;
            int mainWidth; // px, at the screen's top left
            bool beside;   // else over the main window's right half (or as near as the minimum allows)
        };
        // clang-format off
        const Case cases[] = {
            {"room on the right", 40,  true},
            {"too narrow",        500, false},
        };
        // clang-format on
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        for (const Case& c : cases) {
            QSettings settings(dir.filePath(QStringLiteral("place.ini")), QSettings::IniFormat);
            TrendHistory history;
            QWidget main;
            main.setGeometry(screen.x(), screen.y(), c.mainWidth, screen.height() / 2);
            main.show();
            QVERIFY(QTest::qWaitForWindowExposed(&main));
            auto* window = new TrendWindow(&history, &settings, &main);
            const QSize wanted = window->size();
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            // The platform's frame, the same for both windows.
            const QSize frame = main.frameGeometry().size() - main.size();
            const QRect got = window->frameGeometry();
            QVERIFY2(got == TrendWindowPlacement::place(main.frameGeometry(), wanted + frame,
                                                        window->minimumSizeHint() + frame, screen),
                     c.name);
            QVERIFY2(screen.contains(got) && got.top() == main.frameGeometry().top(), c.name);
            if (c.beside)
                QVERIFY2(got.left() == main.frameGeometry().right() + 1, c.name);
            else
                QVERIFY2(got.left() > screen.left() && got.left() <= main.frameGeometry().center().x() &&
                             got.right() == screen.right(),
                         c.name);
            // Shown again, it stays where it was put.
            window->hide();
            window->move(screen.topLeft() + QPoint(10, 20));
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            QVERIFY2(window->pos() == screen.topLeft() + QPoint(10, 20), c.name);
        }
    }

    // The headers carry the unit, and each row says AC or DC: after an
    // AC -> DC switch the statistics are of the DC readings only, while the
    // line still shows both.
    void statisticsTable() {
        QSettings settings(dir.filePath(QStringLiteral("table.ini")), QSettings::IniFormat);
        TrendHistory history;
        const qint64 now = 3600 * 1000;
        history.setClock([now] { return now; });
        struct Pass {
            qint64 ageMs;
            bool dc;
            double mV;
        };
        // clang-format off
        const Pass passes[] = {
            {5000, false, 3299.866},
            {4000, false, 3299.5},
            {3000, true,  0.1},
            {2000, true,  -0.3},
            {1000, true,  0.5},
        };
        // clang-format on
        quint64 serial = 0;
        bool lastDc = false;
        for (const Pass& p : passes) {
            PassRecord r;
            serial += p.dc != lastDc ? 1 : 0;
            lastDc = p.dc;
            r.config = {serial, 20000, 1, {{2, p.dc, 0}}};
            r.device = QStringLiteral("SIM-0001");
            r.monotonicMs = now - p.ageMs;
            ChannelReading reading;
            reading.number = 2;
            reading.volts = p.mV / 1000;
            reading.decimals = 3;
            r.readings = {reading};
            history.append(r);
        }
        TrendWindow window(&history, &settings);
        window.redraw();
        auto* table = window.findChild<QTableWidget*>(QStringLiteral("tableWidgetTrendStatistics"));
        QStringList headers;
        for (int c = 0; c < table->columnCount(); ++c)
            headers << table->horizontalHeaderItem(c)->text();
        QCOMPARE(headers, (QStringList{"Канал", "Вид", "Последнее,\nмВ", "Минимум,\nмВ", "Максимум,\nмВ",
                                       "Среднее,\nмВ"}));
        QCOMPARE(table->rowCount(), 1);
        QStringList row;
        for (int c = 0; c < table->columnCount(); ++c)
            row << table->item(0, c)->text();
        QCOMPARE(row, (QStringList{"2", "DC", "0.500", "-0.300", "0.500", "0.100"}));
        // A channel that joins later takes its place in channel order in the
        // legend.
        PassRecord later;
        later.config = {9, 20000, 1, {{1, false, 0}, {2, true, 0}}};
        later.device = QStringLiteral("SIM-0001");
        later.monotonicMs = now;
        for (int ch : {1, 2}) {
            ChannelReading reading;
            reading.number = ch;
            reading.volts = 0.001;
            later.readings.append(reading);
        }
        history.append(later);
        window.redraw();
        QStringList legend;
        QLayout* entries =
            static_cast<QwtLegend*>(window.findChild<QwtPlot*>(QStringLiteral("plotTrend"))->legend())
                ->contentsWidget()
                ->layout();
        for (int i = 0; i < entries->count(); ++i)
            if (auto* label = qobject_cast<QwtLegendLabel*>(entries->itemAt(i)->widget()))
                legend << label->text().text();
        QCOMPARE(legend, (QStringList{"1", "2"}));
        // A channel that leaves the span leaves the legend.
        history.reset();
        window.redraw();
        QCOMPARE(entries->count(), 0);
    }
};

QTEST_MAIN(TestTrendWindow)
#include "test_trend_window.moc"
