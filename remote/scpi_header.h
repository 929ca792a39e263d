#ifndef SCPI_HEADER_H
#define SCPI_HEADER_H

#include <QByteArray>
#include <QList>
#include <vector>

// A command header as the command table writes it, e.g.
// "[SENSe:]VOLTage[:DC]:RANGe" or "*IDN": each node in its long form, whose
// capitals are the short form, nodes in brackets optional.  A written header
// matches when every node is the short or the long form of its pattern node,
// in any case, optional nodes left out or not.  Any thread; immutable.
class ScpiHeader {
public:
    explicit ScpiHeader(const char* pattern);

    // `nodes` in upper case, as the parser gives them.
    bool matches(const QList<QByteArray>& nodes) const;

private:
    struct Node {
        QByteArray longForm;  // upper case
        QByteArray shortForm; // the capitals of the long form
        bool optional = false;
    };
    bool matchFrom(const QList<QByteArray>& nodes, int written, std::size_t pattern) const;

    std::vector<Node> pattern;
};

#endif // SCPI_HEADER_H
