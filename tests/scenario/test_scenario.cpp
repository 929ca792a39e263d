// The embedded verification scenario: its tree, its counts and its labels
// read with the named-parameter vocabulary.

#include "parameter_info.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QVector>
#include <QtTest>

#include <algorithm>
#include <climits>
#include <functional>

namespace {

struct Node {
    QString label;
    bool leaf = false;
    QVector<Node> children;
};

// Every node is an object with exactly one member whose value is an array
// of nodes or the literal true.
bool readNodes(const QJsonArray& array, QVector<Node>& nodes, QString& error) {
    for (const QJsonValue& value : array) {
        const QJsonObject object = value.toObject();
        if (!value.isObject() || object.size() != 1) {
            error = QStringLiteral("node is not an object with one member");
            return false;
        }
        Node node;
        node.label = object.begin().key();
        const QJsonValue content = object.begin().value();
        if (content.isArray()) {
            if (!readNodes(content.toArray(), node.children, error))
                return false;
        } else if (content.isBool() && content.toBool()) {
            node.leaf = true;
        } else {
            error = QStringLiteral("\"%1\" is neither a list nor true").arg(node.label);
            return false;
        }
        nodes << node;
    }
    return true;
}

int leafCount(const Node& node) {
    int count = node.leaf ? 1 : 0;
    for (const Node& child : node.children)
        count += leafCount(child);
    return count;
}

// "name = number unit" with any run of spaces before the number.
struct Label {
    QString name;
    QString spaces;
    QString number;
    QString unit;
};

bool parseLabel(const QString& text, Label& label) {
    static const QRegularExpression pattern(QStringLiteral("^(.+) =( +)(-?[0-9]+(?:\\.[0-9]+)?) (.+)$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return false;
    label = {match.captured(1), match.captured(2), match.captured(3), match.captured(4)};
    return true;
}

const ParameterInfo& parameter(int index) {
    return parameterTable().at(index);
}

// Table indices of the parameters used below the mode.
const int adcFrequency = 2;
const int generatorFrequency = 3;
const int measurementRange = 4;
const int value = 6;

QStringList numbersOf(const QVector<Node>& nodes) {
    QStringList numbers;
    for (const Node& n : nodes) {
        Label label;
        numbers << (parseLabel(n.label, label) ? label.number : QStringLiteral("<unparsed>"));
    }
    return numbers;
}

} // namespace

using ValueLists = QVector<QStringList>;

class ScenarioTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void modesAreTheChoicesOfTheModeParameter();
    void labelsParse_data();
    void labelsParse();
    void contents_data();
    void contents();
    void valuesAreRightAligned();
    void generatorReproducesTheFile();
    void programEmbedsTheFile();

private:
    QByteArray bytes;
    QVector<Node> tree;
};

void ScenarioTest::initTestCase() {
    QFile file(QStringLiteral(":/module_mdx11_test.json"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    bytes = file.readAll();
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    QVERIFY2(parseError.error == QJsonParseError::NoError, qPrintable(parseError.errorString()));
    QVERIFY(document.isArray());
    QString error;
    QVERIFY2(readNodes(document.array(), tree, error), qPrintable(error));
}

void ScenarioTest::modesAreTheChoicesOfTheModeParameter() {
    const ParameterInfo& mode = parameter(1);
    QVERIFY(!mode.numeric);
    QStringList labels;
    for (const Node& n : tree)
        labels << n.label;
    QCOMPARE(labels, mode.choices);
}

void ScenarioTest::labelsParse_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QVector<int>>("levels"); // parameter per level below the mode

    QTest::newRow("DC") << 0 << QVector<int>{adcFrequency, measurementRange, value};
    QTest::newRow("AC single channel")
        << 1 << QVector<int>{adcFrequency, generatorFrequency, measurementRange, value};
    QTest::newRow("AC multi-channel")
        << 2 << QVector<int>{adcFrequency, generatorFrequency, measurementRange, value};
}

// Each level names its parameter with that parameter's unit; only the last
// level holds leaves, and every path reaches it.
void ScenarioTest::labelsParse() {
    QFETCH(int, mode);
    QFETCH(QVector<int>, levels);
    QVERIFY(mode < tree.size());

    QVector<const Node*> current{&tree[mode]};
    for (int level = 0; level < levels.size(); ++level) {
        const ParameterInfo& p = parameter(levels[level]);
        QVERIFY(p.numeric);
        QVector<const Node*> next;
        for (const Node* parent : current) {
            QVERIFY2(!parent->leaf && !parent->children.isEmpty(), qPrintable(parent->label));
            for (const Node& child : parent->children) {
                Label label;
                QVERIFY2(parseLabel(child.label, label), qPrintable(child.label));
                QCOMPARE(label.name, p.name);
                QCOMPARE(label.unit, p.unit);
                QCOMPARE(child.leaf, level == levels.size() - 1);
                // Only value labels are padded.
                if (levels[level] != value)
                    QCOMPARE(label.spaces, QStringLiteral(" "));
                next << &child;
            }
        }
        current = next;
    }
}

void ScenarioTest::contents_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("adc");
    QTest::addColumn<QVector<QStringList>>("generators"); // per ADC frequency; empty for DC
    QTest::addColumn<ValueLists>("values");               // per range
    QTest::addColumn<int>("leaves");

    const ValueLists dc = {
        {"9900", "7000", "4000", "2000", "500", "-500", "-2000", "-4000", "-7000", "-9000"},
        {"2475", "1750", "1000", "500", "150", "-150", "-500", "-1000", "-1750", "-2475"},
        {"600", "420", "240", "120", "30", "-30", "-120", "-240", "-420", "-600"},
        {"150", "105", "60", "30", "10", "0.05", "-0.05", "-10", "-30", "-60", "-105", "-150"}};
    const ValueLists ac = {{"350", "1400", "2800", "4900", "6700"},
                           {"85", "350", "700", "1200", "1600"},
                           {"20", "85", "170", "290", "400"},
                           {"0.5", "5", "22", "45", "70", "100"}};
    const QStringList adc = {"20", "100", "400"};

    QTest::newRow("DC") << 0 << QStringList{"20"} << QVector<QStringList>{} << dc << 42;
    QTest::newRow("AC single channel")
        << 1 << adc << QVector<QStringList>{{"0.1", "9"}, {"1", "49"}, {"1", "199"}} << ac << 126;
    QTest::newRow("AC multi-channel")
        << 2 << adc << QVector<QStringList>{{"0.02", "0.5"}, {"0.02", "3"}, {"0.02", "12"}} << ac << 126;
}

void ScenarioTest::contents() {
    QFETCH(int, mode);
    QFETCH(QStringList, adc);
    QFETCH(QVector<QStringList>, generators);
    QFETCH(ValueLists, values);
    QFETCH(int, leaves);
    QCOMPARE(tree.size(), 3);

    const Node& root = tree[mode];
    QCOMPARE(leafCount(root), leaves);
    QCOMPARE(numbersOf(root.children), adc);
    const QStringList ranges = {"10", "2.5", "0.6", "0.15"};
    for (int a = 0; a < root.children.size(); ++a) {
        QVector<const Node*> rangeParents;
        if (generators.isEmpty()) {
            rangeParents << &root.children[a];
        } else {
            QCOMPARE(numbersOf(root.children[a].children), generators[a]);
            for (const Node& g : root.children[a].children)
                rangeParents << &g;
        }
        for (const Node* parent : rangeParents) {
            QCOMPARE(numbersOf(parent->children), ranges);
            for (int r = 0; r < ranges.size(); ++r)
                QCOMPARE(numbersOf(parent->children[r].children), values[r]);
        }
    }
}

// The numbers of one value list end in one column: equal label lengths,
// and the longest number has a single space before it.
void ScenarioTest::valuesAreRightAligned() {
    int lists = 0;
    std::function<void(const Node&)> visit = [&](const Node& node) {
        if (node.children.isEmpty() || !node.children.first().leaf) {
            for (const Node& child : node.children)
                visit(child);
            return;
        }
        ++lists;
        int shortestRun = INT_MAX;
        for (const Node& leaf : node.children) {
            QCOMPARE(leaf.label.size(), node.children.first().label.size());
            Label label;
            QVERIFY(parseLabel(leaf.label, label));
            shortestRun = std::min(shortestRun, int(label.spaces.size()));
        }
        QCOMPARE(shortestRun, 1);
    };
    for (const Node& mode : tree) {
        visit(mode);
        if (QTest::currentTestFailed())
            return;
    }
    QCOMPARE(lists, 4 + 2 * (6 * 4));

    const ParameterInfo& v = parameter(value);
    QVERIFY(bytes.contains((v.name + QStringLiteral(" =  9900 ") + v.unit).toUtf8()));
    QVERIFY(bytes.contains((v.name + QStringLiteral(" =   500 ") + v.unit).toUtf8()));
}

// The shipped file is exactly what the committed generator writes.
void ScenarioTest::generatorReproducesTheFile() {
    QProcess python;
    python.start(QStringLiteral(SYSTEM_PYTHON),
                 {QStringLiteral(SOURCE_ROOT "/scripts/gen_scenario.py"), QStringLiteral("-")});
    QVERIFY2(python.waitForStarted(30000), qPrintable(python.errorString()));
    QVERIFY(python.waitForFinished(60000));
    QCOMPARE(python.exitCode(), 0);
    QVERIFY(python.readAllStandardOutput() == bytes);
}

// The program's own resource list carries the file at its root.
void ScenarioTest::programEmbedsTheFile() {
    QFile qrc(QStringLiteral(SOURCE_ROOT "/resources/resources.qrc"));
    QVERIFY(qrc.open(QIODevice::ReadOnly));
    QVERIFY(qrc.readAll().contains("<file>module_mdx11_test.json</file>"));
}

QTEST_GUILESS_MAIN(ScenarioTest)
#include "test_scenario.moc"
