#include "command_line.h"

#include <QHostAddress>
#include <QLatin1String>
#include <QRegularExpression>
#include <cmath>

namespace {

// The value of `--name VALUE` or `--name=VALUE` at arguments[*index]; moves
// *index past a separate value.  Empty optional when the argument is not
// this option; an empty string when the value is missing.
std::optional<QString> valueOf(const QStringList& arguments, int* index, const QString& name) {
    const QString& argument = arguments.at(*index);
    if (argument.startsWith(name + QLatin1Char('=')))
        return argument.mid(name.size() + 1);
    if (argument != name)
        return std::nullopt;
    // A following long option is not a value: "--device --record" lacks the
    // address.  Anything else is, so "--duration -5" is refused as a number.
    if (*index + 1 < arguments.size() && !arguments.at(*index + 1).startsWith(QLatin1String("--"))) {
        ++*index;
        return arguments.at(*index);
    }
    return QString();
}

// A dotted IPv4 address in the form the device search names modules.  Four
// decimal parts without leading zeros: the forms inet_aton also takes
// ("1.2.3" is 1.2.0.3, "012" is octal 10) would choose a module the user
// did not mean.
std::optional<QString> ipv4(const QString& text) {
    static const QRegularExpression dotted(
        QStringLiteral("^(0|[1-9][0-9]{0,2})(\\.(0|[1-9][0-9]{0,2})){3}$"));
    QHostAddress address;
    if (!dotted.match(text).hasMatch() || !address.setAddress(text) ||
        address.protocol() != QAbstractSocket::IPv4Protocol)
        return std::nullopt;
    return address.toString();
}

std::optional<qint64> milliseconds(const QString& text) {
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds <= 0 || seconds > CommandLine::maxDurationSeconds)
        return std::nullopt;
    const qint64 ms = std::llround(seconds * 1000.0);
    if (ms < 1)
        return std::nullopt;
    return ms;
}

std::optional<int> port(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok || value < 1 || value > 65535)
        return std::nullopt;
    return value;
}

} // namespace

CommandLine CommandLine::parse(const QStringList& arguments) {
    CommandLine line;
    bool help = false;
    const auto invalid = [&line](const QString& why) {
        if (line.outcome == Outcome::Run) {
            line.outcome = Outcome::Invalid;
            line.error = why;
        }
    };

    if (!arguments.isEmpty())
        line.qtArguments.push_back(0);
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            help = true;
        } else if (argument == QLatin1String("--headless")) {
            line.headless = true;
        } else if (argument == QLatin1String("--record")) {
            line.record = true;
        } else if (argument == QLatin1String("--remote")) {
            line.remote = true;
        } else if (argument.startsWith(QLatin1String("--remote="))) {
            line.remote = true;
            const QString text = argument.mid(9);
            line.remotePort = port(text);
            if (!line.remotePort)
                invalid(QStringLiteral("--remote: invalid port \"%1\" (expected 1 to 65535)").arg(text));
        } else if (const auto device = valueOf(arguments, &i, QStringLiteral("--device"))) {
            const auto address = ipv4(*device);
            if (device->isEmpty())
                invalid(QStringLiteral("--device: missing address"));
            else if (!address)
                invalid(QStringLiteral("--device: \"%1\" is not an IPv4 address").arg(*device));
            else
                line.device = *address;
        } else if (const auto duration = valueOf(arguments, &i, QStringLiteral("--duration"))) {
            line.durationMs = milliseconds(*duration);
            if (duration->isEmpty())
                invalid(QStringLiteral("--duration: missing number of seconds"));
            else if (!line.durationMs)
                invalid(QStringLiteral("--duration: invalid number of seconds \"%1\" (expected more than 0, "
                                       "at most %2)")
                            .arg(*duration)
                            .arg(maxDurationSeconds, 0, 'g', 10));
        } else {
            line.qtArguments.push_back(i);
        }
    }
    if (help) {
        line.outcome = Outcome::Help;
        line.error.clear();
    }
    return line;
}

QString CommandLine::helpText(const QString& program) {
    return QStringLiteral("Usage: %1 [options] [Qt options]\n"
                          "Measure voltages and frequencies with the VRK11 network ADC module.\n"
                          "\n"
                          "Options:\n"
                          "  --headless          run without a window; needs no display (uses Qt's\n"
                          "                      offscreen platform); ends with status 0 after a clean\n"
                          "                      end, non-zero when no module could be used\n"
                          "  --device ADDRESS    use the module at this IPv4 address; when it is not\n"
                          "                      found, none is used (--headless: the run fails)\n"
                          "  --remote[=PORT]     start the remote control server, on PORT if given\n"
                          "  --record            start a recording in the recording folder as soon as\n"
                          "                      the module runs\n"
                          "  --duration SECONDS  end the run after SECONDS, as closing the window does\n"
                          "  -h, --help          print these options and exit\n"
                          "\n"
                          "SIGTERM, SIGINT (Ctrl+C) and SIGHUP end the program as closing the window\n"
                          "does; a second one during that shutdown ends it at once.\n"
                          "Other arguments go to Qt (for example -platform offscreen).\n")
        .arg(program);
}
