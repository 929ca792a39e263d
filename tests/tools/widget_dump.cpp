// widget_dump: builds the real main window (default driver, simulated device
// library) offscreen, waits until the first search has chosen a device, and
// writes the widget trees of the main window and of the options dialog as
// text: per widget its class, name, texts, items, states, geometry and
// layout.  Two dumps of the same build are identical, so a diff shows what a
// change to the forms changed.
//
// Usage: widget_dump [output-file]   (standard output without an argument)
//
// The program writes vernier.ini and vernier.log into the current directory;
// the tool therefore runs in a temporary directory of its own.  Exit status 0
// on success, 1 when the window did not settle or the file could not be
// written.
#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDialog>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPixmap>
#include <QRegularExpression>
#include <QSettings>
#include <QSpacerItem>
#include <QSpinBox>
#include <QSplitter>
#include <QStringList>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCodec>
#include <QTextStream>
#include <cstdio>
#include <memory>

#include "default_module.h"
#include "log_handler.h"
#include "mainwindow.h"

namespace {

// Generous: the default simulated search takes 300 ms.
constexpr int settleLimitMs = 30000;

QString rectText(const QRect& r) {
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

QString sizeText(const QSize& s) {
    return QStringLiteral("%1x%2").arg(s.width()).arg(s.height());
}

QString marginsText(const QMargins& m) {
    return QStringLiteral("%1,%2,%3,%4").arg(m.left()).arg(m.top()).arg(m.right()).arg(m.bottom());
}

QString policyText(const QSizePolicy& p) {
    return QStringLiteral("%1/%2 stretch %3/%4 hfw %5")
        .arg(int(p.horizontalPolicy()))
        .arg(int(p.verticalPolicy()))
        .arg(p.horizontalStretch())
        .arg(p.verticalStretch())
        .arg(p.hasHeightForWidth() ? 1 : 0);
}

// Quoted, with line breaks escaped, so every value stays on its line.
QString quoted(const QString& text) {
    QString t = text;
    t.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return QLatin1Char('"') + t + QLatin1Char('"');
}

// The start time shown in the status bar differs from run to run.
QString withoutTimes(const QString& text) {
    static const QRegularExpression time(QStringLiteral("\\d{4}\\.\\d\\d\\.\\d\\d \\d\\d:\\d\\d:\\d\\d"));
    QString t = text;
    return t.replace(time, QStringLiteral("<time>"));
}

QString pixmapText(const QPixmap& pixmap) {
    if (pixmap.isNull())
        return QStringLiteral("none");
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    const QByteArray bytes(reinterpret_cast<const char*>(image.constBits()), int(image.sizeInBytes()));
    return sizeText(pixmap.size()) + QLatin1Char(' ') +
           QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex().left(12));
}

QString iconText(const QIcon& icon) {
    if (icon.isNull())
        return QStringLiteral("none");
    return pixmapText(icon.pixmap(QSize(16, 16)));
}

class Dumper {
public:
    explicit Dumper(QTextStream& out) : out(out) {}

    void window(QWidget* w) {
        out << "== window " << w->metaObject()->className() << ' ' << quoted(w->objectName()) << '\n';
        out << "  flags 0x" << QString::number(int(w->windowFlags()), 16) << " title "
            << quoted(w->windowTitle()) << " icon " << iconText(w->windowIcon()) << '\n';
        actions(w, 1);
        widget(w, w, 0);
    }

private:
    QTextStream& out;

    void line(int depth, const QString& text) { out << QString(2 * depth, QLatin1Char(' ')) << text << '\n'; }

    void actions(QWidget* w, int depth) {
        for (QObject* child : w->children()) {
            auto* action = qobject_cast<QAction*>(child);
            if (!action)
                continue;
            line(depth, QStringLiteral("action %1 text %2 shortcut %3 enabled %4 onWindow %5")
                            .arg(quoted(action->objectName()), quoted(action->text()),
                                 quoted(action->shortcut().toString(QKeySequence::PortableText)))
                            .arg(action->isEnabled() ? 1 : 0)
                            .arg(w->actions().contains(action) ? 1 : 0));
        }
    }

    void widget(QWidget* w, QWidget* top, int depth) {
        line(depth, QStringLiteral("%1 %2 enabled %3 visible %4 geometry %5")
                        .arg(QString::fromLatin1(w->metaObject()->className()), quoted(w->objectName()))
                        .arg(w->testAttribute(Qt::WA_ForceDisabled) ? 0 : 1)
                        .arg(w == top || w->isVisibleTo(top) ? 1 : 0)
                        .arg(rectText(w->geometry())));
        const int d = depth + 1;
        line(d,
             QStringLiteral("policy %1 min %2 max %3")
                 .arg(policyText(w->sizePolicy()), sizeText(w->minimumSize()), sizeText(w->maximumSize())));
        if (!w->windowTitle().isEmpty() && w != top)
            line(d, QStringLiteral("title %1").arg(quoted(w->windowTitle())));
        if (!w->toolTip().isEmpty())
            line(d, QStringLiteral("tooltip %1").arg(quoted(w->toolTip())));
        details(w, d);
        if (w->layout())
            layout(w->layout(), d);
        for (QObject* child : w->children()) {
            auto* cw = qobject_cast<QWidget*>(child);
            // Other windows (the options dialog, popups) are not part of
            // this tree.
            if (cw && !cw->isWindow())
                widget(cw, top, d);
        }
    }

    void details(QWidget* w, int d) {
        if (auto* label = qobject_cast<QLabel*>(w)) {
            line(d, QStringLiteral("text %1 align 0x%2 pixmap %3")
                        .arg(quoted(withoutTimes(label->text())))
                        .arg(QString::number(int(label->alignment()), 16))
                        .arg(pixmapText(label->pixmap(Qt::ReturnByValue))));
        }
        if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            QString group = QStringLiteral("none");
            if (QButtonGroup* g = button->group())
                group = quoted(g->objectName()) +
                        (g->exclusive() ? QStringLiteral(" exclusive") : QStringLiteral(" shared"));
            line(d, QStringLiteral("text %1 checkable %2 checked %3 icon %4 group %5")
                        .arg(quoted(button->text()))
                        .arg(button->isCheckable() ? 1 : 0)
                        .arg(button->isChecked() ? 1 : 0)
                        .arg(iconText(button->icon()), group));
        }
        if (auto* check = qobject_cast<QCheckBox*>(w))
            line(d, QStringLiteral("checkState %1 tristate %2")
                        .arg(int(check->checkState()))
                        .arg(check->isTristate() ? 1 : 0));
        if (auto* box = qobject_cast<QGroupBox*>(w))
            line(d,
                 QStringLiteral("title %1 checkable %2").arg(quoted(box->title())).arg(box->isCheckable()));
        if (auto* edit = qobject_cast<QLineEdit*>(w))
            line(d, QStringLiteral("text %1 readOnly %2 align 0x%3")
                        .arg(quoted(edit->text()))
                        .arg(edit->isReadOnly() ? 1 : 0)
                        .arg(QString::number(int(edit->alignment()), 16)));
        if (auto* combo = qobject_cast<QComboBox*>(w)) {
            QStringList items;
            for (int i = 0; i < combo->count(); ++i)
                items << quoted(combo->itemText(i));
            line(d, QStringLiteral("items [%1] current %2")
                        .arg(items.join(QLatin1String(", ")))
                        .arg(combo->currentIndex()));
        }
        if (auto* spin = qobject_cast<QSpinBox*>(w))
            line(d, QStringLiteral("range %1..%2 value %3")
                        .arg(spin->minimum())
                        .arg(spin->maximum())
                        .arg(spin->value()));
        if (auto* spin = qobject_cast<QDoubleSpinBox*>(w))
            line(d, QStringLiteral("range %1..%2 value %3 decimals %4")
                        .arg(spin->minimum())
                        .arg(spin->maximum())
                        .arg(spin->value())
                        .arg(spin->decimals()));
        if (auto* frame = qobject_cast<QFrame*>(w); frame && w->metaObject() == &QFrame::staticMetaObject)
            line(d, QStringLiteral("frame shape %1 shadow %2")
                        .arg(int(frame->frameShape()))
                        .arg(int(frame->frameShadow())));
        if (auto* splitter = qobject_cast<QSplitter*>(w))
            line(d, QStringLiteral("orientation %1").arg(int(splitter->orientation())));
        if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
            line(d, QStringLiteral("tabs %1 current %2 tabBarVisible %3")
                        .arg(tabs->count())
                        .arg(tabs->currentIndex())
                        .arg(tabs->tabBar()->isVisibleTo(tabs) ? 1 : 0));
            for (int i = 0; i < tabs->count(); ++i)
                line(d + 1, QStringLiteral("page %1 %2 text %3")
                                .arg(i)
                                .arg(quoted(tabs->widget(i)->objectName()), quoted(tabs->tabText(i))));
        }
    }

    void layout(QLayout* l, int d) {
        line(d, QStringLiteral("layout %1 %2 margins %3 spacing %4")
                    .arg(QString::fromLatin1(l->metaObject()->className()), quoted(l->objectName()),
                         marginsText(l->contentsMargins()))
                    .arg(l->spacing()));
        auto* grid = qobject_cast<QGridLayout*>(l);
        if (grid) {
            line(d + 1, QStringLiteral("grid spacing %1/%2")
                            .arg(grid->horizontalSpacing())
                            .arg(grid->verticalSpacing()));
            QStringList rows, columns;
            for (int r = 0; r < grid->rowCount(); ++r)
                rows << QString::number(grid->rowStretch(r));
            for (int c = 0; c < grid->columnCount(); ++c)
                columns << QString::number(grid->columnStretch(c));
            line(d + 1, QStringLiteral("stretch rows [%1] columns [%2]")
                            .arg(rows.join(QLatin1Char(' ')), columns.join(QLatin1Char(' '))));
        }
        for (int i = 0; i < l->count(); ++i) {
            QLayoutItem* item = l->itemAt(i);
            QString where;
            if (grid) {
                int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
                grid->getItemPosition(i, &row, &column, &rowSpan, &columnSpan);
                where =
                    QStringLiteral("at %1,%2 span %3,%4 ").arg(row).arg(column).arg(rowSpan).arg(columnSpan);
            }
            where += QStringLiteral("align 0x%1 ").arg(QString::number(int(item->alignment()), 16));
            if (QWidget* iw = item->widget())
                line(d + 1, where + QStringLiteral("widget %1").arg(quoted(iw->objectName())));
            else if (QSpacerItem* spacer = item->spacerItem())
                line(d + 1, where + QStringLiteral("spacer hint %1 policy %2 geometry %3")
                                        .arg(sizeText(spacer->sizeHint()), policyText(spacer->sizePolicy()),
                                             rectText(spacer->geometry())));
            else if (QLayout* inner = item->layout()) {
                line(d + 1, where + QStringLiteral("layout"));
                layout(inner, d + 2);
            }
        }
    }
};

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The output path is taken before the tool moves to its own directory.
    const QString outputPath =
        argc > 1 ? QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath() : QString();

    // As the program itself starts, minus the console and the error boxes.
    QApplication app(argc, argv);
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("Windows-1251"));
    qInstallMessageHandler(logMessageHandler);
    QCoreApplication::setOrganizationName(QStringLiteral("KORVEX"));
    QCoreApplication::setApplicationName(QStringLiteral("VRK11"));

    QTemporaryDir dir;
    if (!dir.isValid() || !QDir::setCurrent(dir.path())) {
        std::fprintf(stderr, "widget_dump: no temporary directory\n");
        return 1;
    }

    // An hour's display period: no reading reaches the channel rows (and
    // widens them) while the dump is taken.
    {
        QSettings ini(QDir::current().filePath(QStringLiteral("vernier.ini")), QSettings::IniFormat);
        ini.setValue(QStringLiteral("Global/DisplayUpdateMs"), 3600 * 1000);
    }

    auto window = std::make_unique<MainWindow>(nullptr, createDefaultModule);
    window->show();
    auto* crates = window->findChild<QComboBox*>(QStringLiteral("comboBoxCrate"));
    auto* settingsHost = window->findChild<QWidget*>(QStringLiteral("widgetModuleSettings"));
    auto* serial = window->findChild<QLineEdit*>(QStringLiteral("lineEditModuleSerial"));
    // Settled: the device list is filled, the first device is open and its
    // module controls are enabled.
    const bool settled =
        crates && settingsHost && serial &&
        QTest::qWaitFor(
            [&] { return crates->count() > 0 && settingsHost->isEnabled() && !serial->text().isEmpty(); },
            settleLimitMs);
    auto* options = window->findChild<QDialog*>(QStringLiteral("Options"));
    bool ok = settled && options;
    if (!ok)
        std::fprintf(stderr, "widget_dump: the main window did not settle\n");

    QString text;
    if (ok) {
        QTextStream out(&text);
        Dumper dumper(out);
        dumper.window(window.get());
        // Shown without exec, so that its layout has run.
        options->show();
        ok = QTest::qWaitForWindowExposed(options, settleLimitMs);
        dumper.window(options);
        options->hide();
    }

    window->close();
    window.reset();

    if (!ok)
        return 1;
    const QByteArray bytes = text.toUtf8();
    if (outputPath.isEmpty()) {
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
        return 0;
    }
    QFile file(outputPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "widget_dump: cannot write %s\n", qPrintable(outputPath));
        return 1;
    }
    return 0;
}
