#include "error_queue.h"

#include "scpi_error.h"

void ErrorQueue::push(int code) {
    if (code == ScpiError::NoError)
        return;
    if (int(codes.size()) >= capacity) {
        codes.back() = ScpiError::QueueOverflow;
        return;
    }
    codes.push_back(code);
}

QByteArray ErrorQueue::next() {
    if (codes.empty())
        return ScpiError::entry(ScpiError::NoError);
    const int code = codes.front();
    codes.pop_front();
    return ScpiError::entry(code);
}
