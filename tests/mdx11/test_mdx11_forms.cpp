// The driver's forms as built by createWidgets, the all-channels box, the
// widening of the reading fields, the method table, and the named
// parameters.

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMetaMethod>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QtTest>

#include "driver_harness.h"

class TestMdx11Forms : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { MessageLog::install(); }
    void channelRows_data();
    void channelRows();
    void creationOrder_data();
    void creationOrder();
    void settingsForm();
    void optionsAndInfoForms();
    void rangeItemsAgree();
    void nullHosts_data();
    void nullHosts();
    void customCheckBox_data();
    void customCheckBox();
    void lineEditsOnlyGrow_data();
    void lineEditsOnlyGrow();
    void methodTable();
    void pixmapIsTheModuleIcon();
    void setParameter_data();
    void setParameter();
    void checkParameter_data();
    void checkParameter();
};

namespace {
QPair<int, int> gridPosition(QWidget* w) {
    auto* grid = qobject_cast<QGridLayout*>(w->parentWidget()->layout());
    int row = -1, column = -1, rowSpan = 0, columnSpan = 0;
    if (grid) {
        const int index = grid->indexOf(w);
        if (index >= 0)
            grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
    }
    return {row, column};
}

DriverHarness::Options unthreadedWithoutSettings() {
    DriverHarness::Options o;
    o.threaded = false;
    o.settings = false;
    return o;
}
} // namespace

void TestMdx11Forms::channelRows_data() {
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("firstColumn");
    QTest::newRow("1") << 1 << 0 << 0;
    QTest::newRow("9") << 9 << 8 << 0;
    QTest::newRow("16") << 16 << 15 << 0;
    QTest::newRow("17") << 17 << 0 << 8;
    QTest::newRow("25") << 25 << 8 << 8;
    QTest::newRow("32") << 32 << 15 << 8;
}

void TestMdx11Forms::channelRows() {
    QFETCH(int, channel);
    QFETCH(int, row);
    QFETCH(int, firstColumn);
    DriverHarness h(unthreadedWithoutSettings());

    const QStringList prefixes = {"checkBox",          "comboBoxRange",    "comboBoxVoltageType",
                                  "lineEditVoltage",   "labelVoltageUnit", "lineEditFrequency",
                                  "labelFrequencyUnit"};
    for (int i = 0; i < prefixes.size(); ++i) {
        QWidget* w = h.rowWidget(prefixes[i], channel);
        QVERIFY2(w, qPrintable(prefixes[i]));
        QCOMPARE(gridPosition(w), qMakePair(row, firstColumn + i));
        // Only the check boxes of channels 1-16 start enabled.
        QCOMPARE(DriverHarness::ownEnabled(w), i == 0 && channel <= 16);
    }
    QCOMPARE(h.check(channel)->text(), QStringLiteral("Канал %1").arg(channel));
    QVERIFY(!h.check(channel)->isChecked());
    for (const char* edit : {"lineEditVoltage", "lineEditFrequency"}) {
        auto* e = qobject_cast<QLineEdit*>(h.rowWidget(edit, channel));
        QVERIFY(e->isReadOnly());
        QVERIFY(e->alignment() & Qt::AlignRight);
        QVERIFY(e->text().isEmpty());
    }
    QCOMPARE(qobject_cast<QLabel*>(h.rowWidget("labelVoltageUnit", channel))->text(), QStringLiteral("мВ"));
    QCOMPARE(qobject_cast<QLabel*>(h.rowWidget("labelFrequencyUnit", channel))->text(),
             QStringLiteral("кГц"));
    QCOMPARE(h.type(channel)->currentText(), QStringLiteral("AC"));
    QCOMPARE(h.range(channel)->currentText(), QStringLiteral("10 В"));
    // The layout has no margins; column 7 is the spacer between the halves.
    auto* grid = qobject_cast<QGridLayout*>(h.controlsHost->layout());
    QCOMPARE(grid->contentsMargins(), QMargins(0, 0, 0, 0));
    QVERIFY(grid->itemAtPosition(5, 7) && grid->itemAtPosition(5, 7)->spacerItem());
}

void TestMdx11Forms::creationOrder_data() {
    QTest::addColumn<QString>("pattern");
    const QStringList kinds = {"checkBoxCh",          "comboBoxRangeCh",    "comboBoxVoltageTypeCh",
                               "lineEditVoltageCh",   "labelVoltageUnitCh", "lineEditFrequencyCh",
                               "labelFrequencyUnitCh"};
    for (const QString& kind : kinds)
        QTest::newRow(qPrintable(kind)) << QStringLiteral("^%1([0-9]{1,2})$").arg(kind);
}

void TestMdx11Forms::creationOrder() {
    QFETCH(QString, pattern);
    DriverHarness h(unthreadedWithoutSettings());
    const QRegularExpression re(pattern);
    QList<int> order;
    for (QWidget* w : h.controlsHost->findChildren<QWidget*>(re))
        order << re.match(w->objectName()).captured(1).toInt();
    QCOMPARE(order, QList<int>({1,  17, 2,  9,  25, 10, 26, 11, 27, 12, 28, 13, 29, 14, 30, 15,
                                31, 16, 32, 18, 3,  19, 4,  20, 5,  21, 6,  22, 7,  23, 8,  24}));
}

void TestMdx11Forms::settingsForm() {
    DriverHarness h(unthreadedWithoutSettings());
    QStringList frequencies;
    for (int i = 0; i < h.frequency()->count(); ++i) {
        frequencies << h.frequency()->itemText(i);
        QVERIFY(h.frequency()->itemIcon(i).isNull());
        QVERIFY(!h.frequency()->itemData(i).isValid());
    }
    QCOMPARE(frequencies, QStringList({"20 кГц", "100 кГц", "400 кГц", "500 кГц", "1000 кГц"}));
    QCOMPARE(h.frequency()->currentIndex(), 0);
    QCOMPARE(h.mode()->itemText(0), QStringLiteral("Дифференциальный (16 каналов)"));
    QCOMPARE(h.mode()->itemText(1), QStringLiteral("С общей землей (32 канала)"));
    QCOMPARE(h.commonType()->count(), 2);
    QCOMPARE(h.commonType()->itemText(1), QStringLiteral("DC"));
    QCOMPARE(h.allChannels()->text(), QStringLiteral("Все каналы"));
    QCOMPARE(h.allChannels()->checkState(), Qt::PartiallyChecked);
    QCOMPARE(h.allChannels()->parentWidget()->objectName(), QStringLiteral("widgetCustomCheckBox"));
    QCOMPARE(gridPosition(h.allChannels()->parentWidget()), qMakePair(0, 1));
    QCOMPARE(gridPosition(h.mode()), qMakePair(2, 1));
    QCOMPARE(gridPosition(h.commonRange()), qMakePair(1, 4));
    QCOMPARE(gridPosition(h.commonType()), qMakePair(2, 4));
    QCOMPARE(h.find<QLabel>("labelFrequency")->text(), QStringLiteral("Частота преобразований АЦП"));
    QVERIFY(h.find<QLabel>("labelVoltageType")->alignment() & Qt::AlignRight);
}

void TestMdx11Forms::optionsAndInfoForms() {
    DriverHarness h(unthreadedWithoutSettings());
    for (const char* name : {"spinBoxAccuracyAC", "spinBoxAccuracyDC", "spinBoxAccuracyFreq"}) {
        auto* box = h.find<QSpinBox>(name);
        QVERIFY2(box, name);
        QCOMPARE(box->minimum(), 0);
        QCOMPARE(box->maximum(), 6);
    }
    QVERIFY(h.find<QSpinBox>("spinBoxAccuracyError")->isHidden());
    QVERIFY(h.find<QLabel>("labelAccuracyError")->isHidden());
    QVERIFY(!h.find<QLabel>("labelAccuracyFreq")->isHidden());
    QCOMPARE(h.find<QGroupBox>("groupBoxAccuracy")->title(), QStringLiteral("Точность"));
    QCOMPARE(h.find<QGroupBox>("groupBoxInfo")->title(), QStringLiteral("Сведения о приборе VRK11"));
    QVERIFY(h.find<QLineEdit>("lineEditModuleSerial")->isReadOnly());
    QVERIFY(h.find<QLineEdit>("lineEditModuleFirmware")->isReadOnly());
}

void TestMdx11Forms::rangeItemsAgree() {
    DriverHarness h(unthreadedWithoutSettings());
    const QStringList expected = {"10 В", "2.5 В", "0.6 В", "0.15 В"};
    for (QComboBox* box :
         {h.commonRange(), h.range(7), h.range(30), h.find<QComboBox>("comboBoxRangeOptions")}) {
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items << box->itemText(i);
        QCOMPARE(items, expected);
    }
}

void TestMdx11Forms::nullHosts_data() {
    QTest::addColumn<bool>("settingsHost");
    QTest::addColumn<bool>("controlsHost");
    QTest::addColumn<bool>("infoHost");
    QTest::addColumn<bool>("optionsHost");
    QTest::newRow("none") << false << false << false << false;
    QTest::newRow("settings only") << true << false << false << false;
    QTest::newRow("information only") << false << false << true << false;
    QTest::newRow("options only") << false << false << false << true;
    QTest::newRow("settings and controls") << true << true << false << false;
}

void TestMdx11Forms::nullHosts() {
    QFETCH(bool, settingsHost);
    QFETCH(bool, controlsHost);
    QFETCH(bool, infoHost);
    QFETCH(bool, optionsHost);
    DriverHarness::Options o;
    o.settingsHost = settingsHost;
    o.controlsHost = controlsHost;
    o.infoHost = infoHost;
    o.optionsHost = optionsHost;
    {
        DriverHarness h(o);
        QVERIFY(h.settle());
        QCOMPARE(h.settingsHost->children().isEmpty(), !settingsHost);
        QCOMPARE(h.controlsHost->children().isEmpty(), !controlsHost);
        QCOMPARE(h.infoHost->children().isEmpty(), !infoHost);
        QCOMPARE(h.optionsHost->children().isEmpty(), !optionsHost);
        QVERIFY(h.reportHost->children().isEmpty());
        // The operations that use the forms cope with the missing ones.
        h.driver->prepareOptions();
        h.driver->saveSettings(h.settings.get());
        if (settingsHost) {
            h.act(QStringLiteral("all"));
            h.act(QStringLiteral("mode common"));
        }
        QVERIFY(h.settle());
        h.destroyDriver();
    }
}

void TestMdx11Forms::customCheckBox_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("afterClick");
    QTest::newRow("partial") << int(Qt::PartiallyChecked) << int(Qt::Checked);
    QTest::newRow("checked") << int(Qt::Checked) << int(Qt::Unchecked);
    QTest::newRow("unchecked") << int(Qt::Unchecked) << int(Qt::Checked);
}

void TestMdx11Forms::customCheckBox() {
    QFETCH(int, from);
    QFETCH(int, afterClick);
    QWidget parent;
    Ui::CustomCheckBox box(&parent);
    QVERIFY(box.isTristate());
    QSignalSpy spy(&box, &QCheckBox::stateChanged);
    box.setCheckState(Qt::CheckState(from));
    // Set by the program, the partial state is signalled like any other.
    QCOMPARE(spy.count(), from == Qt::Unchecked ? 0 : 1);
    if (from == Qt::PartiallyChecked)
        QCOMPARE(spy.last().at(0).toInt(), 1);
    box.click();
    QCOMPARE(int(box.checkState()), afterClick);
}

void TestMdx11Forms::lineEditsOnlyGrow_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("channel");
    QTest::newRow("voltage 1") << "lineEditVoltage" << 1;
    QTest::newRow("frequency 24") << "lineEditFrequency" << 24;
}

void TestMdx11Forms::lineEditsOnlyGrow() {
    QFETCH(QString, field);
    QFETCH(int, channel);
    DriverHarness h;
    auto* edit = qobject_cast<QLineEdit*>(h.rowWidget(field, channel));
    const QString wide = QStringLiteral("-123456789.123456");
    const int needed = edit->fontMetrics().boundingRect(wide).width() + 10;
    edit->setText(wide);
    QTRY_COMPARE(edit->minimumWidth(), needed);
    edit->setText(QStringLiteral("1.0"));
    QVERIFY(h.settle());
    QCOMPARE(edit->minimumWidth(), needed);
    // The reading fields the display uses are these very widgets.
    QCOMPARE(field == QLatin1String("lineEditVoltage") ? ModuleMdx11Test::voltageEdit(*h.driver, channel)
                                                       : ModuleMdx11Test::frequencyEdit(*h.driver, channel),
             edit);
}

void TestMdx11Forms::methodTable() {
    // The index order of the driver's own methods is an interface.
    ModuleMdx11 driver;
    const QMetaObject* meta = driver.metaObject();
    QCOMPARE(QString(meta->className()), QStringLiteral("ModuleMdx11"));
    QStringList methods;
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i)
        methods << QString::fromLatin1(meta->method(i).methodSignature());
    QCOMPARE(
        methods,
        QStringList(
            {"restart()", "restartManual()", "displayResults()", "recalcLineEditWidth(QString)",
             "on_checkBoxChannels_stateChanged(int)", "on_comboBoxFrequency_currentIndexChanged(int)",
             "on_comboBoxRange_currentIndexChanged(int)", "on_comboBoxVoltageType_currentIndexChanged(int)",
             "on_comboBoxMode_currentIndexChanged(int)", "on_checkBoxChX_toggled(bool)",
             "on_comboBoxRangeChX_currentIndexChanged(int)",
             "on_comboBoxVoltageTypeChX_currentIndexChanged(int)",
             "on_comboBoxRangeOptions_currentIndexChanged(int)", "on_spinBoxAccuracyAC_valueChanged(int)",
             "on_spinBoxAccuracyDC_valueChanged(int)", "on_spinBoxAccuracyFreq_valueChanged(int)"}));
    QCOMPARE(QString(meta->superClass()->className()), QStringLiteral("Module"));
}

void TestMdx11Forms::pixmapIsTheModuleIcon() {
    Q_INIT_RESOURCE(resources);
    ModuleMdx11 driver;
    const QImage icon = driver.pixmap().toImage();
    QVERIFY(!icon.isNull());
    QCOMPARE(icon, QImage(QStringLiteral(":/icons/mdx11.png")).convertToFormat(icon.format()));
}

void TestMdx11Forms::setParameter_data() {
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<QList<bool>>("results");
    QTest::addColumn<int>("displayPeriodMs");
    QTest::addColumn<QString>("modeText");

    QTest::newRow("period truncated")
        << QStringList{"Период отображения"} << QList<double>{250.9} << QList<bool>{true} << 250 << "";
    QTest::newRow("period twice") << QStringList{"Период отображения", "Период отображения"}
                                  << QList<double>{250.0, 250.0} << QList<bool>{true, true} << 250 << "";
    QTest::newRow("negative period truncated toward zero")
        << QStringList{"Период отображения"} << QList<double>{-7.9} << QList<bool>{true} << -7 << "";
    QTest::newRow("period beyond int held at its limit")
        << QStringList{"Период отображения"} << QList<double>{1e12} << QList<bool>{true} << 2147483647 << "";
    QTest::newRow("choice records the mode")
        << QStringList{"Режим DC"} << QList<double>{0} << QList<bool>{true} << 100 << "Режим DC";
    QTest::newRow("later choice replaces it")
        << QStringList{"Режим DC", "Режим AC Многоканальный"} << QList<double>{0, 0}
        << QList<bool>{true, true} << 100 << "Режим AC Многоканальный";
    QTest::newRow("enumerated name alone is refused")
        << QStringList{"Режим"} << QList<double>{0} << QList<bool>{false} << 100 << "";
    QTest::newRow("value accepted without effect")
        << QStringList{"Значение", "Частота АЦП"} << QList<double>{9900, 20} << QList<bool>{true, true} << 100
        << "";
    QTest::newRow("case matters") << QStringList{"период отображения"} << QList<double>{250}
                                  << QList<bool>{false} << 100 << "";
    QTest::newRow("unknown name") << QStringList{"Период"} << QList<double>{250} << QList<bool>{false} << 100
                                  << "";
}

void TestMdx11Forms::setParameter() {
    QFETCH(QStringList, names);
    QFETCH(QList<double>, values);
    QFETCH(QList<bool>, results);
    QFETCH(int, displayPeriodMs);
    QFETCH(QString, modeText);
    ModuleMdx11 driver;
    for (int i = 0; i < names.size(); ++i)
        QCOMPARE(driver.setParameter(names[i], values[i]), results[i]);
    QCOMPARE(ModuleMdx11Test::displayPeriodMs(driver), displayPeriodMs);
    const QList<ParameterInfo>& table = ModuleMdx11Test::parameters(driver);
    QCOMPARE(table.at(1).currentText, modeText);
    // The process-wide table is never changed.
    QCOMPARE(parameterTable().at(1).currentText, QString());
    QCOMPARE(parameterTable().at(0).currentValue, 0.0);
}

void TestMdx11Forms::checkParameter_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("error");
    QTest::newRow("display period") << "Период отображения" << true << "";
    QTest::newRow("ADC frequency") << "Частота АЦП" << false << "Неизвестный параметр Частота АЦП";
    QTest::newRow("choice") << "Режим DC" << false << "Неизвестный параметр Режим DC";
    QTest::newRow("empty") << "" << false << "Неизвестный параметр ";
}

void TestMdx11Forms::checkParameter() {
    QFETCH(QString, name);
    QFETCH(bool, result);
    QFETCH(QString, error);
    ModuleMdx11 driver;
    QString text;
    QCOMPARE(driver.checkParameter(name, -1.0, text), result);
    QCOMPARE(text, error);
}

QTEST_MAIN(TestMdx11Forms)
#include "test_mdx11_forms.moc"
