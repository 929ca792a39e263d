// Every label in the shipped verification scenario uses the program's
// named-parameter vocabulary.
#include "parameter_info.h"

#include <QtCore>
#include <QtTest>

class ScenarioTest : public QObject {
    Q_OBJECT

    // Leaves below `nodes`, whose labels name the parameters of `levels` in
    // turn ("name = number unit", any run of spaces before the number); -1
    // at a wrong node.
    static int leaves(const QJsonArray& nodes, QVector<int> levels) {
        const ParameterInfo& p = parameterTable().at(levels.takeFirst());
        const QRegularExpression label("^" + QRegularExpression::escape(p.name) +
                                       " = +-?[0-9]+(\\.[0-9]+)? " + QRegularExpression::escape(p.unit) +
                                       "$");
        int count = 0;
        for (const QJsonValue& node : nodes) {
            const QJsonObject o = node.toObject();
            const QJsonValue content = o.begin().value();
            if (o.size() != 1 || !label.match(o.begin().key()).hasMatch() ||
                content.isArray() == levels.isEmpty() || (levels.isEmpty() && content != QJsonValue(true)))
                return -1;
            count += levels.isEmpty() ? 1 : leaves(content.toArray(), levels);
        }
        return count;
    }

private slots:
    void scenario() {
        QFile file(QStringLiteral(SOURCE_ROOT "/resources/module_mdx11_test.json"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonArray modes = QJsonDocument::fromJson(file.readAll()).array();
        QStringList labels;
        for (const QJsonValue& mode : modes)
            labels << mode.toObject().keys();
        QCOMPARE(labels, parameterTable().at(1).choices);
        // Rows of the vocabulary: ADC frequency 2, generator frequency 3, range 4, value 6.
        QCOMPARE(leaves(modes[0].toObject().begin().value().toArray(), {2, 4, 6}), 42);
        QCOMPARE(leaves(modes[1].toObject().begin().value().toArray(), {2, 3, 4, 6}), 126);
        QCOMPARE(leaves(modes[2].toObject().begin().value().toArray(), {2, 3, 4, 6}), 126);
    }
};

QTEST_GUILESS_MAIN(ScenarioTest)
#include "test_scenario.moc"
