// The trend window's span: read from vernier.ini whatever it holds, written
// back as the value in effect, and kept when the operator chooses another.
#include <QtTest>
#include <QtWidgets>

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
};

QTEST_MAIN(TestTrendWindow)
#include "test_trend_window.moc"
