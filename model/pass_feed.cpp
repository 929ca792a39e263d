#include "pass_feed.h"

PassFeed::PassFeed(QObject* parent) : QObject(parent) {
    qRegisterMetaType<PassRecord>("PassRecord");
}

void PassFeed::publish(const PassRecord& record) {
    emit passRecorded(record);
}
