// widget_dump: builds the real main window (default driver, simulated device
// library) offscreen in a temporary directory, waits until the first search
// has chosen a device, and writes the widget trees of the main window and of
// the options dialog as text: per widget its class, name, texts, items,
// states, geometry and layout.  Two dumps of one build are identical, so a
// diff shows what a change to the forms changed.
//
// Usage: widget_dump [output-file]   (standard output without an argument)
// Exit status 1 when the window did not settle or the file was not written.
#include <QtTest>
#include <QtWidgets>
#include <cstdio>

#include "default_module.h"
#include "log_handler.h"
#include "mainwindow.h"

namespace {

QString str(int n) {
    return QString::number(n);
}
QString size(const QSize& s) {
    return str(s.width()) + 'x' + str(s.height());
}
QString rect(const QRect& r) {
    return str(r.x()) + ',' + str(r.y()) + ' ' + size(r.size());
}
QString hex(int n) {
    return "0x" + QString::number(n, 16);
}
QString policy(const QSizePolicy& p) {
    return QStringLiteral("%1/%2 stretch %3/%4 hfw %5")
        .arg(int(p.horizontalPolicy()))
        .arg(int(p.verticalPolicy()))
        .arg(p.horizontalStretch())
        .arg(p.verticalStretch())
        .arg(int(p.hasHeightForWidth()));
}
// Quoted, line breaks escaped, so every value stays on its line.
QString q(QString t) {
    return '"' + t.replace('\\', QLatin1String("\\\\")).replace('\n', QLatin1String("\\n")) + '"';
}
QString pixmap(const QPixmap& p) {
    if (p.isNull())
        return QStringLiteral("none");
    const QImage image = p.toImage().convertToFormat(QImage::Format_ARGB32);
    const QByteArray bytes(reinterpret_cast<const char*>(image.constBits()), int(image.sizeInBytes()));
    return size(p.size()) + ' ' + QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex().left(12);
}
QString icon(const QIcon& i) {
    return i.isNull() ? QStringLiteral("none") : pixmap(i.pixmap(QSize(16, 16)));
}

class Dumper {
public:
    QString text;

    void window(QWidget* w) {
        text += "== window " + QString(w->metaObject()->className()) + ' ' + q(w->objectName()) +
                "\n  flags " + hex(int(w->windowFlags())) + " title " + q(w->windowTitle()) + " icon " +
                icon(w->windowIcon()) + '\n';
        for (auto* a : w->findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly))
            line(1, "action " + q(a->objectName()) + " text " + q(a->text()) + " shortcut " +
                        q(a->shortcut().toString(QKeySequence::PortableText)) + " enabled " +
                        str(a->isEnabled()) + " onWindow " + str(w->actions().contains(a)));
        widget(w, w, 0);
    }

private:
    void line(int depth, const QString& s) { text += QString(2 * depth, ' ') + s + '\n'; }

    void widget(QWidget* w, QWidget* top, int depth) {
        line(depth, QString(w->metaObject()->className()) + ' ' + q(w->objectName()) + " enabled " +
                        str(!w->testAttribute(Qt::WA_ForceDisabled)) + " visible " +
                        str(w == top || w->isVisibleTo(top)) + " geometry " + rect(w->geometry()));
        const int d = depth + 1;
        line(d, "policy " + policy(w->sizePolicy()) + " min " + size(w->minimumSize()) + " max " +
                    size(w->maximumSize()));
        if (!w->windowTitle().isEmpty() && w != top)
            line(d, "title " + q(w->windowTitle()));
        if (!w->toolTip().isEmpty())
            line(d, "tooltip " + q(w->toolTip()));
        details(w, d);
        if (w->layout())
            layout(w->layout(), d);
        for (auto* child : w->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            if (!child->isWindow()) // the options dialog and popups are trees of their own
                widget(child, top, d);
    }

    void details(QWidget* w, int d) {
        static const QRegularExpression time(QStringLiteral("\\d{4}\\.\\d\\d\\.\\d\\d \\d\\d:\\d\\d:\\d\\d"));
        if (auto* l = qobject_cast<QLabel*>(w)) // the start time differs from run to run
            line(d, "text " + q(l->text().replace(time, "<time>")) + " align " + hex(int(l->alignment())) +
                        " pixmap " + pixmap(l->pixmap(Qt::ReturnByValue)));
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            line(d, "text " + q(b->text()) + " checkable " + str(b->isCheckable()) + " checked " +
                        str(b->isChecked()) + " icon " + icon(b->icon()) + " group " +
                        (b->group() ? q(b->group()->objectName()) +
                                          (b->group()->exclusive() ? " exclusive" : " shared")
                                    : "none"));
        if (auto* c = qobject_cast<QCheckBox*>(w))
            line(d, "checkState " + str(c->checkState()) + " tristate " + str(c->isTristate()));
        if (auto* g = qobject_cast<QGroupBox*>(w))
            line(d, "title " + q(g->title()) + " checkable " + str(g->isCheckable()));
        if (auto* e = qobject_cast<QLineEdit*>(w))
            line(d, "text " + q(e->text()) + " readOnly " + str(e->isReadOnly()) + " align " +
                        hex(int(e->alignment())));
        if (auto* c = qobject_cast<QComboBox*>(w)) {
            QStringList items;
            for (int i = 0; i < c->count(); ++i)
                items << q(c->itemText(i));
            line(d, "items [" + items.join(", ") + "] current " + str(c->currentIndex()));
        }
        if (auto* s = qobject_cast<QSpinBox*>(w))
            line(d, "range " + str(s->minimum()) + ".." + str(s->maximum()) + " value " + str(s->value()));
        if (auto* s = qobject_cast<QDoubleSpinBox*>(w))
            line(d, QStringLiteral("range %1..%2 value %3 decimals %4")
                        .arg(s->minimum())
                        .arg(s->maximum())
                        .arg(s->value())
                        .arg(s->decimals()));
        if (auto* f = qobject_cast<QFrame*>(w); f && w->metaObject() == &QFrame::staticMetaObject)
            line(d, "frame shape " + str(f->frameShape()) + " shadow " + str(f->frameShadow()));
        if (auto* s = qobject_cast<QSplitter*>(w))
            line(d, "orientation " + str(s->orientation()));
        if (auto* t = qobject_cast<QTabWidget*>(w)) {
            line(d, "tabs " + str(t->count()) + " current " + str(t->currentIndex()) + " tabBarVisible " +
                        str(t->tabBar()->isVisibleTo(t)));
            for (int i = 0; i < t->count(); ++i)
                line(d + 1,
                     "page " + str(i) + ' ' + q(t->widget(i)->objectName()) + " text " + q(t->tabText(i)));
        }
    }

    void layout(QLayout* l, int d) {
        const QMargins m = l->contentsMargins();
        line(d, "layout " + QString(l->metaObject()->className()) + ' ' + q(l->objectName()) + " margins " +
                    QStringLiteral("%1,%2,%3,%4").arg(m.left()).arg(m.top()).arg(m.right()).arg(m.bottom()) +
                    " spacing " + str(l->spacing()));
        auto* grid = qobject_cast<QGridLayout*>(l);
        if (grid) {
            QStringList rows, columns;
            for (int r = 0; r < grid->rowCount(); ++r)
                rows << str(grid->rowStretch(r));
            for (int c = 0; c < grid->columnCount(); ++c)
                columns << str(grid->columnStretch(c));
            line(d + 1,
                 "grid spacing " + str(grid->horizontalSpacing()) + '/' + str(grid->verticalSpacing()));
            line(d + 1, "stretch rows [" + rows.join(' ') + "] columns [" + columns.join(' ') + ']');
        }
        for (int i = 0; i < l->count(); ++i) {
            QLayoutItem* item = l->itemAt(i);
            int r = 0, c = 0, rs = 0, cs = 0;
            if (grid)
                grid->getItemPosition(i, &r, &c, &rs, &cs);
            const QString where =
                (grid ? QStringLiteral("at %1,%2 span %3,%4 ").arg(r).arg(c).arg(rs).arg(cs) : "") +
                "align " + hex(int(item->alignment())) + ' ';
            if (QWidget* iw = item->widget())
                line(d + 1, where + "widget " + q(iw->objectName()));
            else if (QSpacerItem* s = item->spacerItem())
                line(d + 1, where + "spacer hint " + size(s->sizeHint()) + " policy " +
                                policy(s->sizePolicy()) + " geometry " + rect(s->geometry()));
            else if (QLayout* inner = item->layout()) {
                line(d + 1, where + "layout");
                layout(inner, d + 2);
            }
        }
    }
};

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // As the program itself starts, minus the console and the error boxes.
    QApplication app(argc, argv);
    const QString outputPath =
        argc > 1 ? QDir::current().absoluteFilePath(QString::fromLocal8Bit(argv[1])) : "";
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("Windows-1251"));
    qInstallMessageHandler(logMessageHandler);
    QCoreApplication::setOrganizationName(QStringLiteral("KORVEX"));
    QCoreApplication::setApplicationName(QStringLiteral("VRK11"));
    QTemporaryDir dir; // for vernier.ini and vernier.log
    if (!dir.isValid() || !QDir::setCurrent(dir.path())) {
        std::fprintf(stderr, "widget_dump: no temporary directory\n");
        return 1;
    }
    // An hour's display period: no reading widens the channel rows meanwhile.
    QSettings(QStringLiteral("vernier.ini"), QSettings::IniFormat)
        .setValue("Global/DisplayUpdateMs", 3600 * 1000);

    auto window = std::make_unique<MainWindow>(nullptr, createDefaultModule);
    window->show();
    auto* crates = window->findChild<QComboBox*>(QStringLiteral("comboBoxCrate"));
    auto* settingsHost = window->findChild<QWidget*>(QStringLiteral("widgetModuleSettings"));
    auto* serial = window->findChild<QLineEdit*>(QStringLiteral("lineEditModuleSerial"));
    auto* options = window->findChild<QDialog*>(QStringLiteral("Options"));
    // Settled: the list is filled, the first device open, its controls enabled.
    bool ok =
        crates && settingsHost && serial && options &&
        QTest::qWaitFor(
            [&] { return crates->count() > 0 && settingsHost->isEnabled() && !serial->text().isEmpty(); },
            30000);
    Dumper dumper;
    if (ok) {
        dumper.window(window.get());
        options->show(); // without exec, so that its layout has run
        ok = QTest::qWaitForWindowExposed(options, 30000);
        dumper.window(options);
        options->hide();
    } else {
        std::fprintf(stderr, "widget_dump: the main window did not settle\n");
    }
    window->close();
    window.reset();
    const QByteArray bytes = dumper.text.toUtf8();
    QFile file(outputPath);
    if (ok &&
        (outputPath.isEmpty() ? file.open(stdout, QIODevice::WriteOnly) : file.open(QIODevice::WriteOnly)) &&
        file.write(bytes) == bytes.size())
        return 0;
    std::fprintf(stderr, "widget_dump: no dump written\n");
    return 1;
}
