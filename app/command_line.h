#ifndef COMMAND_LINE_H
#define COMMAND_LINE_H

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <optional>
#include <vector>

// The program's own options, read from the command line before the
// application object exists (--headless must choose Qt's platform first).
// Every argument that is not one of ours goes on to Qt, in its order, so
// Qt's own options (-platform, -style, ...) keep working.
//
//   --headless          no window; needs no display
//   --device ADDRESS    the module to choose (also --device=ADDRESS)
//   --remote[=PORT]     remote control, on PORT if given
//   --record            start a recording once the module runs
//   --duration SECONDS  end the run after that time (also --duration=SECONDS)
//   --help, -h          print the options and exit
//
// Threads: a plain value, parsed in main before anything else runs.
class CommandLine {
public:
    enum class Outcome {
        Run,     // carry on with the options
        Help,    // print helpText() and exit 0
        Invalid, // print `error` and exit with usageExitCode
    };

    // Exit status of a command line that cannot be used.
    static constexpr int usageExitCode = 2;
    // Longest --duration, in seconds (about 31 years): keeps the
    // milliseconds well inside qint64 whatever the input.
    static constexpr double maxDurationSeconds = 1e9;

    // `arguments` as main received them, the program's name first.
    static CommandLine parse(const QStringList& arguments);
    // The options, one per line, for --help.
    static QString helpText(const QString& program);

    Outcome outcome = Outcome::Run;
    // Why the command line cannot be used, naming the argument.
    QString error;

    bool headless = false;
    // Empty: choose as the window does.
    QString device;
    bool remote = false;
    // Set only by --remote=PORT, 1..65535.
    std::optional<int> remotePort;
    bool record = false;
    // Set only by --duration, > 0.
    std::optional<qint64> durationMs;

    // Indexes into `arguments` of what goes on to Qt, the program's name
    // (index 0) first.
    std::vector<int> qtArguments;
};

#endif // COMMAND_LINE_H
