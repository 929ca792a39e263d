#include "scpi_header.h"

ScpiHeader::ScpiHeader(const char* text) {
    // "[SENSe:]X[:DC]:Y" -> nodes SENSe (optional), X, DC (optional), Y.
    QByteArray normal(text);
    normal.replace("[:", ":[");
    normal.replace(":]", "]:");
    for (QByteArray part : normal.split(':')) {
        if (part.isEmpty())
            continue;
        Node node;
        if (part.startsWith('[') && part.endsWith(']')) {
            node.optional = true;
            part = part.mid(1, part.size() - 2);
        }
        node.longForm = part.toUpper();
        for (char c : part)
            if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '*')
                node.shortForm += c;
        pattern.push_back(node);
    }
}

bool ScpiHeader::matches(const QList<QByteArray>& nodes) const {
    return matchFrom(nodes, 0, 0);
}

bool ScpiHeader::matchFrom(const QList<QByteArray>& nodes, int written, std::size_t at) const {
    if (at == pattern.size())
        return written == nodes.size();
    const Node& node = pattern[at];
    if (node.optional && matchFrom(nodes, written, at + 1))
        return true;
    if (written >= nodes.size())
        return false;
    const QByteArray& word = nodes.at(written);
    if (word != node.shortForm && word != node.longForm)
        return false;
    return matchFrom(nodes, written + 1, at + 1);
}
