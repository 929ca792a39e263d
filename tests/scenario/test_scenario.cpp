// The embedded verification scenario: exactly what its generator writes, and
// every label in the named-parameter vocabulary of the program.
#include "parameter_info.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

class ScenarioTest : public QObject {
    Q_OBJECT

    QByteArray bytes;
    QJsonArray modes;

    // Leaves below `nodes` whose labels name the parameters of `levels` in
    // turn ("name = number unit", any run of spaces before the number).
    int leaves(const QJsonArray& nodes, QVector<int> levels) {
        static const QRegularExpression label(QStringLiteral("^(.+) = +-?[0-9]+(\\.[0-9]+)? (.+)$"));
        const ParameterInfo& p = parameterTable().at(levels.takeFirst());
        int count = 0;
        for (const QJsonValue& node : nodes) {
            const QString key = node.toObject().keys().value(0);
            const QRegularExpressionMatch m = label.match(key);
            const QJsonValue content = node.toObject().value(key);
            if (node.toObject().size() != 1 || !m.hasMatch() || m.captured(1) != p.name ||
                m.captured(3) != p.unit || content.isArray() == levels.isEmpty()) {
                qWarning("wrong node \"%s\"", qPrintable(key));
                return -1;
            }
            count += levels.isEmpty() ? int(content == QJsonValue(true)) : leaves(content.toArray(), levels);
        }
        return count;
    }

private slots:
    void initTestCase() {
        QFile file(QStringLiteral(":/module_mdx11_test.json"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        bytes = file.readAll();
        modes = QJsonDocument::fromJson(bytes).array();
        QStringList labels;
        for (const QJsonValue& mode : modes)
            labels << mode.toObject().keys();
        QCOMPARE(labels, parameterTable().at(1).choices);
    }

    void labels_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QVector<int>>("levels"); // parameter table rows below the mode
        QTest::addColumn<int>("leaves");
        // ADC frequency 2, generator frequency 3, range 4, value 6
        // clang-format off
        QTest::newRow("DC")                << 0 << QVector<int>{2, 4, 6} << 42;
        QTest::newRow("AC single channel") << 1 << QVector<int>{2, 3, 4, 6} << 126;
        QTest::newRow("AC multi-channel")  << 2 << QVector<int>{2, 3, 4, 6} << 126;
        // clang-format on
    }
    void labels() {
        QFETCH(int, mode);
        QFETCH(QVector<int>, levels);
        QTEST(leaves(modes.at(mode).toObject().begin().value().toArray(), levels), "leaves");
    }

    // The values of one list padded to one width, as the generator writes them.
    void generatorReproducesTheFile() {
        QProcess python;
        python.start(QStringLiteral(SYSTEM_PYTHON),
                     {QStringLiteral(SOURCE_ROOT "/scripts/gen_scenario.py"), "-"});
        QVERIFY(python.waitForFinished(60000) && python.exitCode() == 0);
        QVERIFY(python.readAllStandardOutput() == bytes);
    }
};

QTEST_GUILESS_MAIN(ScenarioTest)
#include "test_scenario.moc"
