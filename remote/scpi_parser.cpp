#include "scpi_parser.h"

#include <QLocale>
#include <QString>
#include <limits>

#include "scpi_error.h"

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Control characters and anything beyond ASCII have no place outside a
// string: -101 rather than a syntax error.
bool isInvalid(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u < 0x20 && c != '\t') || u >= 0x7f;
}

// Reads one line, one unit at a time.
class Reader {
public:
    explicit Reader(const QByteArray& text) : text(text) {}

    bool atEnd() const { return pos >= text.size(); }
    char peek(int ahead = 0) const {
        const int at = pos + ahead;
        return at < text.size() ? text.at(at) : '\0';
    }
    void skipBlanks() {
        while (!atEnd() && isBlank(peek()))
            ++pos;
    }
    bool unitEnds() const { return atEnd() || peek() == ';'; }
    // The error of an unexpected character `ahead` of the position: past
    // the end, a syntax error.
    int errorAt(int ahead = 0) const {
        const int at = pos + ahead;
        if (at >= text.size())
            return ScpiError::SyntaxError;
        return isInvalid(text.at(at)) ? ScpiError::InvalidCharacter : ScpiError::SyntaxError;
    }
    // Past the ';' that ends a unit, if any.
    void endUnit() {
        if (!atEnd() && peek() == ';')
            ++pos;
    }

    int unit(ScpiCommand& command) {
        if (int error = header(command))
            return error;
        if (unitEnds()) {
            endUnit();
            return 0;
        }
        if (!isBlank(peek()))
            return errorAt();
        skipBlanks();
        if (unitEnds()) {
            endUnit();
            return 0;
        }
        for (;;) {
            ScpiParameter parameter;
            if (int error = value(parameter))
                return error;
            command.parameters.append(parameter);
            skipBlanks();
            if (unitEnds()) {
                endUnit();
                return 0;
            }
            if (peek() != ',')
                return isInvalid(peek()) ? ScpiError::InvalidCharacter : ScpiError::InvalidSeparator;
            ++pos;
            skipBlanks();
            if (unitEnds())
                return ScpiError::SyntaxError;
        }
    }

private:
    int header(ScpiCommand& command) {
        if (peek() == ':') {
            command.absolute = true;
            ++pos;
        }
        if (peek() == '*') {
            if (command.absolute)
                return ScpiError::SyntaxError;
            command.common = true;
            const int start = pos++;
            while (isLetter(peek()))
                ++pos;
            if (pos - start < 2)
                return errorAt();
            command.nodes.append(text.mid(start, pos - start).toUpper());
        } else {
            for (;;) {
                if (!isLetter(peek()))
                    return errorAt();
                const int start = pos;
                while (isLetter(peek()) || isDigit(peek()) || peek() == '_')
                    ++pos;
                command.nodes.append(text.mid(start, pos - start).toUpper());
                if (peek() != ':')
                    break;
                ++pos;
            }
        }
        if (peek() == '?') {
            command.query = true;
            ++pos;
        }
        return 0;
    }

    int value(ScpiParameter& parameter) {
        const char c = peek();
        if (c == '(')
            return channelList(parameter);
        if (c == '"' || c == '\'')
            return quoted(parameter);
        if (isDigit(c) || c == '+' || c == '-' || c == '.')
            return number(parameter);
        if (isLetter(c)) {
            const int start = pos;
            while (isLetter(peek()) || isDigit(peek()) || peek() == '_')
                ++pos;
            parameter.kind = ScpiParameter::Mnemonic;
            parameter.mnemonic = text.mid(start, pos - start).toUpper();
            return 0;
        }
        if (c == '#')
            return ScpiError::DataTypeError;
        return errorAt();
    }

    int number(ScpiParameter& parameter) {
        const int start = pos;
        if (peek() == '+' || peek() == '-')
            ++pos;
        int digits = 0;
        while (isDigit(peek())) {
            ++pos;
            ++digits;
        }
        if (peek() == '.') {
            ++pos;
            while (isDigit(peek())) {
                ++pos;
                ++digits;
            }
        }
        if (digits == 0)
            return errorAt();
        if (peek() == 'e' || peek() == 'E') {
            int ahead = 1;
            if (peek(ahead) == '+' || peek(ahead) == '-')
                ++ahead;
            if (isDigit(peek(ahead))) {
                pos += ahead;
                while (isDigit(peek()))
                    ++pos;
            }
        }
        skipBlanks();
        // Units and multipliers ("10V", "2.5 mV") are not taken.
        if (isLetter(peek()))
            return ScpiError::InvalidSuffix;
        const QByteArray written = text.mid(start, pos - start).trimmed();
        bool ok = false;
        double value = QLocale::c().toDouble(QString::fromLatin1(written), &ok);
        // The form was checked above, so a failure is a value beyond a
        // double: out of every range.
        if (!ok)
            value = written.startsWith('-') ? -std::numeric_limits<double>::infinity()
                                            : std::numeric_limits<double>::infinity();
        parameter.kind = ScpiParameter::Number;
        parameter.number = value;
        return 0;
    }

    int quoted(ScpiParameter& parameter) {
        const char quote = peek();
        ++pos;
        QByteArray raw;
        for (;;) {
            if (atEnd())
                return ScpiError::StringDataError;
            const char c = peek();
            if (c == quote) {
                if (peek(1) == quote) {
                    raw += quote;
                    pos += 2;
                    continue;
                }
                ++pos;
                break;
            }
            const auto u = static_cast<unsigned char>(c);
            if (u < 0x20 || u == 0x7f)
                return ScpiError::InvalidCharacter;
            raw += c;
            ++pos;
        }
        parameter.kind = ScpiParameter::String;
        parameter.text = QString::fromUtf8(raw);
        return 0;
    }

    // A channel number; values past channelTooLarge are held there.
    int channel(int& value) {
        if (!isDigit(peek()))
            return errorAt();
        qint64 n = 0;
        while (isDigit(peek())) {
            n = qMin<qint64>(n * 10 + (peek() - '0'), ScpiParameter::channelTooLarge);
            ++pos;
        }
        value = int(n);
        return 0;
    }

    int channelList(ScpiParameter& parameter) {
        if (peek(1) != '@')
            return errorAt(1);
        pos += 2;
        parameter.kind = ScpiParameter::ChannelList;
        skipBlanks();
        if (peek() == ')') {
            ++pos;
            return 0;
        }
        for (;;) {
            skipBlanks();
            ScpiParameter::Span span;
            if (int error = channel(span.first))
                return error;
            span.last = span.first;
            skipBlanks();
            if (peek() == ':') {
                ++pos;
                skipBlanks();
                if (int error = channel(span.last))
                    return error;
                skipBlanks();
            }
            parameter.spans.append(span);
            if (peek() == ',') {
                ++pos;
                continue;
            }
            if (peek() == ')') {
                ++pos;
                return 0;
            }
            return errorAt();
        }
    }

    const QByteArray& text;
    int pos = 0;
};

} // namespace

QVector<ScpiCommand> ScpiParser::parse(const QByteArray& line) {
    QByteArray text = line;
    if (text.endsWith('\r'))
        text.chop(1);
    QVector<ScpiCommand> commands;
    Reader reader(text);
    for (;;) {
        reader.skipBlanks();
        if (reader.atEnd())
            break;
        if (reader.peek() == ';') {
            reader.endUnit();
            continue;
        }
        ScpiCommand command;
        command.error = reader.unit(command);
        commands.append(command);
        if (command.error != 0)
            break;
    }
    return commands;
}
