#ifndef ERROR_QUEUE_H
#define ERROR_QUEUE_H

#include <QByteArray>
#include <deque>

// One client's SCPI error queue: first in, first out, at most `capacity`
// entries; when it is full the newest entry becomes -350 "Queue overflow".
// GUI thread (the client's session); no lock.
class ErrorQueue {
public:
    static constexpr int capacity = 20;

    void push(int code);
    // The oldest entry as SYSTem:ERRor? reports it, removed; 0,"No error"
    // when empty.
    QByteArray next();
    int count() const { return int(codes.size()); }
    void clear() { codes.clear(); }

private:
    std::deque<int> codes;
};

#endif // ERROR_QUEUE_H
