#ifndef SCPI_PARAMETER_H
#define SCPI_PARAMETER_H

#include <QByteArray>
#include <QString>
#include <QVector>

// One parameter of a SCPI command as it was written, before any command
// gives it a meaning.
struct ScpiParameter {
    enum Kind { Number, Mnemonic, String, ChannelList };
    // One item of a channel list: a channel (first == last) or a range
    // first:last, either way round.  Numbers too large to be a channel are
    // kept as channelTooLarge, for the command to refuse.
    struct Span {
        int first = 0;
        int last = 0;
    };
    static constexpr int channelTooLarge = 1000000;

    Kind kind = Number;
    double number = 0.0; // Number; infinite when it overflows a double
    QByteArray mnemonic; // Mnemonic, in upper case
    QString text;        // String, without its quotes
    QVector<Span> spans; // ChannelList, in the order written
};

#endif // SCPI_PARAMETER_H
